// The date field read without its year, which the page's tests do not reach.

#include "DataPageTesting.h"
#include "pages/data/DateTimeEdits.h"

namespace quillet {
namespace {

TEST(DateTimeEdits, DayAndMonthAlonePassTheFixedMonthLengths) {
    testing::FixedClock clock({2025, 6, 10, 14, 7, 9, 2});  // a common year
    DateEdit date;
    int day = -7, month = -7, year = -7;
    for (const auto& [text, withYear, withoutYear] :
         {std::tuple("29/2", false, true), {"31/4", false, false}, {"", true, true}}) {
        date.setText(text);
        EXPECT_EQ(date.getDate(day, month, year, false), withYear) << text;
        EXPECT_EQ(date.getDate(day, month, false), withoutYear) << text;
    }
    // Only 29/2 gave a day and month; the empty field touched nothing.
    EXPECT_EQ(std::tuple(day, month, year), std::tuple(29, 2, -7));
}

}  // namespace
}  // namespace quillet
