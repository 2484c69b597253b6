// The holidays page against the simulated meter: the sixteen reads and writes, the *.day
// file byte for byte, what the reader makes of damaged files, and the edit dialog.

#include "DataPageTesting.h"
#include "app/Transaction.h"
#include "pages/data/HolidaysPage.h"

namespace quillet {
namespace {

using Page = HolidaysPage;
using Result = HolidayTable::LoadResult;
constexpr int kTab = 13;

// `count` holiday lines: `filled` first, then empty ones.
std::string lines(std::vector<std::string> filled, const char* end = "\n", int count = 16) {
    filled.resize(static_cast<std::size_t>(count), "0/00");
    std::string text;
    for (const std::string& line : filled) {
        text += line + end;
    }
    return text;
}

class HolidaysPageTest : public testing::DataPageFixture {
protected:
    HolidaysPageTest() { HolidayTable::shared().clear(); }
    ReportList* list() { return control<ReportList>(Page::kListId); }
    QStringList row(int i) { return {list()->text(i, 0), list()->text(i, 1), list()->text(i, 2)}; }
    std::string table() { return HolidayTable::shared().fileBody(); }
};

TEST_F(HolidaysPageTest, LoadTakesValidDatesAndMarksMissingOrUnreadableLines) {
    const std::string head = "a\r\nb\r\n\r\n";
    const std::vector<std::string> ten = {"1/01", "2/02", "3/03", "4/04", "5/05",
                                          "6/06", "7/07", "8/08", "9/09", "10/10"};
    // clang-format off
    for (const auto& [file, loaded, result] : std::vector<std::tuple<std::string, std::string, Result>>{
             {head + lines(ten, "\r\n", 10), lines(ten), Result::Incomplete},
             // Invalid dates go silently; "0/00" is an empty holiday; the month has two digits.
             {head + lines({"29/02", "30/02", "31/04", " 3/1x", "-1/05", "4294967297/01"}, "\r\n"),
              lines({"29/02", "0/00", "0/00", "3/01"}), Result::Complete},
             {head + lines({"5/05", "7/", "8/08", "7"}, "\r\n"), lines({"5/05", "0/00", "8/08"}),
              Result::Incomplete},
             {head + lines(ten, "\r\n") + "7/\r\n", lines(ten), Result::Complete},
             // A file that cannot be read leaves the table as it was.
             {"", lines({"9/09"}), Result::Unreadable}}) {
        // clang-format on
        HolidayTable holidays;
        holidays.set(0, 9, 9);
        EXPECT_EQ(loadHolidaysFile(file.empty() ? dir.filePath("none") : fileWith(file), holidays),
                  result)
            << file;
        EXPECT_EQ(holidays.fileBody(), loaded) << file;
    }
}

// From the meter to a file and back, then to the meter by both commands; the file errors.
TEST_F(HolidaysPageTest, ReadSaveLoadAndWriteAllSixteen) {
    withSimulator([&](sim::LineSimulator& s) {
        auto& held = s.devices().meter(0)->settings().holidays;
        held = {{{8, 3, 0}, {29, 2, 1}, {5, 5, 0}}};  // 29/02 with the month + 80
        held[15] = {31, 12, 0};
        s.faults().script({sim::Fault::None, sim::Fault::None, sim::Fault::NoReply});
    });
    HolidayTable::shared().set(4, 1, 1);  // not in the meter: the read empties it
    open(kTab);
    press(Qt::Key_F5);
    testing::Sent sent;
    for (int i = 1; i <= 16; ++i) {
        sent.emplace_back(Page::kReadHoliday, QString::asprintf("%02d", i).toStdString());
    }
    EXPECT_EQ(frames(), framesOf(sent));
    window->tabs()->setCurrentIndex(16);  // the table outlives the page
    window->tabs()->setCurrentIndex(kTab);
    const std::string read = lines({"8/03", "29/02"}, "\n", 15) + "31/12\n";
    EXPECT_EQ(table(), read);
    EXPECT_EQ(row(15), QStringList({"15", "31", "декабрь"}));

    testing::ScopedMessageBoxes boxes;
    dialogs->path = dir.filePath("h.day");
    press(Qt::Key_F8);
    EXPECT_EQ(fileBody(dialogs->path), lines({"8/03", "29/02"}, "\r\n", 15) + "31/12\r\n");
    HolidayTable::shared().clear();
    press(Qt::Key_F7);
    EXPECT_EQ(table(), read);
    EXPECT_EQ(row(1), QStringList({"1", "29", "февраль"}));
    EXPECT_TRUE(boxes.texts.isEmpty());
    // All sixteen go out, the emptied ones too, by the command the radio buttons choose.
    for (const bool group : {false, true}) {
        control<QRadioButton>(group ? Page::kGroupId : Page::kIndividualId)->setChecked(true);
        const std::size_t before = frames().size();
        const auto start = std::chrono::steady_clock::now();
        press(Qt::Key_F6);
        const auto took = std::chrono::steady_clock::now() - start;
        sent.clear();
        for (int i = 0; i < 16; ++i) {
            const HolidayDate& h = HolidayTable::shared().at(i);
            sent.emplace_back(
                group ? Page::kSetHolidayGroup : Page::kSetHoliday,
                QString::asprintf("%02d%02d%02d", i + 1, h.day, h.month).toStdString());
        }
        EXPECT_EQ(framesSince(before), framesOf(sent));
        if (group) {  // nobody answers a group command; the line rests after each
            EXPECT_GE(took, 16 * CommandExecutor::kPauseAfterNoReply);
        }
    }
    for (const auto& [key, path, message] : std::vector<std::tuple<Qt::Key, QString, QString>>{
             {Qt::Key_F7, fileWith("a\r\n\r\n1/03\r\n"), "Не все данные были успешно прочитаны"},
             {Qt::Key_F7, dir.path(), "Ошибка при загрузке праздников из файла"},
             {Qt::Key_F8, dir.filePath("no/h.day"), "Ошибка при сохранении праздников в файл"}}) {
        dialogs->path = path;
        boxes.texts.clear();
        press(key);
        EXPECT_EQ(boxes.texts, QStringList{message});
    }
}

// Row 3 edited in turn, the dialog answered with a day of March.
TEST_F(HolidaysPageTest, EditOkStoresAValidDateEmptiesAnInvalidOneCancelKeeps) {
    HolidayTable::shared().set(3, 5, 5);
    open(kTab);
    constexpr int kOk = HolidayDialog::kOkId;
    // clang-format off
    for (const auto& [column, busy, day, button, opened, after] :
         std::vector<std::tuple<int, bool, QString, int, QString, HolidayDate>>{
             {0, true, "9", kOk, "", {5, 5}},    // not during an exchange
             {1, false, "9", kOk, "", {5, 5}},   // only from the number column
             {0, false, "9", HolidayDialog::kCancelId, "5/4", {5, 5}},
             {0, false, "", kOk, "5/4", {}},
             {0, false, "8", kOk, "1/0", {8, 3}}}) {  // an empty one opens as 1 January
        // clang-format on
        QString shown;
        auto live = std::make_shared<int>();  // a handler left from a row without a dialog
        testing::whenModalAppears([&, d = day, b = button, test = std::weak_ptr(live)](QWidget* m) {
            if (test.expired()) {
                return;
            }
            auto* dayEdit = m->findChild<QLineEdit*>(controlName(HolidayDialog::kDayId));
            auto* month = m->findChild<QComboBox*>(controlName(HolidayDialog::kMonthId));
            shown = dayEdit->text() + "/" + QString::number(month->currentIndex());
            dayEdit->setText(d);
            month->setCurrentIndex(2);
            m->findChild<QPushButton*>(controlName(b))->click();
        });
        busy ? window->currentPage()->onExchangeBegin() : window->currentPage()->onExchangeEnd();
        emit list()->itemDoubleClicked(list()->topLevelItem(3), column);
        EXPECT_EQ(shown, opened);
        EXPECT_EQ(HolidayTable::shared().at(3), after);
        EXPECT_EQ(row(3)[1], after.empty() ? "-" : QString::number(after.day));
    }
}

}  // namespace
}  // namespace quillet
