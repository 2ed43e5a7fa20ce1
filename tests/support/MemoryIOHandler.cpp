#include "tests/support/MemoryIOHandler.h"

#include <algorithm>
#include <cstring>

void TMemoryIOHandler::OpenTransport() {
    open_ = true;
    position_ = 0;
    ++connections_;
}

std::ptrdiff_t TMemoryIOHandler::Receive(std::uint8_t* data, std::size_t count) {
    const std::size_t n = std::min(count, reply_.size() - position_);
    std::memcpy(data, reply_.data() + position_, n);
    position_ += n;
    return static_cast<std::ptrdiff_t>(n);
}

std::size_t TMemoryIOHandler::Send(const std::uint8_t* data, std::size_t count) {
    written_.append(reinterpret_cast<const char*>(data), count);
    return count;
}
