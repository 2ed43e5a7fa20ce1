#include "http/IdStream.h"

#include <algorithm>
#include <cstring>

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
    const auto end = static_cast<std::size_t>(position_) + count;
    if (end > data_.size())
        data_.resize(end);
    std::memcpy(data_.data() + position_, data, count);
    position_ = static_cast<std::int64_t>(end);
}

std::size_t TMemoryStream::Read(std::uint8_t* data, std::size_t count) {
    const auto available = static_cast<std::size_t>(Size() - position_);
    const auto n = std::min(count, available);
    if (n > 0)
        std::memcpy(data, data_.data() + position_, n);
    position_ += static_cast<std::int64_t>(n);
    return n;
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
}
