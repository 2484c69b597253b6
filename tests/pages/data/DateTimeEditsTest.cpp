// The date and time fields: what they show and which typed texts they accept.

#include <gtest/gtest.h>

#include <QString>

#include "pages/data/DateTimeEdits.h"
#include "protocol/LocalClock.h"

namespace quillet {
namespace {

// A Tuesday in a common year, so that 29 February does not exist in the current year.
constexpr LocalDateTime kToday{2025, 6, 10, 14, 7, 9, 2};
// Left in the outputs where a field must not touch them.
constexpr int kUntouched = -7;

class FixedClock : public ::testing::Test {
protected:
    FixedClock() {
        setLocalClock([] { return kToday; });
    }
    ~FixedClock() override { setLocalClock({}); }
};

struct DateCase {
    const char* text;
    bool emptyMeansToday;
    bool ok;  // with the year output
    int day, month, year;
    bool okWithoutYear;
};

void PrintTo(const DateCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class DateEditParseTest : public FixedClock, public ::testing::WithParamInterface<DateCase> {};

TEST_P(DateEditParseTest, ReadsTheTypedDate) {
    const DateCase& c = GetParam();
    DateEdit edit;
    edit.setText(QString::fromUtf8(c.text));

    int day = kUntouched;
    int month = kUntouched;
    int year = kUntouched;
    EXPECT_EQ(edit.getDate(day, month, year, c.emptyMeansToday), c.ok);
    if (c.ok) {
        EXPECT_EQ(day, c.day);
        EXPECT_EQ(month, c.month);
        EXPECT_EQ(year, c.year);
    } else {
        EXPECT_EQ(day, kUntouched);
        EXPECT_EQ(year, kUntouched);
    }

    int dayOnly = kUntouched;
    int monthOnly = kUntouched;
    EXPECT_EQ(edit.getDate(dayOnly, monthOnly, c.emptyMeansToday), c.okWithoutYear);
    if (c.okWithoutYear) {
        EXPECT_EQ(dayOnly, c.day);
        EXPECT_EQ(monthOnly, c.month);
    }
}

constexpr int U = kUntouched;

// clang-format off
INSTANTIATE_TEST_SUITE_P(DateEdit, DateEditParseTest, ::testing::Values(
    DateCase{"7.3.01", false, true, 7, 3, 2001, true},
    DateCase{"7/3/71", false, true, 7, 3, 1971, true},
    DateCase{"7/3/70", false, true, 7, 3, 2070, true},
    DateCase{"07\\03\\2001", false, true, 7, 3, 2001, true},
    DateCase{"7/3/0", false, true, 7, 3, 2000, true},
    DateCase{"7/3/150", false, true, 7, 3, 150, true},
    DateCase{"7/3", false, true, 7, 3, 2025, true},
    DateCase{"31/4/2001", false, false, 0, 0, 0, false},
    DateCase{"29/2/2001", false, false, 0, 0, 0, false},
    DateCase{"29/2/2004", false, true, 29, 2, 2004, true},
    DateCase{"29/2/04", false, true, 29, 2, 2004, true},
    // A year of 0 is checked against the current year, a common one.
    DateCase{"29/2/0", false, false, 0, 0, 0, false},
    // Without a year the fixed month lengths allow 29 February; with the current year
    // taken for it the day does not exist.
    DateCase{"29/2", false, false, 29, 2, 0, true},
    DateCase{"30/2", false, false, 0, 0, 0, false},
    DateCase{"7/13/2001", false, false, 0, 0, 0, false},
    DateCase{"7/3/20011", false, false, 0, 0, 0, false},
    DateCase{"7-3-2001", false, false, 0, 0, 0, false},
    DateCase{"7/3/2001 ", false, false, 0, 0, 0, false},
    DateCase{"7/3/", false, false, 0, 0, 0, false},
    DateCase{"", true, true, 10, 6, 2025, true},
    DateCase{"", false, true, U, U, U, true}));
// clang-format on

TEST(DateTimeEditShow, ShowsWhatWasSetInItsOwnForm) {
    DateEdit date;
    date.setDate(7, 3, 971);
    EXPECT_EQ(date.text(), "7/03/0971");
    date.setWithYear(false);
    date.setDate(17, 11, 2001);
    EXPECT_EQ(date.text(), "17/11");
    TimeEdit time;
    time.setTime(9, 5, 0);
    EXPECT_EQ(time.text(), "9:05:00");
    time.setTime(9, 5);
    EXPECT_EQ(time.text(), "9:05");
}

struct TimeCase {
    const char* text;
    bool emptyMeansNow;
    bool ok;
    int hours, minutes, seconds;
};

void PrintTo(const TimeCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class TimeEditParseTest : public FixedClock, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(TimeEditParseTest, ReadsTheTypedTime) {
    const TimeCase& c = GetParam();
    TimeEdit edit;
    edit.setText(QString::fromUtf8(c.text));
    int hours = kUntouched;
    int minutes = kUntouched;
    int seconds = kUntouched;
    EXPECT_EQ(edit.getTime(hours, minutes, seconds, c.emptyMeansNow), c.ok);
    const bool kept = !c.ok;
    EXPECT_EQ(hours, kept ? kUntouched : c.hours);
    EXPECT_EQ(minutes, kept ? kUntouched : c.minutes);
    EXPECT_EQ(seconds, kept ? kUntouched : c.seconds);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(TimeEdit, TimeEditParseTest, ::testing::Values(
    TimeCase{"9:5", false, true, 9, 5, 0},
    TimeCase{"09:05:07", false, true, 9, 5, 7},
    TimeCase{"23:59:59", false, true, 23, 59, 59},
    TimeCase{"24:00", false, false, 0, 0, 0},
    TimeCase{"9:60", false, false, 0, 0, 0},
    TimeCase{"9:05:60", false, false, 0, 0, 0},
    TimeCase{"9:05:", false, false, 0, 0, 0},
    TimeCase{"123:00", false, false, 0, 0, 0},
    TimeCase{"9.05", false, false, 0, 0, 0},
    TimeCase{"", true, true, 14, 7, 9},
    TimeCase{"", false, true, U, U, U}));
// clang-format on

}  // namespace
}  // namespace quillet
