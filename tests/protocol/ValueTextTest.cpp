#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "protocol/LocalClock.h"
#include "protocol/ValueText.h"

namespace quillet {
namespace {

// Sets today's date for one test.
class FixedToday {
public:
    FixedToday(int year, int month, int day) {
        setLocalClock([=] {
            LocalDateTime now;
            now.year = year;
            now.month = month;
            now.day = day;
            return now;
        });
    }
    ~FixedToday() { setLocalClock({}); }
};

TEST(ValueText, DigitGroups) {
    for (auto [text, pos, count, value] : {std::tuple{"0A1", 0u, 3u, -1.0},
                                           {"007", 0u, 3u, 7.0},
                                           {"x12345", 1u, 5u, 12345.0},
                                           {"12", 0u, 3u, -1.0},
                                           {"12", 3u, 1u, -1.0},
                                           {"-12", 0u, 3u, -1.0},
                                           {" 12", 0u, 3u, -1.0},
                                           {"99999999", 0u, 8u, 99999999.0}}) {
        EXPECT_EQ(readDigits(text, pos, count), value) << text << " " << pos << " " << count;
    }
    for (auto [high, low, value] : {std::tuple{'0', '0', 0},
                                    {'F', 'f', 255},
                                    {'a', '1', 161},
                                    {'G', '0', -1},
                                    {'0', ' ', -1}}) {
        EXPECT_EQ(hexByteValue(high, low), value) << high << low;
    }
}

TEST(ValueText, Hex48AcceptsHexDigitsOnly) {
    struct Row {
        std::string_view text;
        std::size_t count;
        bool valid;
        std::uint32_t high;
        std::uint32_t low;
    };
    for (const Row& r :
         {Row{"00A1B2C3D4E5", 12, true, 0x00A1, 0xB2C3D4E5},
          Row{"ffffFFFFFFFF", 12, true, 0xFFFF, 0xFFFFFFFF},
          Row{"00A1B2C3D4E5tail", 12, true, 0x00A1, 0xB2C3D4E5}, Row{"1234", 4, true, 0, 0x1234},
          Row{"00A1B2C3D4EZ", 12, false, 0, 0}, Row{"+0A1B2C3D4E5", 12, false, 0, 0},
          Row{" 0A1B2C3D4E5", 12, false, 0, 0}, Row{"0x01B2C3D4E5", 12, false, 0, 0},
          Row{"00A1-2C3D4E5", 12, false, 0, 0}, Row{"00A1B2C3", 12, false, 0, 0}}) {
        std::uint32_t high = 7;
        std::uint32_t low = 7;
        EXPECT_EQ(readHex48(r.text, r.count, high, low), r.valid) << r.text;
        if (r.valid) {
            EXPECT_EQ(high, r.high) << r.text;
            EXPECT_EQ(low, r.low) << r.text;
        }
    }
}

TEST(ValueText, DateChecks) {
    FixedToday today(2005, 6, 15);
    struct Row {
        double day, month, year;
        bool dayOfMonth, date;
    };
    for (const Row& r :
         {Row{29, 2, 0, true, false}, Row{29, 2, 2004, true, true}, Row{29, 2, 2001, true, false},
          Row{31, 4, 0, false, false}, Row{31, 12, 9999, true, true}, Row{1, 1, 10000, true, false},
          Row{29, 2, 4, true, true}, Row{29, 2, 1, true, false}, Row{29, 2, 1900, true, false},
          Row{29, 2, 2000, true, true}, Row{0, 1, 2005, false, false},
          Row{1, 13, 2005, false, false}, Row{-1, 1, 2005, false, false},
          Row{1, 1, -1, false, false}}) {
        EXPECT_EQ(isValidDayOfMonth(r.day, r.month, r.year), r.dayOfMonth)
            << r.day << "." << r.month << "." << r.year;
        EXPECT_EQ(isValidDate(r.day, r.month, r.year), r.date)
            << r.day << "." << r.month << "." << r.year;
    }
    EXPECT_TRUE(isValidTime(23, 59, 59));
    EXPECT_FALSE(isValidTime(24, 0, 0));
    EXPECT_FALSE(isValidTime(-1, 0, 0));
}

TEST(ValueText, Calendar) {
    for (auto [yy, year] : {std::pair{70.0, 2070},
                            {71.0, 1971},
                            {0.0, 2000},
                            {99.0, 1999},
                            {-1.0, -1},
                            {100.0, -1}}) {
        EXPECT_EQ(fullYear(yy), year) << yy;
    }
    for (auto [day, month, year, weekday] : {std::tuple{1, 1, 2001, 1},
                                             {15, 6, 2005, 3},
                                             {29, 2, 2004, 0},
                                             {1, 1, 1971, 5},
                                             {31, 12, 9999, 5},
                                             {1, 1, 1, 1},
                                             {29, 2, 2005, -1},
                                             {0, 1, 2005, -1}}) {
        EXPECT_EQ(weekdayOf(day, month, year), weekday) << day << "." << month << "." << year;
    }
    EXPECT_EQ(nextMonth(12), 1);
    EXPECT_EQ(nextMonth(3), 4);
    EXPECT_EQ(daysInMonth(13), -1);
    EXPECT_EQ(daysInMonth(0), -1);
}

TEST(ValueText, TodayDecidesFebruary) {
    struct Row {
        int year;
        int february;
        int dayAfter28February;
    };
    for (const Row& r : {Row{2004, 29, 29}, Row{2005, 28, 1}}) {
        FixedToday today(r.year, 2, 1);
        EXPECT_EQ(daysInMonth(2), r.february);
        int day = 28;
        int month = 2;
        advanceDay(day, month);
        EXPECT_EQ(day, r.dayAfter28February);
        EXPECT_EQ(weekdayOf(1, 1, 0), weekdayOf(1, 1, r.year));
        EXPECT_EQ(currentMonth(), 2);
    }
    int day = 31;
    int month = 12;
    advanceDay(day, month);
    EXPECT_EQ(day, 1);
    EXPECT_EQ(month, 1);
}

TEST(ValueText, TypedTimes) {
    struct Row {
        std::string_view text;
        bool valid;
        int hours, minutes, seconds;  // seconds < 0: hours and minutes only
    };
    for (const Row& r :
         {Row{"7:05", true, 7, 5, -1}, Row{"7:5", true, 7, 5, -1}, Row{"24:00", false, 0, 0, -1},
          Row{"7:60", false, 0, 0, -1}, Row{"7:05:00", false, 0, 0, -1},
          Row{"123:4", false, 0, 0, -1}, Row{":05", false, 0, 0, -1}, Row{"7:05 ", false, 0, 0, -1},
          Row{"23:59:59", true, 23, 59, 59}, Row{"1:2:3", true, 1, 2, 3},
          Row{"1:2:60", false, 0, 0, 0}, Row{"1:2", false, 0, 0, 0}}) {
        int h = -5;
        int m = -5;
        int s = -5;
        const bool valid =
            r.seconds < 0 ? parseHourMinute(r.text, h, m) : parseHourMinuteSecond(r.text, h, m, s);
        EXPECT_EQ(valid, r.valid) << r.text;
        if (valid) {
            EXPECT_EQ(h, r.hours) << r.text;
            EXPECT_EQ(m, r.minutes) << r.text;
            if (r.seconds >= 0) {
                EXPECT_EQ(s, r.seconds) << r.text;
            }
        }
    }
}

TEST(ValueText, TypedDates) {
    FixedToday today(2005, 6, 15);
    struct Row {
        std::string_view text;
        bool valid;
        int day, month, year;  // year < 0: day and month only
    };
    for (const Row& r : {Row{"8.3.2004", true, 8, 3, 2004}, Row{"8/03/04", true, 8, 3, 4},
                         Row{"8\\3.2004", true, 8, 3, 2004}, Row{"29/02/01", false, 0, 0, 0},
                         Row{"8.3.0", true, 8, 3, 0}, Row{"29.2.0", false, 0, 0, 0},
                         Row{"8.3.20045", false, 0, 0, 0}, Row{"8-3-2004", false, 0, 0, 0},
                         Row{"8.3", false, 0, 0, 0}, Row{"29.2", true, 29, 2, -1},
                         Row{"31/4", false, 0, 0, -1}, Row{"8.3.", false, 0, 0, -1}}) {
        int d = -5;
        int m = -5;
        int y = -5;
        const bool valid =
            r.year < 0 ? parseDayMonth(r.text, d, m) : parseDayMonthYear(r.text, d, m, y);
        EXPECT_EQ(valid, r.valid) << r.text;
        if (valid) {
            EXPECT_EQ(d, r.day) << r.text;
            EXPECT_EQ(m, r.month) << r.text;
            if (r.year >= 0) {
                EXPECT_EQ(y, r.year) << r.text;
            }
        }
    }
}

TEST(ValueText, Formats) {
    EXPECT_EQ(formatEventTime(9, 5, 7, 3, 15, 6, 2005), "9:05:07 ср 15/06/2005");
    EXPECT_EQ(formatEventTime(0, 0, 0, 7, 1, 1, 2000), "0:00:00 пр 1/01/2000");
    EXPECT_EQ(formatTime(12, 3, 4), "12:03:04");
    EXPECT_EQ(formatHourMinute(7, 5), "7:05");
    for (auto [value, precision, text] : {std::tuple{51.1, 6, "51.1"},
                                          {15000.0, 6, "15000"},
                                          {1e6, 6, "1e+06"},
                                          {0.1, 6, "0.1"},
                                          {123456.789, 8, "123456.79"},
                                          {-1.0, 6, "-1"}}) {
        EXPECT_EQ(formatDouble(value, precision), text);
    }
}

TEST(ValueText, EditFieldNumbers) {
    for (auto [text, value] : {std::pair{"", -1},
                               {"12a", -1},
                               {"-7", -7},
                               {"42", 42},
                               {" 42", 42},
                               {"2147483646", 2147483646},
                               {"2147483647", -1},
                               {"-2147483648", -1},
                               {"99999999999", -1},
                               {"+3", 3},
                               {"-", -1}}) {
        EXPECT_EQ(textAsInt(text), value) << text;
    }
    for (auto [text, value] : {std::pair{"", -1.0},
                               {"4.1", 4.1},
                               {"1e999", -1.0},
                               {"4,1", -1.0},
                               {"-2.5", -2.5},
                               {"0", 0.0}}) {
        EXPECT_EQ(textAsDouble(text), value) << text;
    }
    for (auto [text, value] : {std::pair{"", 0},
                               {"12abc", 12},
                               {"  -3", -3},
                               {"x1", 0},
                               {"99999999999", 2147483647},
                               {"-99999999999", -2147483647 - 1}}) {
        EXPECT_EQ(leadingInt(text), value) << text;
    }
    EXPECT_EQ(intText(-15), "-15");
}

TEST(ValueText, DataFileLines) {
    for (auto [line, value] : {std::pair{"123457", std::optional<double>(123457.0)},
                               {"  -1 trailing words", -1.0},
                               {"\t2.5e3x", 2500.0},
                               {"+7", 7.0},
                               {"", std::nullopt},
                               {"   ", std::nullopt},
                               {"kWh 5", std::nullopt},
                               {"-", std::nullopt}}) {
        EXPECT_EQ(scanDouble(line), value) << line;
    }
    EXPECT_EQ(scanDouble("1e999"), HUGE_VAL);
    const std::string longZeros = std::string(600, '0') + "1";
    EXPECT_EQ(scanDouble(longZeros), 1.0);

    struct DayMonthCase {
        const char* line;
        int count;
        int day;
        int month;
    };
    for (const DayMonthCase& c : {DayMonthCase{"29/02", 2, 29, 2},
                                  {"7/1", 2, 7, 1},
                                  {" 7/ 3", 2, 7, 3},
                                  {"1/123", 2, 1, 12},
                                  {"0/00", 2, 0, 0},
                                  {"7/", 1, 7, -5},
                                  {"7-3", 1, 7, -5},
                                  {"/3", 0, -5, -5},
                                  {"", 0, -5, -5},
                                  {"99999999999/1", 2, 2147483647, 1}}) {
        int day = -5;
        int month = -5;
        EXPECT_EQ(scanDayMonth(c.line, day, month), c.count) << c.line;
        EXPECT_EQ(day, c.day) << c.line;
        EXPECT_EQ(month, c.month) << c.line;
    }
}

}  // namespace
}  // namespace quillet
