// The date and time page against the simulated meter: which boxes send which commands,
// the exact group frames of a write, the checks that stop a write before the line, and
// what survives a tab change.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "PageFixture.h"
#include "pages/data/DateTimePage.h"
#include "protocol/Frame.h"
#include "protocol/LocalClock.h"
#include "protocol/ValueText.h"
#include "sim/Faults.h"
#include "sim/MeterModel.h"

namespace quillet {
namespace {

using testing::PageFixture;
using Page = DateTimePage;

constexpr int kDateTimeTab = 6;
constexpr int kAboutTab = 16;
// The computer's clock during the tests: Saturday 15 March 2025, 10:20:30.
constexpr LocalDateTime kNow{2025, 3, 15, 10, 20, 30, 6};

class DateTimePageTest : public PageFixture {
protected:
    DateTimePageTest() {
        Page::values() = {};
        setLocalClock([] { return kNow; });
    }
    ~DateTimePageTest() override { setLocalClock({}); }

    void choose(bool useTime, bool useDate, bool useSummerTime, int mode) {
        control<QCheckBox>(Page::kUseTimeId)->setChecked(useTime);
        control<QCheckBox>(Page::kUseDateId)->setChecked(useDate);
        control<QCheckBox>(Page::kUseSummerTimeId)->setChecked(useSummerTime);
        control<QComboBox>(Page::kSummerTimeModeId)->setCurrentIndex(mode);
    }
    std::tuple<bool, bool, bool, int> choices() {
        return {control<QCheckBox>(Page::kUseTimeId)->isChecked(),
                control<QCheckBox>(Page::kUseDateId)->isChecked(),
                control<QCheckBox>(Page::kUseSummerTimeId)->isChecked(),
                control<QComboBox>(Page::kSummerTimeModeId)->currentIndex()};
    }
    void type(const QString& time, const QString& date) {
        control<QLineEdit>(Page::kTimeId)->setText(time);
        control<QLineEdit>(Page::kDateId)->setText(date);
    }
    std::vector<QString> texts() {
        return {control<QLineEdit>(Page::kTimeId)->text(),
                control<QLineEdit>(Page::kDateId)->text()};
    }
    std::string frame(std::size_t slot, std::string_view params = {}) {
        return buildRequestFrame(slot, params, app->settings().link()).value();
    }
    sim::CivilTime meterClock() {
        return withSimulator([](sim::LineSimulator& s) { return s.devices().meter(0)->clock(); });
    }
};

struct WriteCase {
    const char* name;
    bool useTime, useDate, useSummerTime;
    int mode;
    QString time, date;
    QString message;
    // Slot and parameter text of each frame, in order.
    std::vector<std::pair<std::size_t, std::string>> sent;
};

class DateTimeWriteTest : public DateTimePageTest,
                          public ::testing::WithParamInterface<WriteCase> {};

TEST_P(DateTimeWriteTest, SendsTheTickedValuesAsGroupCommandsDateFirst) {
    const WriteCase& c = GetParam();
    open(kDateTimeTab);
    choose(c.useTime, c.useDate, c.useSummerTime, c.mode);
    type(c.time, c.date);
    QString seen;
    if (!c.message.isEmpty()) {
        answer("OK", &seen);
    }
    press(Qt::Key_F6);

    EXPECT_EQ(seen, c.message);
    std::vector<std::string> expected;
    for (const auto& [slot, params] : c.sent) {
        expected.push_back(frame(slot, params));
    }
    EXPECT_EQ(frames(), expected);
}

constexpr std::size_t D = Page::kSetDate;
constexpr std::size_t T = Page::kSetTime;
constexpr std::size_t Z = Page::kSetSummerTime;
const QString kBadTime = QStringLiteral("Неверное задание времени");
const QString kBadDate = QStringLiteral("Неверное задание даты");

// Date parameters: weekday, day, month, two year digits.
// clang-format off
INSTANTIATE_TEST_SUITE_P(DateTime, DateTimeWriteTest, ::testing::Values(
    WriteCase{"EmptyFieldsTakeTheComputersClock", true, true, true, 1, "", "", {},
              {{D, "6150325"}, {T, "102030"}, {Z, "Y"}}},
    WriteCase{"TypedValues", true, true, true, 0, "9:5", "7.3.01", {},
              {{D, "3070301"}, {T, "090500"}, {Z, "N"}}},
    WriteCase{"SummerTimeOnly", false, false, true, 1, "x", "x", {}, {{Z, "Y"}}},
    WriteCase{"NothingTicked", false, false, false, 1, "x", "x", {}, {}},
    WriteCase{"UntickedTimeIsNotChecked", false, true, false, 0, "24:00", "7/3/71", {},
              {{D, "0070371"}}},
    WriteCase{"BadTimeStopsTheDateToo", true, true, true, 0, "24:00", "7/3/2001", kBadTime, {}},
    WriteCase{"BadDate", true, true, true, 0, "9:05", "31/4/2001", kBadDate, {}},
    // The meter would read the two year digits 70 back as 2070.
    WriteCase{"YearTheMeterCannotKeep", true, true, true, 0, "9:05", "7/3/1970", kBadDate, {}},
    // No 29 February this year.
    WriteCase{"LeapDayInACommonYear", true, true, true, 0, "9:05", "29/2", kBadDate, {}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(DateTimePageTest, EmptyFieldsTakeDateAndTimeFromOneReadingOfTheClock) {
    // The clock passes midnight between its first reading and any later one.
    auto first = std::make_shared<bool>(false);
    open(kDateTimeTab);
    setLocalClock([first] {
        if (*first) {
            *first = false;
            return LocalDateTime{2024, 12, 31, 23, 59, 59, 2};
        }
        return LocalDateTime{2025, 1, 1, 0, 0, 0, 3};
    });
    choose(true, true, false, 0);
    *first = true;
    window->beginExchange();
    window->currentPage()->writeToDevice();
    window->endExchange();
    EXPECT_EQ(frames(), (std::vector<std::string>{frame(D, "2311224"), frame(T, "235959")}));
}

struct ReadCase {
    const char* name;
    bool useTime, useDate, useSummerTime;
    bool clockLost;
    std::vector<std::size_t> sent;
    bool timeRead, dateRead;
    int mode;  // shown afterwards; 1 before the read
};

class DateTimeReadTest : public DateTimePageTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(DateTimeReadTest, ReadsTheTickedValuesFromTheMeter) {
    const ReadCase& c = GetParam();
    app->settings().errorReport = 0;
    withSimulator([&](sim::LineSimulator& s) {
        sim::MeterModel& meter = *s.devices().meter(0);
        meter.setDate(5, 3, 2024);
        meter.setTime(9, 5, 7);
        meter.settings().summerTime = false;
        if (c.clockLost) {
            s.faults().script({sim::Fault::NoReply});
        }
        return 0;
    });
    open(kDateTimeTab);
    choose(c.useTime, c.useDate, c.useSummerTime, 1);
    type("1:00", "1/01/2000");
    const sim::CivilTime before = meterClock();
    press(Qt::Key_F5);
    const sim::CivilTime after = meterClock();

    std::vector<std::string> expected;
    for (std::size_t slot : c.sent) {
        expected.push_back(frame(slot));
    }
    EXPECT_EQ(frames(), expected);
    const QString time = texts()[0];
    if (c.timeRead) {
        // The meter's clock runs on; the page shows it as it was during the read.
        const auto shown = [](const sim::CivilTime& t) {
            return QString::fromStdString(formatTime(t.hours, t.minutes, t.seconds));
        };
        EXPECT_TRUE(time == shown(before) || time == shown(after)) << time.toStdString();
        EXPECT_TRUE(time.startsWith("9:05:")) << time.toStdString();
    } else {
        EXPECT_EQ(time, c.useTime ? "" : "1:00");
    }
    EXPECT_EQ(texts()[1], c.dateRead ? "5/03/2024" : (c.useDate ? "" : "1/01/2000"));
    EXPECT_EQ(std::get<3>(choices()), c.mode);
}

constexpr std::size_t kClock = Page::kReadDateTime;
constexpr std::size_t kSummer = Page::kReadSummerTime;

// clang-format off
INSTANTIATE_TEST_SUITE_P(DateTime, DateTimeReadTest, ::testing::Values(
    ReadCase{"Everything", true, true, true, false, {kClock, kSummer}, true, true, 0},
    ReadCase{"SummerTimeOnly", false, false, true, false, {kSummer}, false, false, 0},
    ReadCase{"DateOnly", false, true, false, false, {kClock}, false, true, 1},
    ReadCase{"NothingTicked", false, false, false, false, {}, false, false, 1},
    // A lost clock reply leaves its fields empty; the summer-time read still goes out.
    ReadCase{"ClockLost", true, true, true, true, {kClock, kSummer}, false, false, 0}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(DateTimePageTest, TickedBoxesOutliveATabChangeButTheTextsDoNot) {
    open(kDateTimeTab);
    EXPECT_EQ(choices(), std::make_tuple(true, true, true, 0));
    EXPECT_EQ(texts(), (std::vector<QString>{"", ""}));

    choose(false, true, false, 1);
    type("9:05", "7/03/2001");
    window->tabs()->setCurrentIndex(kAboutTab);
    window->tabs()->setCurrentIndex(kDateTimeTab);

    EXPECT_EQ(choices(), std::make_tuple(false, true, false, 1));
    EXPECT_EQ(texts(), (std::vector<QString>{"", ""}));
}

}  // namespace
}  // namespace quillet
