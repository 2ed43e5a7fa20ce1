#pragma once
// Ordered header lines "Name: value" with case-insensitive lookup; a line that begins with a
// space or a tab continues the value of the line before it.

#include <cstddef>
#include <string>
#include <vector>

class TIdHeaderList {
public:
    explicit TIdHeaderList(std::size_t foldLength = 78) : foldLength_(foldLength) {}

    void Add(const std::string& line) { lines_.push_back(line); }
    void Clear() { lines_.clear(); }
    std::size_t Count() const { return lines_.size(); }
    const std::string& operator[](std::size_t index) const { return lines_[index]; }
    const std::vector<std::string>& Lines() const { return lines_; }

    // The unfolded value of the first line of that name; empty when there is none.
    std::string Value(const std::string& name) const;
    // Every value of that name, in order.
    std::vector<std::string> Values(const std::string& name) const;
    // Empty: removes the first line of that name; otherwise replaces it in place or appends.
    void SetValue(const std::string& name, const std::string& value);

private:
    // Index of the first line of that name, or Count().
    std::size_t IndexOfName(const std::string& name) const;
    std::string ValueAt(std::size_t index) const;
    // Entries of `index` and its continuation lines.
    std::size_t EntryLength(std::size_t index) const;
    std::vector<std::string> Fold(const std::string& line) const;

    std::vector<std::string> lines_;
    std::size_t foldLength_;
};

std::string TrimText(const std::string& text);
