#pragma once
// A buddy's status code and its word.

#include <QString>

#include <cstdint>

using TBuddyStatus = std::uint8_t;

constexpr TBuddyStatus bsOnline = 0;
constexpr TBuddyStatus bsOffline = 1;
constexpr TBuddyStatus bsInvisible = 2;
constexpr TBuddyStatus bsNotScanned = 254;
constexpr TBuddyStatus bsError = 255;

// Writes the word of the code in the current language into `dest`; a code without a word
// leaves `dest` as it was.
void StatusText(TBuddyStatus code, QString& dest);

// The English word of a code whatever the language in force ("code N" for a code without a
// word), as exports write it.
QString EnglishStatusWord(int code);
