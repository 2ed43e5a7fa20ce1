#pragma once
// Byte streams the HTTP client reads bodies into. Callers own them.

#include <cstddef>
#include <cstdint>
#include <vector>

class TStream {
public:
    virtual ~TStream() = default;
    virtual std::int64_t Size() const = 0;
    virtual void SetSize(std::int64_t size) = 0;
    virtual std::int64_t Position() const = 0;
    virtual void SetPosition(std::int64_t position) = 0;
    // Writes at the position, growing the stream as needed, and advances the position.
    virtual void Write(const std::uint8_t* data, std::size_t count) = 0;
    // Reads from the position; returns the count actually read.
    virtual std::size_t Read(std::uint8_t* data, std::size_t count) = 0;
};

class TMemoryStream : public TStream {
public:
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
    void SetSize(std::int64_t size) override;
    std::int64_t Position() const override { return position_; }
    void SetPosition(std::int64_t position) override;
    void Write(const std::uint8_t* data, std::size_t count) override;
    std::size_t Read(std::uint8_t* data, std::size_t count) override;

    // Empties the stream: size 0, position 0.
    void Clear();
    const std::uint8_t* Memory() const { return data_.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
    std::int64_t position_ = 0;
};
