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
    // A hint before writing up to `needed` bytes of a body announced to end at `expected`
    // (-1: unknown). The announcement comes from the peer and must not be trusted blindly.
    virtual void Reserve(std::int64_t needed, std::int64_t expected) {
        (void)needed;
        (void)expected;
    }
};

class TMemoryStream : public TStream {
public:
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
    void SetSize(std::int64_t size) override;
    std::int64_t Position() const override { return position_; }
    void SetPosition(std::int64_t position) override;
    void Write(const std::uint8_t* data, std::size_t count) override;
    std::size_t Read(std::uint8_t* data, std::size_t count) override;
    // Grows the capacity geometrically, never past the announced end, so a known length costs
    // no final doubling while a false one costs at most twice what really arrived.
    void Reserve(std::int64_t needed, std::int64_t expected) override;

    // Empties the stream: size 0, position 0.
    void Clear();
    const std::uint8_t* Memory() const { return data_.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
    std::int64_t position_ = 0;
};

// Drops every byte written to it.
class TIdDiscardStream : public TStream {
public:
    std::int64_t Size() const override { return 0; }
    void SetSize(std::int64_t) override {}
    std::int64_t Position() const override { return 0; }
    void SetPosition(std::int64_t) override {}
    void Write(const std::uint8_t*, std::size_t) override {}
    std::size_t Read(std::uint8_t*, std::size_t) override { return 0; }
};
