#include "http/IdTextEncoding.h"

#include "http/IdExceptions.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, std::uint32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

// Length of the sequence a lead byte announces, 0 for a byte that cannot lead.
int SequenceLength(std::uint8_t lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Decodes one sequence at data[i]; on a malformed one consumes only the bad prefix.
std::size_t DecodeOne(const std::uint8_t* data, std::size_t count, std::size_t i,
                      std::u16string& out) {
    const int length = SequenceLength(data[i]);
    if (length == 0) {
        out.push_back(kReplacement);
        return 1;
    }
    std::uint32_t cp = length == 1 ? data[i] : data[i] & (0x7F >> length);
    std::size_t n = 1;
    for (; n < static_cast<std::size_t>(length); ++n) {
        if (i + n >= count || (data[i + n] & 0xC0) != 0x80) {
            out.push_back(kReplacement);
            return n;
        }
        cp = (cp << 6) | (data[i + n] & 0x3F);
    }
    static constexpr std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid = cp >= kMinimum[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (valid)
        AppendCodePoint(out, cp);
    else
        out.push_back(kReplacement);
    return n;
}

std::u16string DecodeUtf8(const std::uint8_t* data, std::size_t count) {
    std::u16string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count;)
        i += DecodeOne(data, count, i, out);
    return out;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string EncodeUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = text[i];
        const bool pair = cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (pair)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = kReplacement; // a lone surrogate has no UTF-8 form
        AppendUtf8(out, cp);
    }
    return out;
}

} // namespace

std::u16string DecodeText(const std::uint8_t* data, std::size_t count, TTextEncoding encoding) {
    switch (encoding) {
    case te7Bit:
    case te8Bit: {
        std::u16string out(count, u'\0');
        const char16_t limit = encoding == te7Bit ? 0x80 : 0x100;
        for (std::size_t i = 0; i < count; ++i)
            out[i] = data[i] < limit ? data[i] : u'?';
        return out;
    }
    case teUTF8:
        return DecodeUtf8(data, count);
    case teNone:
        break;
    }
    throw EIdNoEncodingSpecified();
}

std::u16string DecodeText(const std::string& bytes, TTextEncoding encoding) {
    return DecodeText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), encoding);
}

std::string EncodeText(const std::u16string& text, TTextEncoding encoding) {
    switch (encoding) {
    case te7Bit:
    case te8Bit: {
        std::string out(text.size(), '\0');
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            out[i] = static_cast<char>(encoding == te8Bit ? c & 0xFF : (c < 0x80 ? c : u'?'));
        }
        return out;
    }
    case teUTF8:
        return EncodeUtf8(text);
    case teNone:
        break;
    }
    throw EIdNoEncodingSpecified();
}
