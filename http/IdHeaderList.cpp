#include "http/IdHeaderList.h"

#include <algorithm>
#include <iterator>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string_view TrimView(std::string_view text) {
    // Every header name and value passes here: a plain loop, no search per character.
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string TrimText(const std::string& text) {
    return std::string(TrimView(text));
}

bool TIdHeaderList::IsContinuation(std::size_t index) const {
    const std::string& line = lines_[index];
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

std::string_view TIdHeaderList::NameAt(std::size_t index) const {
    // A lookup reads the name of every line: it must not copy any of them.
    const std::string_view line = lines_[index];
    const auto colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : TrimView(line.substr(0, colon));
}

std::size_t TIdHeaderList::IndexOfName(std::string_view name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (!IsContinuation(i) && SameText(NameAt(i), name))
            return i;
    return lines_.size();
}

std::size_t TIdHeaderList::EntryLength(std::size_t index) const {
    std::size_t end = index + 1;
    while (end < lines_.size() && IsContinuation(end))
        ++end;
    return end - index;
}

std::string TIdHeaderList::ValueAt(std::size_t index) const {
    const std::string& line = lines_[index];
    const auto colon = line.find(':');
    std::string value = colon == std::string::npos
                            ? line
                            : std::string(TrimView(std::string_view(line).substr(colon + 1)));
    const std::size_t length = EntryLength(index);
    for (std::size_t i = index + 1; i < index + length; ++i) {
        std::string joined(TrimView(value));
        joined += ' ';
        joined += TrimView(lines_[i]);
        value = std::move(joined);
    }
    return value;
}

std::string TIdHeaderList::Value(std::string_view name) const {
    const std::size_t index = IndexOfName(name);
    return index == lines_.size() ? std::string() : ValueAt(index);
}

std::vector<std::string> TIdHeaderList::Values(std::string_view name) const {
    std::vector<std::string> values;
    ForEachValue(name, [&values](std::string value) { values.push_back(std::move(value)); });
    return values;
}

void TIdHeaderList::SetValue(std::string_view name, std::string_view value) {
    const std::size_t index = IndexOfName(name);
    if (index < lines_.size())
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                     lines_.begin() + static_cast<std::ptrdiff_t>(index + EntryLength(index)));
    InsertValue(std::min(index, lines_.size()), name, value);
}

void TIdHeaderList::AddValue(std::string_view name, std::string_view value) {
    InsertValue(lines_.size(), name, value);
}

void TIdHeaderList::InsertValue(std::size_t index, std::string_view name, std::string_view value) {
    if (value.empty())
        return;
    std::string line;
    line.reserve(name.size() + 2 + value.size());
    line.append(name).append(": ").append(value);
    const auto at = lines_.begin() + static_cast<std::ptrdiff_t>(index);
    if (line.size() <= foldLength_) { // the usual case: nothing to fold
        lines_.insert(at, std::move(line));
        return;
    }
    std::vector<std::string> folded = Fold(std::move(line));
    lines_.insert(at, std::make_move_iterator(folded.begin()),
                  std::make_move_iterator(folded.end()));
}

std::vector<std::string> TIdHeaderList::Fold(std::string rest) const {
    std::vector<std::string> pieces;
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
    pieces.push_back(std::move(rest));
    return pieces;
}
