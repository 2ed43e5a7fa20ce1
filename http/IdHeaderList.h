#pragma once
// Ordered header lines "Name: value" with case-insensitive lookup; a line that begins with a
// space or a tab continues the value of the line before it.

#include "http/IdAsciiCase.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TIdHeaderList {
public:
    explicit TIdHeaderList(std::size_t foldLength = 78) : foldLength_(foldLength) {}

    void Add(std::string line) { lines_.push_back(std::move(line)); }
    void Clear() { lines_.clear(); }
    std::size_t Count() const { return lines_.size(); }
    const std::string& operator[](std::size_t index) const { return lines_[index]; }
    const std::vector<std::string>& Lines() const { return lines_; }

    // The unfolded value of the first line of that name; empty when there is none.
    std::string Value(std::string_view name) const;
    // Every value of that name, in order.
    std::vector<std::string> Values(std::string_view name) const;
    // Calls visit(value) with every value of that name, in order.
    template <typename Visit> void ForEachValue(std::string_view name, Visit visit) const {
        for (std::size_t i = 0; i < lines_.size(); ++i)
            if (!IsContinuation(i) && SameText(NameAt(i), name))
                visit(ValueAt(i));
    }
    // Empty: removes the first line of that name; otherwise replaces it in place or appends.
    void SetValue(std::string_view name, std::string_view value);
    // Appends the line of that name and value (folded), none for an empty value, whatever
    // lines of that name there are.
    void AddValue(std::string_view name, std::string_view value);

    // The name of the line at `index` (the text before its first ':', trimmed; empty without
    // one), and the unfolded value of the entry it begins. A continuation line begins none.
    std::string_view NameAt(std::size_t index) const;
    bool IsContinuation(std::size_t index) const;
    std::string ValueAt(std::size_t index) const;

private:
    // Index of the first line of that name, or Count().
    std::size_t IndexOfName(std::string_view name) const;
    // Entries of `index` and its continuation lines.
    std::size_t EntryLength(std::size_t index) const;
    std::vector<std::string> Fold(std::string rest) const;
    void InsertValue(std::size_t index, std::string_view name, std::string_view value);

    std::vector<std::string> lines_;
    std::size_t foldLength_;
};

std::string TrimText(const std::string& text);
// The text without the blanks (space, tab, CR, LF) at either end.
std::string_view TrimView(std::string_view text);
