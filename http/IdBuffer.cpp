#include "http/IdBuffer.h"

#include "http/IdExceptions.h"

#include <algorithm>
#include <cstring>

void TIdBuffer::Write(const std::uint8_t* data, std::size_t count) {
    if (count == 0)
        return;
    std::memcpy(Reserve(count), data, count);
    Commit(count);
}

void TIdBuffer::Write(const std::string& bytes) {
    Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::uint8_t* TIdBuffer::Reserve(std::size_t count) {
    if (count > kMaxSize - size_)
        throw EIdTooMuchDataInBuffer();
    if (head_ > 0)
        Compact();
    if (capacity_ - size_ < count) {
        const std::size_t capacity = size_ + count + kChunkSize;
        std::unique_ptr<std::uint8_t[]> grown(new std::uint8_t[capacity]);
        if (size_ > 0)
            std::memcpy(grown.get(), storage_.get(), size_);
        storage_ = std::move(grown);
        capacity_ = capacity;
    }
    return storage_.get() + size_;
}

void TIdBuffer::Commit(std::size_t received) {
    size_ += received;
}

void TIdBuffer::Compact() {
    if (size_ > 0)
        std::memmove(storage_.get(), storage_.get() + head_, size_);
    head_ = 0;
}

std::int64_t TIdBuffer::IndexOf(const std::string& bytes, std::size_t start) const {
    if (bytes.empty())
        throw EIdException("Buffer terminator must be specified.");
    if (start >= size_)
        throw EIdException("Buffer start position is invalid.");
    // memchr finds each candidate and memcmp checks it: one fast pass over a line's bytes.
    const auto* begin = Data();
    const auto* end = begin + size_;
    const auto first = static_cast<unsigned char>(bytes[0]);
    for (const auto* at = begin + start; static_cast<std::size_t>(end - at) >= bytes.size(); ++at) {
        at = static_cast<const std::uint8_t*>(
            std::memchr(at, first, static_cast<std::size_t>(end - at) - bytes.size() + 1));
        if (at == nullptr)
            return -1;
        if (std::memcmp(at, bytes.data(), bytes.size()) == 0)
            return at - begin;
    }
    return -1;
}

void TIdBuffer::CheckTaking(std::size_t count) const {
    if (count > size_)
        throw EIdNotEnoughDataInBuffer("Not enough data in buffer. (" + std::to_string(count) +
                                       "/" + std::to_string(size_) + ")");
}

std::string TIdBuffer::ExtractToString(std::size_t count) {
    CheckTaking(count);
    std::string bytes(reinterpret_cast<const char*>(Data()), count);
    Remove(count);
    return bytes;
}

void TIdBuffer::ExtractToStream(TStream& stream, std::size_t count) {
    CheckTaking(count);
    stream.Write(Data(), count);
    Remove(count);
}

void TIdBuffer::Remove(std::size_t count) {
    if (count >= size_) {
        Clear();
        return;
    }
    head_ += count;
    size_ -= count;
    if (head_ <= kChunkSize)
        return;
    Compact();
    // Give back room that a large burst left behind.
    if (capacity_ - size_ > kChunkSize) {
        std::unique_ptr<std::uint8_t[]> cut(new std::uint8_t[size_ + kChunkSize]);
        std::memcpy(cut.get(), storage_.get(), size_);
        storage_ = std::move(cut);
        capacity_ = size_ + kChunkSize;
    }
}

void TIdBuffer::Clear() {
    storage_.reset();
    capacity_ = 0;
    head_ = 0;
    size_ = 0;
}
