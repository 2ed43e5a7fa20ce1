#pragma once
// Text helpers of the presence queries, the watched list and the settings file.

#include <QString>

#include <cstdint>

std::int32_t HexToInt(const QString& text);
int PosNoCase(const QString& needle, const QString& haystack, int options);
QString UrlEncode(const QString& text);

// Leading and trailing characters of code 32 or less removed.
QString TrimControl(const QString& text);
// Only the letters A to Z folded to lower case; no other character changes.
QString LowerAscii(const QString& text);
// Foreign text (a server's words, a name from the settings file) as a tooltip: Qt reads a tooltip
// that looks like markup as markup, this one never. Empty stays empty: no tooltip.
QString PlainToolTip(const QString& text);
