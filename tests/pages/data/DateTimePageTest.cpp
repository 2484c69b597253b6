// The date and time page against the simulated meter: the boxes' commands, the group frames
// of a write, the checks that stop a write, and what survives a tab change.

#include "DataPageTesting.h"
#include "pages/data/DateTimePage.h"

namespace quillet {
namespace {

using Page = DateTimePage;
constexpr int kTab = 6;
constexpr std::size_t D = Page::kSetDate, T = Page::kSetTime, Z = Page::kSetSummerTime;

struct Form {
    bool useTime, useDate, useSummerTime;
    int mode;
    QString time, date;
};

class DateTimePageTest : public testing::DataPageFixture {
protected:
    DateTimePageTest() { Page::values() = {}; }
    void set(const Form& f) {
        control<QCheckBox>(Page::kUseTimeId)->setChecked(f.useTime);
        control<QCheckBox>(Page::kUseDateId)->setChecked(f.useDate);
        control<QCheckBox>(Page::kUseSummerTimeId)->setChecked(f.useSummerTime);
        control<QComboBox>(Page::kSummerTimeModeId)->setCurrentIndex(f.mode);
        control<QLineEdit>(Page::kTimeId)->setText(f.time);
        control<QLineEdit>(Page::kDateId)->setText(f.date);
    }
    auto shown() {
        return std::tuple(control<QCheckBox>(Page::kUseTimeId)->isChecked(),
                          control<QCheckBox>(Page::kUseDateId)->isChecked(),
                          control<QCheckBox>(Page::kUseSummerTimeId)->isChecked(),
                          control<QComboBox>(Page::kSummerTimeModeId)->currentIndex(),
                          control<QLineEdit>(Page::kTimeId)->text(),
                          control<QLineEdit>(Page::kDateId)->text());
    }
    testing::FixedClock pc{{2025, 3, 15, 10, 20, 30, 6}};  // a Saturday
};

TEST_F(DateTimePageTest, WriteSendsTheTickedValuesAsGroupCommandsDateFirst) {
    const QString badTime = "Неверное задание времени", badDate = "Неверное задание даты";
    QString seen;  // outlives the answers left waiting by rows without a message
    open(kTab);
    EXPECT_EQ(shown(), std::tuple(true, true, true, 0, "", ""));
    // Date parameters: weekday, day, month, two year digits.
    // clang-format off
    for (const auto& [f, message, sent] : std::vector<std::tuple<Form, QString, testing::Sent>>{
             {{true, true, true, 1, "", ""}, "", {{D, "6150325"}, {T, "102030"}, {Z, "Y"}}},
             {{true, true, true, 0, "9:5", "7.3.01"}, "", {{D, "3070301"}, {T, "090500"}, {Z, "N"}}},
             {{false, false, true, 1, "x", "x"}, "", {{Z, "Y"}}},
             {{false, true, false, 0, "24:00", "7/3/1971"}, "", {{D, "0070371"}}},
             {{false, true, false, 0, "", "7/3"}, "", {{D, "5070325"}}},  // this year's
             {{true, true, true, 0, "24:00", "7/3/2001"}, badTime, {}},  // stops the date too
             // The meter would read the two year digits 70 back as 2070.
             {{true, true, true, 0, "9:05", "7/3/1970"}, badDate, {}},
             {{true, true, true, 0, "9:05", "29/2"}, badDate, {}}}) {  // not in this year
        // clang-format on
        SCOPED_TRACE((f.time + " " + f.date).toStdString());
        set(f);
        const std::size_t before = frames().size();
        seen.clear();
        answer("OK", &seen);
        press(Qt::Key_F6);
        EXPECT_EQ(seen, message);
        EXPECT_EQ(framesSince(before), framesOf(sent));
        // The boxes outlive a tab change, the texts do not.
        window->tabs()->setCurrentIndex(16);
        window->tabs()->setCurrentIndex(kTab);
        EXPECT_EQ(shown(), std::tuple(f.useTime, f.useDate, f.useSummerTime, f.mode, "", ""));
    }
}

TEST_F(DateTimePageTest, EmptyFieldsTakeDateAndTimeFromOneReadingOfTheClock) {
    open(kTab);
    set({true, true, false, 0, "", ""});
    // The clock passes midnight between its first reading and any later one.
    auto first = std::make_shared<bool>(true);
    setLocalClock([first] {
        return std::exchange(*first, false) ? LocalDateTime{2024, 12, 31, 23, 59, 59, 2}
                                            : LocalDateTime{2025, 1, 1, 0, 0, 0, 3};
    });
    window->beginExchange();
    window->currentPage()->writeToDevice();
    window->endExchange();
    EXPECT_EQ(frames(), framesOf({{D, "2311224"}, {T, "235959"}}));
}

// Each ticked value is read; an unticked one keeps its text, a lost one is left empty.
TEST_F(DateTimePageTest, ReadTakesTheTickedValuesFromTheMeter) {
    withSimulator([](sim::LineSimulator& s) {
        s.devices().meter(0)->setDate(5, 3, 2024);
        s.devices().meter(0)->setTime(9, 5, 7);
        s.devices().meter(0)->settings().summerTime = false;
    });
    open(kTab);
    const std::pair<std::size_t, std::string> clock{Page::kReadDateTime, ""};
    const std::pair<std::size_t, std::string> summer{Page::kReadSummerTime, ""};
    for (const auto& [useTime, useDate, useSummerTime, lost, sent] :
         std::vector<std::tuple<bool, bool, bool, bool, testing::Sent>>{
             {true, true, true, false, {clock, summer}},
             {false, false, true, false, {summer}},
             {false, true, false, false, {clock}},
             {true, true, true, true, {clock, summer}}}) {  // the summer time still goes out
        SCOPED_TRACE(::testing::PrintToString(std::tuple(useTime, useDate, useSummerTime, lost)));
        set({useTime, useDate, useSummerTime, 1, "1:00", "1/01/2000"});
        withSimulator([&](sim::LineSimulator& s) {
            s.faults().script({lost ? sim::Fault::NoReply : sim::Fault::None});
        });
        const std::size_t before = frames().size();
        press(Qt::Key_F5);
        EXPECT_EQ(framesSince(before), framesOf(sent));
        const auto [t, d, z, mode, time, date] = shown();
        if (useTime && !lost) {  // the meter's clock runs on for a moment
            EXPECT_TRUE(time.startsWith("9:05:0")) << time.toStdString();
        } else {
            EXPECT_EQ(time, useTime ? "" : "1:00");
        }
        EXPECT_EQ(date, !useDate ? "1/01/2000" : lost ? "" : "5/03/2024");
        EXPECT_EQ(mode, useSummerTime ? 0 : 1);
    }
}

}  // namespace
}  // namespace quillet
