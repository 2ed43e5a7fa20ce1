#pragma once
// Reads values from the bytes of an INI file with the private-profile rules: section and key
// names match without regard to letter case, blanks around a value and one pair of enclosing
// quotation marks are dropped, and at most 2047 characters of a value are seen.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class TProfileReader {
public:
    // UTF-16 with a byte-order mark (either order); otherwise 8-bit text, taken as UTF-8 when it
    // is valid UTF-8 and as Latin-1 when it is not.
    explicit TProfileReader(const QByteArray& bytes);

    // The value, or nullopt when the section or the key is absent.
    std::optional<QString> Find(const QString& section, const QString& key) const;
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    std::int32_t ReadInteger(const QString& section, const QString& key, std::int32_t def) const;

    static constexpr qsizetype MaxValueLength = 2047;

private:
    struct Entry {
        QString Section;
        QString Key;
        QString Value;
    };
    std::vector<Entry> entries_;
};

// The profile integer rule: "0x"/"0X" and at least one more character is hexadecimal, otherwise
// an optionally signed decimal number, or hexadecimal after "$".
std::optional<std::int32_t> ProfileInteger(const QString& text);
