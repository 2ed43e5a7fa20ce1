#pragma once
// Received but not yet consumed bytes (and the pending bytes of a buffered write).

#include "http/IdStream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class TIdBuffer {
public:
    static constexpr std::size_t kChunkSize = 2048;
    static constexpr std::size_t kMaxSize = 2147483647;

    std::size_t Size() const { return size_; }
    const std::uint8_t* Data() const { return storage_.get() + head_; }

    void Write(const std::uint8_t* data, std::size_t count);
    void Write(const std::string& bytes);
    // Room for `count` bytes after the unread ones, to receive into directly; Commit makes
    // the first `received` of them part of the buffer.
    std::uint8_t* Reserve(std::size_t count);
    void Commit(std::size_t received);

    // Offset of the first match at or after `start`, or -1.
    std::int64_t IndexOf(const std::string& bytes, std::size_t start) const;
    std::string ExtractToString(std::size_t count);
    void ExtractToStream(TStream& stream, std::size_t count);
    void Remove(std::size_t count);
    void Clear();

private:
    void CheckTaking(std::size_t count) const;
    void Compact();

    std::unique_ptr<std::uint8_t[]> storage_;
    std::size_t capacity_ = 0;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};
