#pragma once
// The stored integer-text rule: leading blanks, an optional sign, then decimal digits or
// hexadecimal ones after "$", "x" or "0x" (either case); nothing may follow; 32-bit range.

#include <QString>

#include <cstdint>
#include <optional>

std::optional<std::int32_t> IntegerText(const QString& text);

inline std::int32_t IntegerTextOr(const QString& text, std::int32_t fallback) {
    return IntegerText(text).value_or(fallback);
}
