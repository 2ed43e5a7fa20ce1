#include "http/IdHeaderList.h"

#include "http/IdAsciiCase.h"

namespace {

bool IsContinuation(const std::string& line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

constexpr const char* kBlanks = " \t\r\n";

// Whether the line's name (the text before its first ':', trimmed; empty without one) is
// `name`, in any letter case. A lookup scans every line: it must not copy any of them.
bool HasName(const std::string& line, const std::string& name) {
    const auto colon = line.find(':');
    const std::string_view before(line.data(), colon == std::string::npos ? 0 : colon);
    const auto first = before.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return name.empty();
    return SameText(before.substr(first, before.find_last_not_of(kBlanks) - first + 1), name);
}

} // namespace

std::string TrimText(const std::string& text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::size_t TIdHeaderList::IndexOfName(const std::string& name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (!IsContinuation(lines_[i]) && HasName(lines_[i], name))
            return i;
    return lines_.size();
}

std::size_t TIdHeaderList::EntryLength(std::size_t index) const {
    std::size_t end = index + 1;
    while (end < lines_.size() && IsContinuation(lines_[end]))
        ++end;
    return end - index;
}

std::string TIdHeaderList::ValueAt(std::size_t index) const {
    const std::string& line = lines_[index];
    const auto colon = line.find(':');
    std::string value = colon == std::string::npos ? line : TrimText(line.substr(colon + 1));
    const std::size_t length = EntryLength(index);
    for (std::size_t i = index + 1; i < index + length; ++i)
        value = TrimText(value) + " " + TrimText(lines_[i]);
    return value;
}

std::string TIdHeaderList::Value(const std::string& name) const {
    const std::size_t index = IndexOfName(name);
    return index == lines_.size() ? std::string() : ValueAt(index);
}

std::vector<std::string> TIdHeaderList::Values(const std::string& name) const {
    std::vector<std::string> values;
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (!IsContinuation(lines_[i]) && HasName(lines_[i], name))
            values.push_back(ValueAt(i));
    return values;
}

void TIdHeaderList::SetValue(const std::string& name, const std::string& value) {
    const std::size_t index = IndexOfName(name);
    if (index < lines_.size())
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                     lines_.begin() + static_cast<std::ptrdiff_t>(index + EntryLength(index)));
    if (value.empty())
        return;
    const std::vector<std::string> folded = Fold(name + ": " + value);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(std::min(index, lines_.size())),
                  folded.begin(), folded.end());
}

std::vector<std::string> TIdHeaderList::Fold(const std::string& line) const {
    std::vector<std::string> pieces;
    std::string rest = line;
    while (rest.size() > foldLength_) {
        // The last space, tab or comma outside double quotes within the fold length.
        std::size_t cut = std::string::npos;
        bool quoted = false;
        for (std::size_t i = 1; i < rest.size() && i <= foldLength_; ++i) {
            if (rest[i] == '"')
                quoted = !quoted;
            else if (!quoted && (rest[i] == ' ' || rest[i] == '\t' || rest[i] == ','))
                cut = rest[i] == ',' ? i + 1 : i;
        }
        if (cut == std::string::npos || TrimText(rest.substr(cut)).empty())
            break;
        pieces.push_back(rest.substr(0, cut));
        rest = TrimText(rest.substr(cut));
        rest.insert(rest.begin(), ' ');
    }
    pieces.push_back(rest);
    return pieces;
}
