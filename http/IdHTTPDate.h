#pragma once
// HTTP dates <-> date-time values (days since 30 December 1899, time of day as fraction, UTC).

#include <string>

// 0 for a text that is not a date in one of the three HTTP forms.
double ParseHttpDate(const std::string& text);
// The preferred form, e.g. "Sun, 06 Nov 1994 08:49:37 GMT".
std::string FormatHttpDate(double dateTime);
// The current moment as a date-time value.
double NowUtc();
