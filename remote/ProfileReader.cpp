#include "remote/ProfileReader.h"

#include "shell/IntegerText.h"

#include <QStringDecoder>
#include <QStringList>

namespace {

QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

QString ProfileValue(const QString& raw) {
    QString value = TrimBlanks(raw);
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    return value.left(TProfileReader::MaxValueLength);
}

} // namespace

TProfileReader::TProfileReader(const QByteArray& bytes) {
    QString text = DecodeText(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1); // a UTF-8 byte-order mark
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QString section;
    bool inSection = false;
    for (const QString& rawLine : text.split(u'\n')) {
        const QString line = TrimBlanks(rawLine);
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            section = TrimBlanks(line.mid(1, close < 0 ? -1 : close - 1));
            inSection = true;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inSection || equals <= 0)
            continue;
        entries_.push_back(
            {section, TrimBlanks(line.left(equals)), ProfileValue(line.mid(equals + 1))});
    }
}

std::optional<QString> TProfileReader::Find(const QString& section, const QString& key) const {
    for (const Entry& entry : entries_) {
        if (entry.Section.compare(section, Qt::CaseInsensitive) == 0 &&
            entry.Key.compare(key, Qt::CaseInsensitive) == 0)
            return entry.Value;
    }
    return std::nullopt;
}

QString TProfileReader::ReadString(const QString& section, const QString& key,
                                   const QString& def) const {
    return Find(section, key).value_or(def);
}

std::int32_t TProfileReader::ReadInteger(const QString& section, const QString& key,
                                         std::int32_t def) const {
    const std::optional<QString> value = Find(section, key);
    if (!value)
        return def;
    return ProfileInteger(*value).value_or(def);
}

std::optional<std::int32_t> ProfileInteger(const QString& text) {
    if (text.size() >= 3 &&
        (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        const QString digits = text.mid(2);
        if (digits.front() == u'+' || digits.front() == u'-')
            return std::nullopt;
        return IntegerText(u'$' + digits);
    }
    // Only the sign and "$" may come before the digits here: no blanks, no "x" or "0x".
    const qsizetype start = (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) ? 1 : 0;
    const QString rest = text.mid(start);
    if (rest.startsWith(u' ') || rest.startsWith(u'x', Qt::CaseInsensitive) ||
        rest.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        return std::nullopt;
    return IntegerText(text);
}
