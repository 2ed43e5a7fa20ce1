#pragma once
// Letter case of protocol text (schemes, header names, tokens). ASCII only and independent of
// the C locale, which a desktop program takes from the user's environment: under some locales
// the standard case functions map 'i' to a letter outside ASCII.

#include <string>
#include <string_view>

char AsciiUpper(char c);
char AsciiLower(char c);
std::string AsciiUpper(std::string text);
std::string AsciiLower(std::string text);
// Equal but for the case of ASCII letters.
bool SameText(std::string_view a, std::string_view b);
