#include "shell/uStrUtils.h"

#include <cstdint>

namespace {

constexpr int kNoSecondTry = 8;

bool IsUrlSafe(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return true;
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        return true;
    switch (c) {
    case u'&':
    case u'-':
    case u'.':
    case u'/':
    case u':':
    case u';':
    case u'=':
    case u'?':
    case u'_':
        return true;
    default:
        return false;
    }
}

} // namespace

std::int32_t HexToInt(const QString& text) {
    static const QString digits = QStringLiteral("0123456789ABCDEF");
    // Unsigned arithmetic so that overflow wraps as 32-bit two's complement.
    std::uint32_t result = 0;
    for (const QChar c : QStringView(text).left(8)) {
        const int p = PosNoCase(QString(c), digits, 0);
        result = result * 16u + static_cast<std::uint32_t>(p - 1);
    }
    return static_cast<std::int32_t>(result);
}

int PosNoCase(const QString& needle, const QString& haystack, int options) {
    const int found = static_cast<int>(haystack.indexOf(needle)) + 1;
    if (found != 0 || (options & kNoSecondTry) != 0)
        return found;
    return static_cast<int>(LowerAscii(haystack).indexOf(LowerAscii(needle))) + 1;
}

QString UrlEncode(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (IsUrlSafe(unit))
            result += c;
        else
            result += QLatin1Char('%') + QStringLiteral("%1")
                                             .arg(static_cast<uint>(unit), 2, 16, QLatin1Char('0'))
                                             .toUpper();
    }
    return result;
}

QString TrimControl(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

QString LowerAscii(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return result;
}

// Escaped into a paragraph that keeps its spaces and breaks, as Qt's own plain-text conversion
// does; written here because that conversion lives in Qt Gui.
QString PlainToolTip(const QString& text) {
    if (text.isEmpty())
        return {};
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return QStringLiteral("<p style='white-space:pre'>") + escaped + QStringLiteral("</p>");
}
