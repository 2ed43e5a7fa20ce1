#include "http/IdStream.h"

#include <algorithm>
#include <cstring>

namespace {
// Most bodies are small: a body of unknown length must not cost a megabyte before its first
// bytes. Once it outgrows the first step, growth starts at a megabyte, as large bodies need.
constexpr std::size_t kFirstGrowth = 64 * 1024;
constexpr std::size_t kMinimumGrowth = 1 << 20;
} // namespace

void TMemoryStream::SetSize(std::int64_t size) {
    data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
    position_ = std::min(position_, Size());
}

void TMemoryStream::SetPosition(std::int64_t position) {
    position_ = std::clamp<std::int64_t>(position, 0, Size());
}

void TMemoryStream::Write(const std::uint8_t* data, std::size_t count) {
    if (count == 0)
        return;
    const auto position = static_cast<std::size_t>(position_);
    const std::size_t overlap = std::min(count, data_.size() - position);
    if (overlap > 0) // an empty vector may have no storage at all
        std::memcpy(data_.data() + position, data, overlap);
    // Appending without zero-filling first: bodies arrive at the end.
    data_.insert(data_.end(), data + overlap, data + count);
    position_ = static_cast<std::int64_t>(position + count);
}

std::size_t TMemoryStream::Read(std::uint8_t* data, std::size_t count) {
    const auto available = static_cast<std::size_t>(Size() - position_);
    const auto n = std::min(count, available);
    if (n > 0)
        std::memcpy(data, data_.data() + position_, n);
    position_ += static_cast<std::int64_t>(n);
    return n;
}

void TMemoryStream::Reserve(std::int64_t needed, std::int64_t expected) {
    const auto need = static_cast<std::size_t>(std::max<std::int64_t>(needed, 0));
    if (need <= data_.capacity())
        return;
    const std::size_t floor = need <= kFirstGrowth ? kFirstGrowth : kMinimumGrowth;
    std::size_t target = std::max({data_.capacity() * 2, need, floor});
    if (expected >= needed)
        target = std::min(target, static_cast<std::size_t>(expected));
    data_.reserve(target);
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
}
