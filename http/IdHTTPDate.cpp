#include "http/IdHTTPDate.h"

#include "http/IdAsciiCase.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
// Days from 1970-01-01 back to 1899-12-30.
constexpr long kUnixEpochDay = 25569;

long DaysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long>(yoe) + era * 400 + (m <= 2);
}

std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::string current;
    for (char c : text + " ") {
        if (c == ' ' || c == ',' || c == '-') {
            if (!current.empty())
                tokens.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return tokens;
}

bool IsNumber(const std::string& token) {
    return !token.empty() && token.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

double ParseHttpDate(const std::string& text) {
    int month = 0;
    std::vector<long> numbers;
    int hour = -1, minute = 0, second = 0;
    for (const std::string& token : Tokens(text)) {
        for (int i = 0; i < 12; ++i)
            if (SameText(token, kMonths[i]))
                month = i + 1;
        if (IsNumber(token) && token.size() <= 4)
            numbers.push_back(std::stol(token));
        else if (token.find(':') != std::string::npos &&
                 std::sscanf(token.c_str(), "%d:%d:%d", &hour, &minute, &second) != 3)
            return 0;
    }
    if (month == 0 || numbers.size() != 2 || hour < 0)
        return 0;
    const long day = numbers[0];
    long year = numbers[1];
    if (year < 100)
        year += year < 70 ? 2000 : 1900;
    if (day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return 0;
    const long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return static_cast<double>(days + kUnixEpochDay) +
           (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string FormatHttpDate(double dateTime) {
    const auto seconds = static_cast<long long>(std::llround(dateTime * 86400.0));
    const long days = static_cast<long>(seconds / 86400) - kUnixEpochDay;
    const auto secondOfDay = static_cast<int>(seconds % 86400);
    long year;
    unsigned month, day;
    CivilFromDays(days, year, month, day);
    const long weekday = ((days % 7) + 11) % 7; // 1970-01-01 was a Thursday
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02u %s %04ld %02d:%02d:%02d GMT", kDays[weekday], day,
                  kMonths[month - 1], year, secondOfDay / 3600, secondOfDay / 60 % 60,
                  secondOfDay % 60);
    return text;
}

double NowUtc() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const double seconds = std::chrono::duration<double>(now).count();
    return seconds / 86400.0 + kUnixEpochDay;
}
