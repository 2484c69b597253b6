#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillet {

// Day types and weekdays: 0 Sunday .. 6 Saturday, 7 holiday. UTF-8.
inline constexpr std::array<std::string_view, 8> WeekdayNames = {"вс", "пн", "вт", "ср",
                                                                 "чт", "пт", "сб", "пр"};
inline constexpr std::array<std::string_view, 12> MonthNames = {
    "январь", "февраль", "март",     "апрель",  "май",    "июнь",
    "июль",   "август",  "сентябрь", "октябрь", "ноябрь", "декабрь"};
// Indexed by month 1..12 (index 0 unused). February has 29 so that a day and month
// without a year accept 29 February.
inline constexpr std::array<int, 13> DaysInMonthTable = {0,  31, 29, 31, 30, 31, 30,
                                                         31, 31, 30, 31, 30, 31};

// --- Digit groups of reply text -------------------------------------------------------

// The `count` characters from `pos` as a decimal number; -1 when any of them is not a
// digit or lies past the end of the text (the lenient reading).
double readDigits(std::string_view text, std::size_t pos, std::size_t count);
// '0'..'9', 'A'..'F', 'a'..'f' give 0..15, anything else -1.
int hexDigitValue(char c);
// Two hexadecimal digits, high nibble first; -1 when either is not one.
int hexByteValue(char high, char low);
// The first `count` characters of `text` as a number of up to 48 bits: the last eight
// into `low`, the ones before into `high`. Both start at 0. Only hexadecimal digits are
// accepted (no sign, blank or prefix); false otherwise or when the text is too short.
bool readHex48(std::string_view text, std::size_t count, std::uint32_t& high, std::uint32_t& low);

// --- Range checks (a missing group, -1, fails them) -----------------------------------

bool isValidTime(double hours, double minutes, double seconds);
bool isValidWeekday(double weekday);  // 0..7
bool isTwoDigit(double value);        // 0..99
// Day and month against DaysInMonthTable; the year (>= 0) takes no further part.
bool isValidDayOfMonth(double day, double month, double year);
// A real Gregorian date with a year up to 9999; a year of 0 stands for the current year.
bool isValidDate(double day, double month, double year);

// --- Calendar --------------------------------------------------------------------------

// Two-digit year to four digits: 71..99 -> 19xx, 00..70 -> 20xx; -1 outside 0..99.
int fullYear(double twoDigitYear);
// 0 Sunday .. 6 Saturday, -1 when the date does not exist; a year of 0 is this year.
int weekdayOf(int day, int month, int year);
// -1 unless 1..12; February has 29 days when the current year is divisible by 4.
int daysInMonth(int month);
int currentMonth();
int nextMonth(int month);
// The next day; past the end of the month, the first of the next month.
void advanceDay(int& day, int& month);

// --- Typed times and dates (outputs are set to 0 first) -------------------------------

bool parseHourMinute(std::string_view text, int& hours, int& minutes);
bool parseHourMinuteSecond(std::string_view text, int& hours, int& minutes, int& seconds);
bool parseDayMonth(std::string_view text, int& day, int& month);
bool parseDayMonthYear(std::string_view text, int& day, int& month, int& year);

// --- Fixed formats ---------------------------------------------------------------------

// "%d:%02d:%02d %s %d/%02d/%d" with the weekday's name (empty for a weekday outside 0..7).
std::string formatEventTime(int hours, int minutes, int seconds, int weekday, int day, int month,
                            int year);
std::string formatTime(int hours, int minutes, int seconds);  // "%d:%02d:%02d"
std::string formatHourMinute(int hours, int minutes);         // "%d:%02d"
// "%.*g" as the C library writes it: "%g" and "%lg" with 6, "%.8g" with 8.
std::string formatDouble(double value, int precision = 6);

// --- Edit-field numbers ----------------------------------------------------------------

// -1 for an empty text, trailing characters, or a value outside the 32-bit range or at
// its ends (the overflow values); otherwise the value.
int textAsInt(std::string_view text);
// -1.0 for an empty text, trailing characters or +HUGE_VAL; otherwise the value.
double textAsDouble(std::string_view text);
// atoi of a field's text: leading blanks, a sign and digits; 0 when there are none.
// Values beyond 32 bits are clamped, as a 32-bit strtol would.
int leadingInt(std::string_view text);
// The decimal text of a value.
std::string intText(int value);

// --- Data-file lines --------------------------------------------------------------------
// A line read as scanf reads it with `format`: "%d" (with an optional width, "%2d"),
// "%lg", a blank for any run of blanks (none too), any other character for itself.
// Values go to `values` in order (ints clamped to 32 bits); the count of conversions that
// succeeded is returned, at most the size of `values`.
int scanLine(std::string_view line, std::string_view format, std::span<double> values);
// The leading number of a line as "%lg" reads it: blanks skipped, anything after the
// number ignored. Empty when the line holds no number.
std::optional<double> scanDouble(std::string_view line);
// "%d/%02d": day, "/", a month of at most two characters. How many of the two numbers the
// line gives; the outputs are set only for those.
int scanDayMonth(std::string_view line, int& day, int& month);

}  // namespace quillet
