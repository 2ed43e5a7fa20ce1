#pragma once
// The client's text conversions between bytes and UTF-16 text.

#include <cstddef>
#include <cstdint>
#include <string>

enum TTextEncoding {
    teNone, // no encoding given: every conversion refuses it
    te7Bit, // US-ASCII; bytes above 0x7F decode to '?', characters above 0x7F encode to '?'
    teUTF8, // malformed sequences decode to U+FFFD
    te8Bit  // byte n <-> character n
};

std::u16string DecodeText(const std::uint8_t* data, std::size_t count, TTextEncoding encoding);
std::u16string DecodeText(const std::string& bytes, TTextEncoding encoding);
std::string EncodeText(const std::u16string& text, TTextEncoding encoding);
