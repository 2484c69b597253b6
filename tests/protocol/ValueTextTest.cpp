#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>
#include <utility>

#include "protocol/LocalClock.h"
#include "protocol/ValueText.h"

namespace quillet {
namespace {

// Sets today's date for one scope.
struct FixedToday {
    FixedToday(int y, int m, int d) {
        setLocalClock([=] { return LocalDateTime{y, m, d}; });
    }
    ~FixedToday() { setLocalClock({}); }
};

// A year of 0 stands for this year; a date is valid exactly when it has a weekday.
TEST(ValueText, Calendar) {
    FixedToday today(2005, 6, 15);
    using Row = std::tuple<int, int, int, bool, int>;  // date, valid day of month, weekday
    for (auto [day, month, year, dayOfMonth, weekday] :
         {Row{29, 2, 0, true, -1}, Row{1, 1, 0, true, 6}, Row{29, 2, 2004, true, 0},
          Row{29, 2, 2001, true, -1}, Row{31, 4, 0, false, -1}, Row{31, 12, 9999, true, 5},
          Row{1, 1, 10000, true, -1}, Row{29, 2, 4, true, 0}, Row{29, 2, 1, true, -1},
          Row{29, 2, 1900, true, -1}, Row{29, 2, 2000, true, 2}, Row{0, 1, 2005, false, -1},
          Row{1, 13, 2005, false, -1}, Row{-1, 1, 2005, false, -1}, Row{1, 1, -1, false, -1},
          Row{1, 1, 2001, true, 1}, Row{15, 6, 2005, true, 3}, Row{1, 1, 1971, true, 5},
          Row{1, 1, 1, true, 1}}) {
        SCOPED_TRACE(testing::Message() << day << "." << month << "." << year);
        EXPECT_EQ(isValidDayOfMonth(day, month, year), dayOfMonth);
        EXPECT_EQ(isValidDate(day, month, year), weekday >= 0);
        EXPECT_EQ(weekdayOf(day, month, year), weekday);
    }
    using Year = std::pair<double, int>;
    for (auto [yy, year] : {Year{70, 2070}, Year{71, 1971}, Year{0, 2000}, Year{99, 1999},
                            Year{-1, -1}, Year{100, -1}}) {
        EXPECT_EQ(fullYear(yy), year) << yy;
    }
    EXPECT_TRUE(isValidTime(23, 59, 59));
    EXPECT_FALSE(isValidTime(24, 0, 0) || isValidTime(-1, 0, 0));
    EXPECT_EQ(daysInMonth(13), -1);
    EXPECT_EQ(daysInMonth(0), -1);
    // The day after: February's length follows this year.
    using Step = std::array<int, 5>;  // this year, day, month, next day, next month
    for (auto [year, day, month, nextDay, nextMonth] :
         {Step{2004, 28, 2, 29, 2}, Step{2005, 28, 2, 1, 3}, Step{2005, 31, 12, 1, 1}}) {
        FixedToday thisYear(year, 2, 1);
        std::pair next{day, month};
        advanceDay(next.first, next.second);
        EXPECT_EQ(next, std::pair(nextDay, nextMonth)) << year;
        EXPECT_EQ(currentMonth(), 2);
    }
}

// Typed times and dates; the outputs are checked only when the text is valid, and the
// short forms leave the third output alone.
TEST(ValueText, TypedTimesAndDates) {
    FixedToday today(2005, 6, 15);
    using Parse = bool (*)(std::string_view, int&, int&, int&);
    const Parse hm = [](std::string_view t, int& h, int& m, int&) {
        return parseHourMinute(t, h, m);
    };
    const Parse dm = [](std::string_view t, int& d, int& m, int&) {
        return parseDayMonth(t, d, m);
    };
    const Parse hms = parseHourMinuteSecond;
    const Parse dmy = parseDayMonthYear;
    struct Row {
        Parse parse;
        std::string_view text;
        bool valid = false;
        int a = 0, b = 0, c = -5;
    };
    for (const Row& r : {Row{hm, "7:05", true, 7, 5}, Row{hm, "7:5", true, 7, 5}, Row{hm, "24:00"},
                         Row{hm, "7:60"}, Row{hm, "7:05:00"}, Row{hm, "123:4"}, Row{hm, ":05"},
                         Row{hm, "7:05 "}, Row{hms, "23:59:59", true, 23, 59, 59},
                         Row{hms, "1:2:3", true, 1, 2, 3}, Row{hms, "1:2:60"}, Row{hms, "1:2"},
                         // dates take ".", "/" or "\" between their numbers
                         Row{dmy, "8.3.2004", true, 8, 3, 2004}, Row{dmy, "8/03/04", true, 8, 3, 4},
                         Row{dmy, "8\\3.2004", true, 8, 3, 2004}, Row{dmy, "29/02/01"},
                         Row{dmy, "8.3.0", true, 8, 3, 0}, Row{dmy, "29.2.0"},
                         Row{dmy, "8.3.20045"}, Row{dmy, "8-3-2004"}, Row{dmy, "8.3"},
                         Row{dm, "29.2", true, 29, 2}, Row{dm, "31/4"}, Row{dm, "8.3."}}) {
        std::array<int, 3> out{-5, -5, -5};
        EXPECT_EQ(r.parse(r.text, out[0], out[1], out[2]), r.valid) << r.text;
        if (r.valid) {
            EXPECT_EQ(out, (std::array{r.a, r.b, r.c})) << r.text;
        }
    }
}

TEST(ValueText, Formats) {
    EXPECT_EQ(formatEventTime(9, 5, 7, 3, 15, 6, 2005), "9:05:07 ср 15/06/2005");
    EXPECT_EQ(formatEventTime(0, 0, 0, 7, 1, 1, 2000), "0:00:00 пр 1/01/2000");
    EXPECT_EQ(formatTime(12, 3, 4), "12:03:04");
    EXPECT_EQ(formatHourMinute(7, 5), "7:05");
    using Row = std::tuple<double, int, std::string_view>;
    for (auto [value, precision, text] :
         {Row{51.1, 6, "51.1"}, Row{15000, 6, "15000"}, Row{1e6, 6, "1e+06"}, Row{0.1, 6, "0.1"},
          Row{123456.789, 8, "123456.79"}, Row{-1, 6, "-1"}}) {
        EXPECT_EQ(formatDouble(value, precision), text);
    }
}

TEST(ValueText, EditFieldNumbers) {
    using Int = std::pair<std::string_view, int>;
    for (auto [text, value] :
         {Int{"", -1}, Int{"12a", -1}, Int{"-7", -7}, Int{"42", 42}, Int{" 42", 42},
          Int{"2147483646", 2147483646}, Int{"2147483647", -1}, Int{"-2147483648", -1},
          Int{"99999999999", -1}, Int{"+3", 3}, Int{"-", -1}}) {
        EXPECT_EQ(textAsInt(text), value) << text;
    }
    for (auto [text, value] :
         {Int{"", 0}, Int{"12abc", 12}, Int{"  -3", -3}, Int{"x1", 0},
          Int{"99999999999", 2147483647}, Int{"-99999999999", -2147483647 - 1}}) {
        EXPECT_EQ(leadingInt(text), value) << text;
    }
    using Double = std::pair<std::string_view, double>;
    for (auto [text, value] : {Double{"", -1}, Double{"4.1", 4.1}, Double{"1e999", -1},
                               Double{"4,1", -1}, Double{"-2.5", -2.5}, Double{"0", 0}}) {
        EXPECT_EQ(textAsDouble(text), value) << text;
    }
}

TEST(ValueText, DataFileLines) {
    const std::string longZeros = std::string(600, '0') + "1";
    using Number = std::pair<std::string_view, std::optional<double>>;
    for (auto [line, value] :
         {Number{"123457", 123457}, Number{"  -1 trailing words", -1}, Number{"\t2.5e3x", 2500},
          Number{"+7", 7}, Number{"1e999", HUGE_VAL}, Number{longZeros, 1},
          Number{"", std::nullopt}, Number{"   ", std::nullopt}, Number{"kWh 5", std::nullopt},
          Number{"-", std::nullopt}}) {
        EXPECT_EQ(scanDouble(line), value) << line;
    }
    using Row = std::tuple<std::string_view, int, int, int>;  // line, count, day, month
    for (auto [line, count, day, month] :
         {Row{"29/02", 2, 29, 2}, Row{"7/1", 2, 7, 1}, Row{" 7/ 3", 2, 7, 3},
          Row{"1/123", 2, 1, 12}, Row{"0/00", 2, 0, 0}, Row{"7/", 1, 7, -5}, Row{"7-3", 1, 7, -5},
          Row{"/3", 0, -5, -5}, Row{"", 0, -5, -5}, Row{"99999999999/1", 2, 2147483647, 1}}) {
        std::pair out{-5, -5};  // left alone where the line gives no number
        EXPECT_EQ(scanDayMonth(line, out.first, out.second), count) << line;
        EXPECT_EQ(out, std::pair(day, month)) << line;
    }
    // Blanks in the format take any run of blanks, none too; other characters must match.
    using Scan = std::tuple<std::string_view, std::string_view, std::vector<double>>;
    for (const auto& [line, format, values] :
         {Scan{"8:30  12:05 7", "%d:%2d %d:%2d %d", {8, 30, 12, 5, 7}},
          Scan{"8:305", "%d:%2d %d", {8, 30, 5}}, Scan{"8.30", "%d:%2d", {8}},
          Scan{"1.5e2 1 x", "%lg %d", {150, 1}}, Scan{"1.5", "%lg %d", {1.5}},
          Scan{"", "%d", {}}}) {
        std::array<double, 5> out{};
        const int count = scanLine(line, format, out);
        EXPECT_EQ(std::vector<double>(out.begin(), out.begin() + count), values) << line;
    }
}

}  // namespace
}  // namespace quillet
