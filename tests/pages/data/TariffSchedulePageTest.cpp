// The tariff schedule page against the simulated meter: a month written by forty group
// commands and read back by forty commands, the change dialog's checks, the *.trf file
// byte for byte and what the reader makes of damaged files.

#include <QHeaderView>

#include "DataPageTesting.h"
#include "pages/data/TariffSchedulePage.h"

namespace quillet {
namespace {

using Page = TariffSchedulePage;
using Schedule = TariffSchedule;
using Result = Schedule::LoadResult;
using Dialog = TariffChangeDialog;
constexpr int kTab = 10;
const std::string kZero = "0:00 0:00 0:00 0 0 0:00 0 0 0:00 0 0";
const std::string kExample = "7:00 23:00 8:00 120 1 17:30 90 1 0:00 0 0";

// A day whose numbers tell month and day type apart, every value in range.
DayTariffs sample(int m, int d) {
    return {{d, m}, {20 + d % 4, 59 - m}, {{{m, 5, 10 * d, d % 2}, {12, d, 255, 1}, {23, m + d}}}};
}

// A header, `first`, then empty days up to `count` lines.
std::string trf(std::vector<std::string> first, int count = 96, const char* end = "\r\n") {
    first.resize(std::size_t(count), kZero);
    std::string text = std::string("a") + end + end;
    for (const std::string& line : first) {
        text += line + end;
    }
    return text;
}

class TariffSchedulePageTest : public testing::DataPageFixture {
protected:
    TariffSchedulePageTest() { Schedule::shared().clear(); }
    ReportList* list() { return control<ReportList>(Page::kListId); }
    QStringList row(int d) {
        QStringList texts;
        for (int c = 0; c < 6; ++c) {
            texts << list()->text(d, c);
        }
        return texts;
    }
    void selectMonth(int index) { control<QComboBox>(Page::kMonthId)->setCurrentIndex(index); }
    testing::FixedClock pc{{2025, 3, 15, 14, 7, 9, 6}};
};

// May to the meter of the operator's category, then back from it.
TEST_F(TariffSchedulePageTest, WriteByGroupCommandsThenReadBackByFortyCommands) {
    app->settings().category = 7;
    withSimulator([](sim::LineSimulator& s) { s.devices().meter(0)->settings().category = 7; });
    Schedule& table = Schedule::shared();
    for (int d = 0; d < 8; ++d) {
        table.at(4, d) = sample(4, d);
    }
    table.at(3, 0) = sample(3, 0);  // another month, which the read leaves alone
    open(kTab);
    selectMonth(4);
    testing::Sent writes, reads;
    for (int d = 0; d < 8; ++d) {
        const DayTariffs t = sample(4, d);
        for (const auto& [slot, at] : {std::pair{Page::kSetHalfPeakStart, t.halfPeakStart},
                                       {Page::kSetOffPeakStart, t.offPeakStart}}) {
            writes.emplace_back(
                slot, QString::asprintf("07%d%02d%02d05", d, at.hours, at.minutes).toStdString());
        }
        for (int p = 1; p <= 3; ++p) {
            const PeakPeriod& k = t.peaks[std::size_t(p - 1)];
            writes.emplace_back(Page::kSetPeak, QString::asprintf("07%d%d%02d%02d%03d%c05", d, p,
                                                                  k.hours, k.minutes, k.durationMin,
                                                                  k.isPeak != 0 ? 'L' : 'B')
                                                    .toStdString());
        }
        const std::string day = std::to_string(d);
        reads.insert(reads.end(), {{Page::kReadHalfPeakStart, day + "05"},
                                   {Page::kReadOffPeakStart, day + "05"},
                                   {Page::kReadPeak, day + "105"},
                                   {Page::kReadPeak, day + "205"},
                                   {Page::kReadPeak, day + "305"}});
    }
    std::size_t before = frames().size();
    press(Qt::Key_F6);
    EXPECT_EQ(framesSince(before), framesOf(writes));
    withSimulator([](sim::LineSimulator& s) {  // Monday's peak 1, which the read will miss
        const PeakInterval& held = s.devices().meter(0)->settings().schedule[4][1].peaks[0];
        EXPECT_EQ(PeakPeriod(held.hours, held.minutes, held.durationMin, held.isPeak),
                  sample(4, 1).peaks[0]);
    });

    table.at(4, 1) = sample(9, 9);  // the month is cleared before the read
    withSimulator([](sim::LineSimulator& s) {
        using F = sim::Fault;  // the eighth reply, Monday's peak 1, is refused
        s.faults().script(
            {F::None, F::None, F::None, F::None, F::None, F::None, F::None, F::Refusal});
    });
    before = frames().size();
    press(Qt::Key_F5);
    EXPECT_EQ(framesSince(before), framesOf(reads));
    for (int d = 0; d < 8; ++d) {
        DayTariffs expected = sample(4, d);
        expected.peaks[0] = d == 1 ? PeakPeriod{} : expected.peaks[0];
        EXPECT_EQ(table.at(4, d), expected) << d;
    }
    EXPECT_EQ(table.at(3, 0), sample(3, 0));
    EXPECT_EQ(row(1), QStringList({"пн", "1:04", "21:55", "0:00 0 полу.", "12:01 255 пик.",
                                   "23:05 0 полу."}));
    EXPECT_EQ(row(7)[0], "пр");
}

TEST(TariffChangeDialog, ShowsTheDayAndTakesOnlyValidFields) {
    testing::FixedClock pc({2025, 3, 15, 14, 7, 9, 6});
    const DayTariffs day{{7, 0}, {23, 5}, {{{8, 0, 120, 1}, {13, 0, 60, 0}, {0, 0, 0, 3}}}};
    using Texts = std::array<QString, 8>;  // five starts, three durations
    const auto bad = [&](QString offPeak, QString peak3, QString duration2, const char* message) {
        return std::tuple(Texts{"7:00", offPeak, "8:00", "13:00", peak3, "120", duration2, "0"},
                          QString(message), day);
    };
    const char* kTime = "Неверное задание времени";
    const char* kLength = "Неверное задание длительности";
    // clang-format off
    for (const auto& [texts, message, after] : std::vector<std::tuple<Texts, QString, DayTariffs>>{
             // Empty starts are the computer's hour and minute; seconds go; checked is 1.
             {{"", "9:5", "8:0:59", "23:59", "", "255", "0", "007"}, "",
              {{14, 7}, {9, 5}, {{{8, 0, 255, 1}, {23, 59, 0, 0}, {14, 7, 7, 1}}}}},
             bad("24:00", "0:00", "", kTime),  // the times are checked first
             bad("23:05", "7:60", "60", kTime), bad("23:05", "0:00", "", kLength), bad("23:05", "0:00", "256", kLength),
             bad("23:05", "0:00", "-1", kLength), bad("23:05", "0:00", "12a", kLength),
             bad("23:05", "0:00", "4294967296", kLength)}) {
        // clang-format on
        Dialog dialog(day, nullptr);
        const std::array<int, 8> ids = {Dialog::kHalfPeakId,      Dialog::kOffPeakId,
                                        Dialog::kPeakStartIds[0], Dialog::kPeakStartIds[1],
                                        Dialog::kPeakStartIds[2], Dialog::kDurationIds[0],
                                        Dialog::kDurationIds[1],  Dialog::kDurationIds[2]};
        for (std::size_t i = 0; i < ids.size(); ++i) {
            dialog.findChild<QLineEdit*>(controlName(ids[i]))->setText(texts[i]);
        }
        testing::ScopedMessageBoxes boxes;
        dialog.accept();
        EXPECT_EQ(boxes.texts, message.isEmpty() ? QStringList() : QStringList{message});
        EXPECT_EQ(dialog.result() == QDialog::Accepted, message.isEmpty())
            << texts[6].toStdString();
        EXPECT_EQ(dialog.tariffs(), after) << texts[6].toStdString();
    }
}

// March, Wednesday: double clicks on the list, the dialog answered with a few changes.
TEST_F(TariffSchedulePageTest, DoubleClickOnTheDayNameEditsThatDay) {
    Schedule::shared().at(2, 3) = sample(2, 3);
    open(kTab);
    selectMonth(2);
    DayTariffs edited = sample(2, 3);
    edited.halfPeakStart = {6, 30};
    edited.peaks[0].durationMin = 45;
    edited.peaks[1].isPeak = 0;
    // clang-format off
    for (const auto& [column, below, busy, button, after] :
         std::vector<std::tuple<int, bool, bool, int, DayTariffs>>{
             {1, false, false, Dialog::kOkId, sample(2, 3)},  // only the day name edits
             {0, true, false, Dialog::kOkId, sample(2, 3)},   // not the space below the rows
             {0, false, true, Dialog::kOkId, sample(2, 3)},   // nor during an exchange
             {0, false, false, Dialog::kCancelId, sample(2, 3)},
             {0, false, false, Dialog::kOkId, edited}}) {
        // clang-format on
        QString shown;
        SCOPED_TRACE(::testing::Message() << column << below << busy << button);
        auto live = std::make_shared<int>();  // a handler left from a row without a dialog
        testing::whenModalAppears([&, b = button, test = std::weak_ptr(live)](QWidget* m) {
            if (test.expired()) {
                return;
            }
            auto* start = m->findChild<QLineEdit*>(controlName(Dialog::kHalfPeakId));
            auto* duration = m->findChild<QLineEdit*>(controlName(Dialog::kDurationIds[0]));
            auto* isPeak = m->findChild<QCheckBox*>(controlName(Dialog::kIsPeakIds[1]));
            shown =
                start->text() + ' ' + duration->text() + ' ' + (isPeak->isChecked() ? '1' : '0');
            start->setText("6:30");
            duration->setText("45");
            isPeak->setChecked(false);
            m->findChild<QPushButton*>(controlName(b))->click();
        });
        busy ? window->currentPage()->onExchangeBegin() : window->currentPage()->onExchangeEnd();
        const QRect rect = list()->visualItemRect(list()->topLevelItem(below ? 7 : 3));
        ASSERT_LT(rect.bottom() + 4, list()->viewport()->height());  // eight rows fit
        const QPoint at(list()->header()->sectionViewportPosition(column) + 4,
                        below ? rect.bottom() + 4 : rect.center().y());
        // As the window system sends a double click: press, release, double click, release.
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list()->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(shown, column == 0 && !below && !busy ? "3:02 30 1" : "");
        EXPECT_EQ(Schedule::shared().at(2, 3), after);
    }
    EXPECT_EQ(row(3), QStringList({"ср", "6:30", "23:57", "2:05 45 пик.", "12:03 255 полу.",
                                   "23:05 0 полу."}));
}

TEST_F(TariffSchedulePageTest, FileHoldsTheWholeYearByteForByte) {
    Schedule& s = Schedule::shared();
    s.at(0, 0) = {{7, 0}, {23, 0}, {{{8, 0, 120, 1}, {17, 30, 90, 1}, {}}}};
    s.at(2, 3) = {{0, 5}, {10, 59}, {{{23, 59, 255, -3}, {}, {13, 0, 60, 0}}}};
    s.at(11, 7) = {{12, 0}, {0, 1}, {{{}, {1, 2, 3, 1}, {}}}};
    open(kTab);
    testing::ScopedMessageBoxes boxes;
    dialogs->path = dir.filePath("s.trf");
    press(Qt::Key_F8);
    std::vector<std::string> lines(96, kZero);  // March's Wednesday is line 2 * 8 + 3
    lines[0] = kExample;
    lines[19] = "0:05 10:59 23:59 255 -3 0:00 0 0 13:00 60 0";
    lines[95] = "12:00 0:01 0:00 0 0 1:02 3 1 0:00 0 0";
    EXPECT_EQ(fileBody(dialogs->path), trf(lines).substr(5));  // past the header "a", CR LF, CR LF
    const std::string saved = s.fileBody();
    s.clear();
    selectMonth(2);
    press(Qt::Key_F7);
    EXPECT_EQ(s.fileBody(), saved);
    EXPECT_EQ(row(3), QStringList({"ср", "0:05", "10:59", "23:59 255 пик.", "0:00 0 полу.",
                                   "13:00 60 полу."}));
    EXPECT_TRUE(boxes.texts.isEmpty());
    for (const auto& [key, path, message] : std::vector<std::tuple<Qt::Key, QString, QString>>{
             {Qt::Key_F7, dir.path(), "Ошибка при загрузке тарифного расписания из файла"},
             {Qt::Key_F8, dir.filePath("no/s.trf"),
              "Ошибка при сохранении тарифного расписания в файл"},
             {Qt::Key_F7, fileWith(trf({kExample}, 95)), "Не все данные были успешно прочитаны"}}) {
        dialogs->path = path;
        boxes.texts.clear();
        press(key);
        EXPECT_EQ(boxes.texts, QStringList{message});
    }
    window->tabs()->setCurrentIndex(kAboutPage);  // month and schedule outlive the page
    window->tabs()->setCurrentIndex(kTab);
    EXPECT_EQ(control<QComboBox>(Page::kMonthId)->currentIndex(), 2);
    EXPECT_EQ(row(3)[1], "0:00");  // the schedule changed only by the last load
}

TEST_F(TariffSchedulePageTest, LoadTakesWhatIsInRangeAndClearsTheRest) {
    Schedule filled;
    filled.at(0, 0) = sample(0, 0);
    filled.at(11, 7) = sample(11, 7);
    const std::string a = "7:00 23:00 8:00 120 1 17:30 ";
    // clang-format off
    for (const auto& [file, first, last, result] :
         std::vector<std::tuple<std::string, std::string, std::string, Result>>{
             {trf({kExample + " 5 x"}, 96, "\n"), kExample, kZero, Result::Complete},
             {trf({" 7:0\t23:00  8:00 120 1 17:30 90 1 0:00 0 0"}), kExample, kZero, Result::Complete},
             {trf({a + "300 1 20:15 30 0"}), "7:00 23:00 8:00 120 1 0:00 0 0 20:15 30 0", kZero,
              Result::Incomplete},
             {trf({"24:00 23:60 8:00 120 7 17:30 90 1 0:00 0 -1"}),
              "0:00 0:00 8:00 120 7 17:30 90 1 0:00 0 -1", kZero, Result::Incomplete},
             {trf({"7:-5 23:00 -1:00 120 1 17:30 90 1 0:00 256 0"}),
              "0:00 23:00 0:00 0 0 17:30 90 1 0:00 0 0", kZero, Result::Incomplete},
             {trf({a + "90 1 0:00 0"}), kZero, kZero, Result::Incomplete},  // fifteen numbers
             {trf({"7:000 23:00 8:00 120 1 17:30 90 1 0:00 0 0"}), kZero, kZero, Result::Incomplete},
             {trf({"7 :00 23:00 8:00 120 1 17:30 90 1 0:00 0 0"}), kZero, kZero, Result::Incomplete},
             {trf({kExample}, 95), kExample, kZero, Result::Incomplete},
             {"a\r\n" + kExample + "\r\n", kZero, kZero, Result::Incomplete},  // all header
             {"", Schedule::fileLine(sample(0, 0)), Schedule::fileLine(sample(11, 7)),
              Result::Unreadable}}) {
        // clang-format on
        Schedule s = filled;
        EXPECT_EQ(loadScheduleFile(file.empty() ? dir.path() : fileWith(file), s), result) << file;
        EXPECT_EQ(Schedule::fileLine(s.at(0, 0)), first) << file;
        EXPECT_EQ(Schedule::fileLine(s.at(11, 7)), last) << file;
    }
}

}  // namespace
}  // namespace quillet
