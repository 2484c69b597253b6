#include "protocol/ValueText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "protocol/LocalClock.h"

namespace quillet {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLeapYear(long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int currentYear() {
    return localNow().year;
}

// printf into a std::string.
template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, args...);
    if (n < 0) {
        return {};
    }
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        return std::string(buffer, static_cast<std::size_t>(n));
    }
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), pattern, args...);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

// Reads a run of 1..maxDigits digits at `pos`; empty when there is none.
std::optional<int> readNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits) {
    int value = 0;
    std::size_t digits = 0;
    while (digits < maxDigits && pos < text.size() && isDigit(text[pos])) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return value;
}

bool readChar(std::string_view text, std::size_t& pos, std::string_view accepted) {
    if (pos < text.size() && accepted.find(text[pos]) != std::string_view::npos) {
        ++pos;
        return true;
    }
    return false;
}

constexpr std::string_view kDateSeparators = "./\\";

// Hex digits only, at most eight: a 32-bit value.
bool readHexPart(std::string_view part, std::uint32_t& value) {
    value = 0;
    for (char c : part) {
        const int digit = hexDigitValue(c);
        if (digit < 0) {
            return false;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

}  // namespace

double readDigits(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos > text.size() || count > text.size() - pos) {
        return -1;
    }
    double value = 0;
    double weight = 1;
    for (std::size_t i = count; i-- > 0;) {
        const char c = text[pos + i];
        if (!isDigit(c)) {
            return -1;
        }
        value += (c - '0') * weight;
        weight *= 10;
    }
    return value;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

int hexByteValue(char high, char low) {
    const int h = hexDigitValue(high);
    const int l = hexDigitValue(low);
    return h < 0 || l < 0 ? -1 : h * 16 + l;
}

bool readHex48(std::string_view text, std::size_t count, std::uint32_t& high, std::uint32_t& low) {
    high = 0;
    low = 0;
    // More than 16 digits cannot fit the two parts; no reply uses more than 12.
    if (count == 0 || count > text.size() || count > 16) {
        return false;
    }
    const std::string_view digits = text.substr(0, count);
    if (count > 8) {
        return readHexPart(digits.substr(0, count - 8), high) &&
               readHexPart(digits.substr(count - 8), low);
    }
    return readHexPart(digits, low);
}

bool isValidTime(double hours, double minutes, double seconds) {
    return hours >= 0 && hours < 24 && minutes >= 0 && minutes < 60 && seconds >= 0 && seconds < 60;
}

bool isValidWeekday(double weekday) {
    return weekday >= 0 && weekday < 8;
}

bool isTwoDigit(double value) {
    return value >= 0 && value <= 99;
}

bool isValidDayOfMonth(double day, double month, double year) {
    if (!(day >= 1 && day <= 31 && month >= 1 && month <= 12 && year >= 0)) {
        return false;
    }
    return day <= DaysInMonthTable[static_cast<std::size_t>(month)];
}

bool isValidDate(double day, double month, double year) {
    if (!(day >= 1 && day <= 31 && month >= 1 && month <= 12 && year >= 0 && year <= 9999)) {
        return false;
    }
    // Whole numbers only: the checks above let 1.5 through.
    if (day != std::floor(day) || month != std::floor(month) || year != std::floor(year)) {
        return false;
    }
    const long y = year == 0 ? currentYear() : static_cast<long>(year);
    const int m = static_cast<int>(month);
    int days = DaysInMonthTable[static_cast<std::size_t>(m)];
    if (m == 2 && !isLeapYear(y)) {
        days = 28;
    }
    return day <= days;
}

int fullYear(double twoDigitYear) {
    if (!(twoDigitYear >= 0 && twoDigitYear <= 99)) {
        return -1;
    }
    const int yy = static_cast<int>(twoDigitYear);
    return yy > 70 ? 1900 + yy : 2000 + yy;
}

int weekdayOf(int day, int month, int year) {
    if (year == 0) {
        year = currentYear();
    }
    if (!isValidDate(day, month, year)) {
        return -1;
    }
    // Sakamoto's method on the proleptic Gregorian calendar; 0 is Sunday.
    static constexpr int kMonthOffset[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int y = month < 3 ? year - 1 : year;
    const int weekday = (y + y / 4 - y / 100 + y / 400 + kMonthOffset[month - 1] + day) % 7;
    return weekday < 0 ? weekday + 7 : weekday;
}

int daysInMonth(int month) {
    if (month < 1 || month > 12) {
        return -1;
    }
    if (month == 2) {
        return currentYear() % 4 == 0 ? 29 : 28;
    }
    return DaysInMonthTable[static_cast<std::size_t>(month)];
}

int currentMonth() {
    return localNow().month;
}

int nextMonth(int month) {
    return month + 1 > 12 ? 1 : month + 1;
}

void advanceDay(int& day, int& month) {
    ++day;
    if (day > daysInMonth(month)) {
        day = 1;
        month = nextMonth(month);
    }
}

bool parseHourMinute(std::string_view text, int& hours, int& minutes) {
    hours = minutes = 0;
    std::size_t pos = 0;
    const auto h = readNumber(text, pos, 2);
    if (!h || !readChar(text, pos, ":")) {
        return false;
    }
    const auto m = readNumber(text, pos, 2);
    if (!m || pos != text.size()) {
        return false;
    }
    hours = *h;
    minutes = *m;
    return isValidTime(hours, minutes, 0);
}

bool parseHourMinuteSecond(std::string_view text, int& hours, int& minutes, int& seconds) {
    hours = minutes = seconds = 0;
    std::size_t pos = 0;
    const auto h = readNumber(text, pos, 2);
    if (!h || !readChar(text, pos, ":")) {
        return false;
    }
    const auto m = readNumber(text, pos, 2);
    if (!m || !readChar(text, pos, ":")) {
        return false;
    }
    const auto s = readNumber(text, pos, 2);
    if (!s || pos != text.size()) {
        return false;
    }
    hours = *h;
    minutes = *m;
    seconds = *s;
    return isValidTime(hours, minutes, seconds);
}

bool parseDayMonth(std::string_view text, int& day, int& month) {
    day = month = 0;
    std::size_t pos = 0;
    const auto d = readNumber(text, pos, 2);
    if (!d || !readChar(text, pos, kDateSeparators)) {
        return false;
    }
    const auto m = readNumber(text, pos, 2);
    if (!m || pos != text.size()) {
        return false;
    }
    day = *d;
    month = *m;
    return isValidDayOfMonth(day, month, 0);
}

bool parseDayMonthYear(std::string_view text, int& day, int& month, int& year) {
    day = month = year = 0;
    std::size_t pos = 0;
    const auto d = readNumber(text, pos, 2);
    if (!d || !readChar(text, pos, kDateSeparators)) {
        return false;
    }
    const auto m = readNumber(text, pos, 2);
    if (!m || !readChar(text, pos, kDateSeparators)) {
        return false;
    }
    const auto y = readNumber(text, pos, 4);
    if (!y || pos != text.size()) {
        return false;
    }
    day = *d;
    month = *m;
    year = *y;
    return isValidDate(day, month, year);
}

std::string formatEventTime(int hours, int minutes, int seconds, int weekday, int day, int month,
                            int year) {
    const std::string name = weekday >= 0 && weekday < 8
                                 ? std::string(WeekdayNames[static_cast<std::size_t>(weekday)])
                                 : std::string();
    return format("%d:%02d:%02d %s %d/%02d/%d", hours, minutes, seconds, name.c_str(), day, month,
                  year);
}

std::string formatTime(int hours, int minutes, int seconds) {
    return format("%d:%02d:%02d", hours, minutes, seconds);
}

std::string formatHourMinute(int hours, int minutes) {
    return format("%d:%02d", hours, minutes);
}

std::string formatDouble(double value, int precision) {
    return format("%.*g", precision, value);
}

int textAsInt(std::string_view text) {
    if (text.empty()) {
        return -1;
    }
    const std::string copy(text);
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(copy.c_str(), &end, 10);
    if (end != copy.c_str() + copy.size()) {
        return -1;
    }
    // A 32-bit strtol clamps to its ends on overflow; those values mean "too big".
    if (value >= INT32_MAX || value <= INT32_MIN) {
        return -1;
    }
    return static_cast<int>(value);
}

double textAsDouble(std::string_view text) {
    if (text.empty()) {
        return -1.0;
    }
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || value == HUGE_VAL) {
        return -1.0;
    }
    return value;
}

int leadingInt(std::string_view text) {
    const std::string copy(text);
    const long long value = std::strtoll(copy.c_str(), nullptr, 10);
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int>(value);
}

std::string intText(int value) {
    return std::to_string(value);
}

namespace {

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

void skipBlanks(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
}

// "%d" with a field width (0: none) counting sign and digits after the blanks.
std::optional<double> scanInt(std::string_view text, std::size_t& pos, std::size_t width) {
    std::size_t i = pos;
    skipBlanks(text, i);
    const std::size_t limit = width == 0 ? text.size() : std::min(text.size(), i + width);
    bool negative = false;
    if (i < limit && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    bool any = false;
    for (; i < limit && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL << 32);
        any = true;
    }
    if (!any) {
        return std::nullopt;
    }
    pos = i;
    return static_cast<double>(
        std::clamp<long long>(negative ? -value : value, INT32_MIN, INT32_MAX));
}

std::optional<double> scanFloat(std::string_view text, std::size_t& pos) {
    const std::string copy(text.substr(pos));  // strtod needs the terminating NUL
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str()) {
        return std::nullopt;
    }
    pos += static_cast<std::size_t>(end - copy.c_str());
    return value;
}

}  // namespace

int scanLine(std::string_view line, std::string_view format, std::span<double> values) {
    std::size_t pos = 0;
    std::size_t count = 0;
    for (std::size_t f = 0; f < format.size() && count < values.size();) {
        const char c = format[f];
        if (isBlank(c)) {
            skipBlanks(line, pos);
            ++f;
            continue;
        }
        if (c != '%') {
            if (pos >= line.size() || line[pos] != c) {
                break;
            }
            ++pos;
            ++f;
            continue;
        }
        std::size_t width = 0;
        for (++f; f < format.size() && format[f] >= '0' && format[f] <= '9'; ++f) {
            width = width * 10 + static_cast<std::size_t>(format[f] - '0');
        }
        std::optional<double> value;
        if (format.substr(f, 2) == "lg") {
            value = scanFloat(line, pos);
            f += 2;
        } else {
            value = scanInt(line, pos, width);
            ++f;  // 'd'
        }
        if (!value) {
            break;
        }
        values[count++] = *value;
    }
    return static_cast<int>(count);
}

std::optional<double> scanDouble(std::string_view line) {
    double value = 0;
    if (scanLine(line, "%lg", std::span(&value, 1)) == 0) {
        return std::nullopt;
    }
    return value;
}

int scanDayMonth(std::string_view line, int& day, int& month) {
    std::array<double, 2> values{};
    const int count = scanLine(line, "%d/%2d", values);
    if (count > 0) {
        day = static_cast<int>(values[0]);
    }
    if (count > 1) {
        month = static_cast<int>(values[1]);
    }
    return count;
}

}  // namespace quillet
