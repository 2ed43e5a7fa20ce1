#include "shell/IntegerText.h"

#include <limits>

namespace {

int DigitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

// Length of the hexadecimal prefix at `pos` ("$", "x", "X", "0x", "0X"), or 0 when none.
qsizetype HexPrefixLength(const QString& text, qsizetype pos) {
    if (pos >= text.size())
        return 0;
    const QChar c = text[pos];
    if (c == u'$' || c == u'x' || c == u'X')
        return 1;
    if (c == u'0' && pos + 1 < text.size() && (text[pos + 1] == u'x' || text[pos + 1] == u'X'))
        return 2;
    return 0;
}

} // namespace

std::optional<std::int32_t> IntegerText(const QString& text) {
    qsizetype pos = 0;
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    const qsizetype prefix = HexPrefixLength(text, pos);
    const int base = prefix > 0 ? 16 : 10;
    pos += prefix;
    if (pos >= text.size())
        return std::nullopt;
    // The magnitude of the most negative value is one above the largest positive one.
    const std::int64_t limit =
        static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0);
    std::int64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos], base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

int ParseInterval(const QString& text, int fallback) {
    qsizetype i = 0;
    // Leading blanks are skipped, as a typical string-to-integer reading does; trailing ones are
    // not.
    while (i < text.size() && text.at(i).unicode() <= 32)
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return fallback;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return fallback;
        value = value * 10 + (c - u'0');
        if (value > static_cast<qint64>(std::numeric_limits<int>::max()) + 1)
            return fallback;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max())
        return fallback;
    return static_cast<int>(value);
}
