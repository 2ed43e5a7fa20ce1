#pragma once
// The integer-text rules: the stored one and the interval box's.

#include <QString>

#include <cstdint>
#include <optional>

// Stored values: leading blanks, an optional sign, then decimal digits or hexadecimal ones after
// "$", "x" or "0x" (either case); nothing may follow; 32-bit range.
std::optional<std::int32_t> IntegerText(const QString& text);

inline std::int32_t IntegerTextOr(const QString& text, std::int32_t fallback) {
    return IntegerText(text).value_or(fallback);
}

// The text of an interval box read as a decimal integer; `fallback` when it does not parse.
int ParseInterval(const QString& text, int fallback);
