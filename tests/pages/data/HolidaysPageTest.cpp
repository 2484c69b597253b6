// The holidays page against the simulated meter: the sixteen reads and writes, the *.day
// file byte for byte, what the reader makes of damaged files, and the edit dialog.

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "PageFixture.h"
#include "ScopedMessageBoxes.h"
#include "app/DataFiles.h"
#include "app/ReportList.h"
#include "app/Transaction.h"
#include "pages/data/HolidaysPage.h"
#include "protocol/Cp1251.h"
#include "protocol/Frame.h"
#include "sim/Faults.h"
#include "sim/MeterModel.h"

namespace quillet {
namespace {

using Page = HolidaysPage;
using Result = HolidayTable::LoadResult;
constexpr int kTab = 13;
const std::string kHead = "a\r\nb\r\n\r\n";
const std::vector<std::string> kTen = {"1/01", "2/02", "3/03", "4/04", "5/05",
                                       "6/06", "7/07", "8/08", "9/09", "10/10"};

// `count` holiday lines: `filled` first, then empty ones.
std::string lines(std::vector<std::string> filled, const char* end = "\n", int count = 16) {
    filled.resize(static_cast<std::size_t>(count), "0/00");
    std::string text;
    for (const std::string& line : filled) {
        text += line + end;
    }
    return text;
}

class FixedFileDialogs : public FileDialogs {
public:
    QString openFileName(QWidget*, const QString&) override { return path; }
    QString saveFileName(QWidget*, const QString& f, const QString& ext) override {
        filter = f + "/" + ext;
        return path;
    }
    QString path, filter;
};

class HolidaysPageTest : public testing::PageFixture {
protected:
    HolidaysPageTest() {
        HolidayTable::shared().clear();
        app->settings().errorReport = 0;
        app->setFileDialogs(std::unique_ptr<FileDialogs>(dialogs));
    }
    ReportList* list() { return control<ReportList>(Page::kListId); }
    QStringList row(int i) { return {list()->text(i, 0), list()->text(i, 1), list()->text(i, 2)}; }
    QString fileWith(const std::string& bytes) {
        QFile file(dir.filePath("in.day"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) &&
                    file.write(bytes.data(), qint64(bytes.size())));
        return file.fileName();
    }
    std::string body() { return HolidayTable::shared().fileBody().toStdString(); }
    std::string frame(std::size_t slot, const QString& params) {
        return buildRequestFrame(slot, params.toStdString(), app->settings().link()).value();
    }
    std::array<sim::HolidayEntry, 16>& meterHolidays(sim::LineSimulator& s) {
        return s.devices().meter(0)->settings().holidays;
    }
    FixedFileDialogs* dialogs = new FixedFileDialogs;
};

struct LoadCase {
    const char* name;
    std::string file;  // "" a missing file, "/" a folder
    std::string table;
    Result result;
};
class HolidayLoadTest : public HolidaysPageTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(HolidayLoadTest, TakesValidDatesAndMarksMissingOrUnreadableLines) {
    const LoadCase& c = GetParam();
    HolidayTable table;
    table.set(0, 9, 9);
    const QString path = c.file.empty()  ? dir.filePath("none")
                         : c.file == "/" ? dir.path()
                                         : fileWith(c.file);
    EXPECT_EQ(table.load(path), c.result);
    EXPECT_EQ(table.fileBody().toStdString(), c.table);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Holidays, HolidayLoadTest, ::testing::Values(
    LoadCase{"TenLines", kHead + lines(kTen, "\r\n", 10), lines(kTen), Result::Incomplete},
    // Invalid dates go silently; "0/00" is an empty holiday; the month has two digits.
    LoadCase{"InvalidDates", kHead + lines({"29/02", "30/02", "31/04", " 3/1x", "-1/05",
             "4294967297/01"}, "\r\n"), lines({"29/02", "0/00", "0/00", "3/01"}), Result::Complete},
    LoadCase{"DayWithoutMonth", kHead + lines({"5/05", "7/", "8/08", "7"}, "\r\n"),
             lines({"5/05", "0/00", "8/08"}), Result::Incomplete},
    LoadCase{"LfOnly", "a\n\n" + lines({"1/05", "31/12"}), lines({"1/05", "31/12"}),
             Result::Complete},
    LoadCase{"HeaderWithoutEmptyLine", "a\r\n" + lines({"1/05"}, "\r\n"), lines({}),
             Result::Incomplete},
    LoadCase{"Garbage", kHead + std::string("\0\xff\x1b/\r\x80\r\n\x01", 10), lines({}),
             Result::Incomplete},
    LoadCase{"HugeLine", kHead + std::string(10 << 20, '7') + "\r\n" + lines({"1/01"}, "\r\n"),
             lines({"0/00", "1/01"}), Result::Incomplete},
    LoadCase{"AfterTheSixteenth", kHead + lines(kTen, "\r\n") + "7/\r\n", lines(kTen),
             Result::Complete},
    // A file that cannot be read leaves the table as it was.
    LoadCase{"MissingFile", "", lines({"9/09"}), Result::Unreadable},
    LoadCase{"Folder", "/", lines({"9/09"}), Result::Unreadable}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(HolidaysPageTest, FileWrittenThenReadGivesTheSameTable) {
    HolidayTable::shared().set(0, 1, 1);
    HolidayTable::shared().set(15, 29, 2);
    app->settings().groupPassword = "AB1";
    app->settings().privatePassword = "Z9";
    app->settings().address = 7;
    app->settings().category = 5;
    open(kTab);
    testing::ScopedMessageBoxes boxes;
    dialogs->path = dir.filePath("h.day");
    press(Qt::Key_F8);
    EXPECT_EQ(dialogs->filter, "Праздники (*.day)|*.day|Все Файлы (*.*)|*.*||/day");
    QFile file(dialogs->path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(),
              utf8ToCp1251("Групповой пароль: AB1\r\nИндивидуальный пароль: Z9\r\nАдрес: 007\r\n"
                           "Категория потребителя: 05\r\n\r\n") +
                  lines({"1/01"}, "\r\n", 15) + "29/02\r\n");
    const std::string saved = body();
    HolidayTable::shared().clear();
    press(Qt::Key_F7);
    EXPECT_EQ(body(), saved);
    EXPECT_EQ(row(15), QStringList({"15", "29", "февраль"}));
    EXPECT_TRUE(boxes.texts.isEmpty());

    // Each failure has its message.
    for (const auto& [key, path, message] : std::vector<std::tuple<Qt::Key, QString, QString>>{
             {Qt::Key_F7, fileWith(kHead + "1/03\r\n"), "Не все данные были успешно прочитаны"},
             {Qt::Key_F7, dir.path(), "Ошибка при загрузке праздников из файла"},
             {Qt::Key_F8, dir.filePath("no/h.day"), "Ошибка при сохранении праздников в файл"}}) {
        dialogs->path = path;
        boxes.texts.clear();
        press(key);
        EXPECT_EQ(boxes.texts, QStringList{message});
    }
}

TEST_F(HolidaysPageTest, ReadAsksForTheSixteenNumbersInOrderAndKeepsThemAcrossTabs) {
    withSimulator([&](sim::LineSimulator& s) {
        meterHolidays(s) = {{{8, 3, 0}, {29, 2, 1}, {5, 5, 0}}};  // 29/02 with the month + 80
        meterHolidays(s)[15] = {31, 12, 0};
        s.faults().script({sim::Fault::None, sim::Fault::None, sim::Fault::NoReply});
        return 0;
    });
    HolidayTable::shared().set(4, 1, 1);  // not in the meter: the read empties it
    open(kTab);
    EXPECT_TRUE(control<QRadioButton>(Page::kIndividualId)->isChecked());
    press(Qt::Key_F5);
    std::vector<std::string> expected;
    for (int i = 1; i <= 16; ++i) {
        expected.push_back(frame(Page::kReadHoliday, QString::asprintf("%02d", i)));
    }
    EXPECT_EQ(frames(), expected);
    window->tabs()->setCurrentIndex(16);
    window->tabs()->setCurrentIndex(kTab);
    EXPECT_EQ(body(), lines({"8/03", "29/02"}, "\n", 15) + "31/12\n");
    EXPECT_EQ(row(2), QStringList({"2", "-", "-"}));
    EXPECT_EQ(row(15), QStringList({"15", "31", "декабрь"}));
}

class HolidayWriteTest : public HolidaysPageTest, public ::testing::WithParamInterface<int> {};

TEST_P(HolidayWriteTest, SendsAllSixteenAndTheMeterKeepsExactlyThem) {
    const bool group = GetParam() == Page::kGroupId;
    HolidayTable::shared().set(0, 8, 3);
    HolidayTable::shared().set(7, 29, 2);
    open(kTab);
    control<QRadioButton>(GetParam())->setChecked(true);
    const auto start = std::chrono::steady_clock::now();
    press(Qt::Key_F6);
    const auto took = std::chrono::steady_clock::now() - start;
    std::vector<std::string> expected;
    for (int i = 0; i < 16; ++i) {
        const HolidayDate& h = HolidayTable::shared().at(i);
        expected.push_back(frame(group ? Page::kSetHolidayGroup : Page::kSetHoliday,
                                 QString::asprintf("%02d%02d%02d", i + 1, h.day, h.month)));
    }
    EXPECT_EQ(frames(), expected);
    // The meter's delivered holidays are all replaced, emptied ones included.
    withSimulator([&](sim::LineSimulator& s) {
        for (int i = 0; i < 16; ++i) {
            const sim::HolidayEntry& h = meterHolidays(s)[std::size_t(i)];
            EXPECT_EQ(HolidayDate(h.day, h.month), HolidayTable::shared().at(i)) << i;
        }
        return 0;
    });
    if (group) {  // nobody answers a group command; the line rests after each
        EXPECT_GE(took, 16 * CommandExecutor::kPauseAfterNoReply);
    }
}

INSTANTIATE_TEST_SUITE_P(Holidays, HolidayWriteTest,
                         ::testing::Values(Page::kIndividualId, Page::kGroupId));

struct EditCase {
    const char* name;
    HolidayDate before;
    int column;  // double-clicked
    bool busy;   // during an exchange
    QString day;
    int month, button;
    QString shown;  // "day/month index" on opening; empty when no dialog opens
    HolidayDate after;
};
class HolidayEditTest : public HolidaysPageTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(HolidayEditTest, OkStoresAValidDateEmptiesAnInvalidOneCancelKeeps) {
    const EditCase& c = GetParam();
    HolidayTable::shared().set(3, c.before.day, c.before.month);
    open(kTab);
    QString shown;
    testing::whenModalAppears([&, test = std::weak_ptr<int>(alive_)](QWidget* modal) {
        if (test.expired()) {
            return;
        }
        auto* day = modal->findChild<QLineEdit*>(controlName(HolidayDialog::kDayId));
        auto* month = modal->findChild<QComboBox*>(controlName(HolidayDialog::kMonthId));
        shown =
            modal->windowTitle() + " " + day->text() + "/" + QString::number(month->currentIndex());
        day->setText(c.day);
        month->setCurrentIndex(c.month - 1);
        modal->findChild<QPushButton*>(controlName(c.button))->click();
    });
    if (c.busy) {
        window->currentPage()->onExchangeBegin();
    }
    const QPoint at(list()->columnViewportPosition(c.column) + 4,
                    list()->visualItemRect(list()->topLevelItem(3)).center().y());
    // The view takes the second press for a double click only on the row of the first.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list()->viewport(), Qt::LeftButton, {}, at);
    window->currentPage()->onExchangeEnd();
    EXPECT_EQ(shown, c.shown.isEmpty() ? c.shown : "Изменение праздника " + c.shown);
    EXPECT_EQ(HolidayTable::shared().at(3), c.after);
    EXPECT_EQ(row(3)[1], c.after.empty() ? "-" : QString::number(c.after.day));
}

constexpr int kOk = HolidayDialog::kOkId;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Holidays, HolidayEditTest, ::testing::Values(
    EditCase{"EmptyOpensAsFirstOfJanuary", {}, 0, false, "8", 3, kOk, "1/0", {8, 3}},
    EditCase{"ThirtyFirstOfAprilEmpties", {5, 5}, 0, false, "31", 4, kOk, "5/4", {}},
    EditCase{"TwentyNinthOfFebruary", {5, 5}, 0, false, "29", 2, kOk, "5/4", {29, 2}},
    EditCase{"EmptyDayEmpties", {5, 5}, 0, false, "", 1, kOk, "5/4", {}},
    EditCase{"CancelKeeps", {5, 5}, 0, false, "9", 1, HolidayDialog::kCancelId, "5/4", {5, 5}},
    EditCase{"OnlyTheNumberColumnEdits", {5, 5}, 1, false, "9", 1, kOk, "", {5, 5}},
    EditCase{"NotDuringAnExchange", {5, 5}, 0, true, "9", 1, kOk, "", {5, 5}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

}  // namespace
}  // namespace quillet
