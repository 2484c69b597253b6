// The readings page: the month rules, the fifteen commands of a read against the simulated
// meter, Cancel, the *.ind file both ways byte for byte, bad files, fix and reset.

#include <gmock/gmock.h>

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <cmath>
#include <span>

#include "PageFixture.h"
#include "ScopedMessageBoxes.h"
#include "app/ReportList.h"
#include "pages/data/ReadingsPage.h"
#include "protocol/Cp1251.h"
#include "protocol/Frame.h"
#include "protocol/LocalClock.h"
#include "protocol/ValueText.h"
#include "serial/LineDevice.h"
#include "sim/Faults.h"
#include "sim/MeterModel.h"

// Failure messages show texts, not bytes.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace quillet {
namespace {

using testing::PageFixture;
using Page = ReadingsPage;
using Tables = ReadingsTables;
using ::testing::AnyOf;
using ::testing::Eq;

constexpr int kReadingsTab = 7;
constexpr int kAboutTab = 16;
constexpr std::size_t kValues = Tables::kFileValues;
const QString kIncomplete = "Не все данные были успешно прочитаны";
const QString kLoadError = "Ошибка при загрузке показаний из файла";

LocalDateTime pcClock(int month) {
    return {2025, month, 15, 10, 20, 30, 6};
}

QString text(double value) {
    return value >= 0 ? QString::fromStdString(formatDouble(value, 8)) : "-";
}

struct RuleCase {
    const char* name;
    int mode, monthIndex, currentMonth;
    double total, atStart, atNextStart;
    const char* shown;
};

class MonthRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(MonthRuleTest, MonthRowText) {
    const RuleCase& c = GetParam();
    Tables t;
    t.mode = c.mode;
    t.monthIndex = c.monthIndex;
    t.totals[2] = c.total;
    t.months[2][static_cast<std::size_t>(c.monthIndex)] = c.atStart;
    t.months[2][static_cast<std::size_t>(t.followingMonth() - 1)] = c.atNextStart;
    EXPECT_EQ(t.monthText(2, c.currentMonth), c.shown);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Readings, MonthRuleTest, ::testing::Values(
    RuleCase{"StartReading", 0, 2, 3, 500, 123456.789, 130, "123456.79"},
    RuleCase{"StartReadingMissing", 0, 2, 3, 500, -1, 130, "-"},
    RuleCase{"CurrentMonthRunsToTheTotal", 1, 2, 3, 150.25, 100, 0, "50.25"},
    RuleCase{"CurrentMonthNeedsTheNextReading", 1, 2, 3, 150, 100, -1, "-"},
    RuleCase{"CurrentMonthWithoutTotal", 1, 2, 3, -1, 100, 130, "-"},
    // Not total + 1 from the missing value's -1.
    RuleCase{"CurrentMonthWithoutStart", 1, 2, 3, 150, -1, 0, "-"},
    RuleCase{"OtherMonth", 1, 2, 4, 150, 100, 130.5, "30.5"},
    RuleCase{"OtherMonthWithoutStart", 1, 2, 4, 150, -1, 130, "-"},
    RuleCase{"NextReadingMissing", 1, 2, 4, 150, 100, -1, "-"},
    RuleCase{"NegativeConsumption", 1, 2, 4, 150, 100, 90, "-"},
    RuleCase{"TotalBelowStart", 1, 2, 3, 90, 100, 0, "-"},
    RuleCase{"DecemberEndsWithJanuary", 1, 11, 3, 500, 100, 250, "150"},
    RuleCase{"DecemberCurrent", 1, 11, 12, 500, 100, 0, "400"}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

// Every meter frame gets a register the meter does not keep: eight dashes, at once.
class DashedRegisters : public LinePeer {
public:
    explicit DashedRegisters(std::size_t codeAt) : codeAt_(codeAt) {}
    void receive(std::span<const std::uint8_t> bytes, int, Clock::time_point) override {
        frame_.append(bytes.begin(), bytes.end());
        if (frame_.size() > codeAt_ && frame_.back() == '\r') {
            out_ += appendChecksum('~', frame_.substr(1, 3) + frame_[codeAt_] + "--------", '\r');
            frame_.clear();
            ++frames;
        }
    }
    std::vector<std::uint8_t> takeDue(Clock::time_point) override {
        std::vector<std::uint8_t> due(out_.begin(), out_.end());
        out_.clear();
        return due;
    }
    std::optional<Clock::time_point> nextDue() const override {
        return out_.empty() ? std::nullopt : std::optional(Clock::time_point{});
    }
    unsigned modemLines(Clock::time_point) override {
        return ModemStatus::kCtsOn | ModemStatus::kDsrOn;
    }
    int frames = 0;

private:
    std::size_t codeAt_;  // "#", address, password, then the code
    std::string frame_, out_;
};

class FixedFileDialogs : public FileDialogs {
public:
    QString openFileName(QWidget*, const QString& filter) override {
        asked << filter;
        return answer;
    }
    QString saveFileName(QWidget*, const QString& filter, const QString& extension) override {
        asked << filter + "/" + extension;
        return answer;
    }
    QString answer;
    QStringList asked;
};

class ReadingsPageTest : public PageFixture {
protected:
    ReadingsPageTest() {
        setLocalClock([] { return pcClock(3); });
        Tables::shared() = Tables();
        app->setFileDialogs(std::unique_ptr<FileDialogs>(dialogs));
        // A night hour: the registers hardly move during a read.
        withSimulator([](sim::LineSimulator& s) {
            s.devices().meter(0)->setDate(15, 3, 2025);
            s.devices().meter(0)->setTime(3, 0, 0);
            return 0;
        });
    }
    ~ReadingsPageTest() override { setLocalClock({}); }

    // The value column of the totals list, then of the month list.
    std::vector<QString> shown() {
        std::vector<QString> texts;
        for (const auto& [id, rows] :
             {std::pair{Page::kTotalsId, 7}, {Page::kMonthReadingsId, 4}}) {
            for (int row = 0; row < rows; ++row) {
                texts.push_back(control<ReportList>(id)->text(row, 1));
            }
        }
        return texts;
    }
    void select(int monthIndex, int mode) {
        control<QComboBox>(Page::kMonthId)->setCurrentIndex(monthIndex);
        control<QComboBox>(Page::kModeId)->setCurrentIndex(mode);
    }
    std::vector<double> values() {
        std::vector<double> all;
        for (std::size_t i = 0; i < kValues; ++i) {
            all.push_back(Tables::shared().fileValue(i));
        }
        return all;
    }
    void fill(double value) {
        for (std::size_t i = 0; i < kValues; ++i) {
            Tables::shared().fileValue(i) = value;
        }
    }
    std::vector<std::string> framesOf(
        const std::vector<std::pair<std::size_t, std::string>>& sent) {
        std::vector<std::string> expected;
        for (const auto& [slot, params] : sent) {
            expected.push_back(buildRequestFrame(slot, params, app->settings().link()).value());
        }
        return expected;
    }

    // What the meter holds, as the wire's three decimals give it: totals by row, then the
    // readings at the start of every month.
    struct Meter {
        std::array<double, 7> totals;
        std::array<sim::MonthReadings, 12> months;
    };
    Meter meter() {
        constexpr std::array<sim::EnergyRegister, 7> kRegisters = {
            sim::EnergyRegister::HalfPeak,       sim::EnergyRegister::OffPeak,
            sim::EnergyRegister::Peak,           sim::EnergyRegister::Penalty,
            sim::EnergyRegister::HalfPeakExcess, sim::EnergyRegister::OffPeakExcess,
            sim::EnergyRegister::PeakExcess};
        const auto wire = [](double kwh) {
            return static_cast<double>(std::llround(kwh * 1000)) * 0.001;
        };
        return withSimulator([&](sim::LineSimulator& s) {
            const sim::MeterModel& m = *s.devices().meter(0);
            Meter held{};
            for (std::size_t r = 0; r < 7; ++r) {
                held.totals[r] = wire(sim::at(m.totals(), kRegisters[r]));
            }
            for (int month = 1; month <= 12; ++month) {
                for (double& v : held.months[month - 1] = m.monthReadings(month)) {
                    v = wire(v);
                }
            }
            return held;
        });
    }

    FixedFileDialogs* dialogs = new FixedFileDialogs;
};

struct ReadCase {
    const char* name;
    int pcMonth, monthIndex;
    std::string following, selected;  // month parameters of the readings
};

class ReadingsReadTest : public ReadingsPageTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadingsReadTest, FifteenCommandsAndTheMeterValues) {
    const ReadCase& c = GetParam();
    setLocalClock([&c] { return pcClock(c.pcMonth); });
    app->settings().errorReport = 0;
    open(kReadingsTab);
    select(c.monthIndex, 1);
    const Meter before = meter();
    press(Qt::Key_F5);
    const Meter after = meter();

    std::vector<std::pair<std::size_t, std::string>> sent = {{42, ""}, {44, ""}, {46, ""}, {48, ""},
                                                             {43, ""}, {45, ""}, {47, ""}};
    for (const std::string& month : {c.following, c.selected}) {
        for (std::size_t slot = 59; slot <= 62; ++slot) {
            sent.emplace_back(slot, month);
        }
    }
    EXPECT_EQ(frames(), framesOf(sent)) << logText();

    const auto m = static_cast<std::size_t>(c.monthIndex);
    const std::size_t n = std::stoul(c.following) - 1;
    const bool current = c.monthIndex + 1 == c.pcMonth;
    const auto expected = [&](const Meter& held, int mode) {
        std::vector<QString> texts;
        for (double total : held.totals) {
            texts.push_back(text(total));
        }
        for (std::size_t r = 0; r < 4; ++r) {
            const double end = current ? held.totals[r] : held.months[n][r];
            texts.push_back(text(mode == 0 ? held.months[m][r] : end - held.months[m][r]));
        }
        return texts;
    };
    const std::vector<QString> texts = shown();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_THAT(texts[i], AnyOf(Eq(expected(before, 1)[i]), Eq(expected(after, 1)[i]))) << i;
    }

    // The lists only show again: the start readings, and nothing for a month not read.
    select(c.monthIndex, 0);
    const std::vector<QString> startReadings = shown(), meterStart = expected(before, 0);
    EXPECT_EQ(std::vector(startReadings.begin() + 7, startReadings.end()),
              std::vector(meterStart.begin() + 7, meterStart.end()));
    select(static_cast<int>((m + 6) % 12), 0);
    const std::vector<QString> notRead = shown();
    EXPECT_EQ(std::vector<QString>(notRead.begin() + 7, notRead.end()),
              std::vector<QString>(4, "-"));
    select(c.monthIndex, 0);
    window->tabs()->setCurrentIndex(kAboutTab);
    window->tabs()->setCurrentIndex(kReadingsTab);
    EXPECT_EQ(shown(), startReadings);
    EXPECT_EQ(control<QComboBox>(Page::kMonthId)->currentIndex(), c.monthIndex);
    EXPECT_EQ(control<QComboBox>(Page::kModeId)->currentIndex(), 0);
    EXPECT_EQ(frames().size(), 15u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Readings, ReadingsReadTest, ::testing::Values(
    ReadCase{"CurrentMonth", 3, 2, "04", "03"},
    ReadCase{"December", 3, 11, "01", "12"},
    ReadCase{"DecemberIsCurrent", 12, 11, "01", "12"}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(ReadingsPageTest, CancelLeavesTheRestUnreadAndTheLineQuiet) {
    withSimulator([](sim::LineSimulator& s) {
        s.faults().script(
            {sim::Fault::None, sim::Fault::None, sim::Fault::None, sim::Fault::NoReply});
        return 0;
    });
    open(kReadingsTab);
    bool cancelled = false;
    testing::whenModalAppears([&cancelled](QWidget* modal) {
        for (QPushButton* button : modal->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("Отмена")) {
                cancelled = true;
                button->click();
            }
        }
    });
    press(Qt::Key_F5);

    ASSERT_TRUE(cancelled);
    EXPECT_EQ(frames(), framesOf({{42, ""}, {44, ""}, {46, ""}, {48, ""}}));
    const std::vector<QString> texts = shown();
    EXPECT_EQ(std::count(texts.begin(), texts.begin() + 3, "-"), 0);
    EXPECT_EQ(std::vector<QString>(texts.begin() + 3, texts.end()), std::vector<QString>(8, "-"));
}

TEST_F(ReadingsPageTest, AValidReplyWithoutAValueLeavesNoValue) {
    auto peer = std::make_shared<DashedRegisters>(4 + app->settings().privatePassword.size());
    {
        std::lock_guard lock(app->simulatedLine().mutex);
        app->simulatedLine().peer = peer;
    }
    app->settings().errorReport = 0;
    fill(5);
    open(kReadingsTab);
    press(Qt::Key_F5);
    EXPECT_EQ(peer->frames, 15);
    EXPECT_EQ(shown(), std::vector<QString>(11, "-"));
    // Only what was read is gone: March and April of every month row.
    std::vector<double> expected(kValues, 5);
    std::fill_n(expected.begin(), 7, -1);
    for (std::size_t row = 0; row < 4; ++row) {
        expected[7 + row * 12 + 2] = expected[7 + row * 12 + 3] = -1;
    }
    EXPECT_EQ(values(), expected);
}

TEST_F(ReadingsPageTest, FileWrittenByteForByteAndReadBackRounded) {
    app->settings().groupPassword = "AB1";
    app->settings().privatePassword = "Z9";
    app->settings().address = 7;
    app->settings().category = 5;
    Tables& t = Tables::shared();
    t.totals = {123456.789, 0, -1, -1, -1, -1, 1e7};
    t.months[0][0] = 1.5;
    t.months[3][11] = 0.000123456789;
    open(kReadingsTab);
    EXPECT_EQ(shown()[0], "123456.79");
    testing::ScopedMessageBoxes boxes;
    dialogs->answer = dir.filePath("r.ind");
    press(Qt::Key_F8);

    std::vector<std::string> lines(kValues, "-1");
    lines[0] = "123457", lines[1] = "0", lines[6] = "1e+07", lines[7] = "1.5";
    lines[54] = "0.000123457";
    std::string expected = utf8ToCp1251(
        "Групповой пароль: AB1\r\nИндивидуальный пароль: Z9\r\nАдрес: 007\r\n"
        "Категория потребителя: 05\r\n\r\n");
    for (const std::string& line : lines) {
        expected += line + "\r\n";
    }
    QFile file(dialogs->answer);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), expected);

    fill(9);
    press(Qt::Key_F7);
    std::vector<double> readBack;
    for (const std::string& line : lines) {
        readBack.push_back(std::stod(line));
    }
    EXPECT_EQ(values(), readBack);
    EXPECT_EQ(shown()[0], "123457");
    EXPECT_EQ(boxes.texts, QStringList());
    const QString filter = "Показания (*.ind)|*.ind|Все Файлы (*.*)|*.*||";
    EXPECT_EQ(dialogs->asked, QStringList({filter + "/ind", filter}));

    dialogs->answer = dir.filePath("none/r.ind");
    press(Qt::Key_F8);
    EXPECT_EQ(boxes.texts, QStringList{"Ошибка при сохранении показаний в файл"});
    QFile registered(dir.filePath("data/mime/packages/quillet-ind.xml"));
    ASSERT_TRUE(registered.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(registered.readAll()).contains("Показания"));
}

enum class Source { File, Directory, Missing, Cancel };

struct FileCase {
    const char* name;
    Source source;
    std::string content;
    std::vector<double> loaded;  // from the first value on; the rest stays without one
    QString message;
};

const std::string kHeader = "a\r\nb\r\nc\r\nd\r\n\r\n";

std::string numbered(int count) {
    std::string lines;
    for (int i = 1; i <= count; ++i) {
        lines += std::to_string(i) + "\r\n";
    }
    return lines;
}

std::vector<double> upTo(int count) {
    std::vector<double> values;
    for (int i = 1; i <= count; ++i) {
        values.push_back(i);
    }
    return values;
}

std::string garbage() {
    std::string bytes;
    for (int i = 0; i < 1024; ++i) {
        bytes += static_cast<char>(i % 256);
    }
    return bytes;
}

class ReadingsFileTest : public ReadingsPageTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(ReadingsFileTest, LoadsWhatTheFileHolds) {
    const FileCase& c = GetParam();
    dialogs->answer = dir.filePath("in.ind");
    if (c.source == Source::File) {
        QFile file(dialogs->answer);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(c.content.data(), static_cast<qint64>(c.content.size())),
                  static_cast<qint64>(c.content.size()));
    } else if (c.source == Source::Directory) {
        ASSERT_TRUE(QDir(dir.path()).mkdir("in.ind"));
    } else if (c.source == Source::Cancel) {
        dialogs->answer.clear();
    }
    fill(9);
    open(kReadingsTab);
    select(0, 0);
    testing::ScopedMessageBoxes boxes;
    press(Qt::Key_F7);

    // A cancelled choice or a file that cannot be read leaves the values as they were.
    const bool kept = c.source != Source::File;
    std::vector<double> expected(kValues, kept ? 9 : -1);
    std::copy(c.loaded.begin(), c.loaded.end(), expected.begin());
    EXPECT_EQ(values(), expected);
    std::vector<QString> texts;
    for (std::size_t i : {0, 1, 2, 3, 4, 5, 6, 7, 19, 31, 43}) {  // totals, January readings
        texts.push_back(text(expected[i]));
    }
    EXPECT_EQ(shown(), texts);
    EXPECT_EQ(boxes.texts, c.message.isEmpty() ? QStringList() : QStringList{c.message});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Readings, ReadingsFileTest, ::testing::Values(
    FileCase{"Complete", Source::File, kHeader + numbered(55), upTo(55), {}},
    FileCase{"FewerLines", Source::File, kHeader + numbered(20), upTo(20), {}},
    FileCase{"MinusTwoSkipped", Source::File, kHeader + "1\r\n2\r\n-2\r\n4\r\n",
             {1, 2, -1, 4}, kIncomplete},
    FileCase{"MinusOneIsNoValue", Source::File, kHeader + "-1\r\n2\r\n", {-1, 2}, {}},
    FileCase{"NegativeZeroIsZero", Source::File, kHeader + "-0\r\n", {0}, {}},
    FileCase{"LfOnly", Source::File, "a\nb\nc\nd\n\n1\n2\n3\n", upTo(3), {}},
    FileCase{"HeaderWithoutEmptyLine", Source::File, "a\r\nb\r\nc\r\nd\r\n1\r\n2\r\n", {}, {}},
    FileCase{"TextAroundNumbers", Source::File, kHeader + "  7.5 кВт*ч\r\nx\r\n3\r\n",
             {7.5, -1, 3}, {}},
    // Four lines of garbage and its end, then a number.
    FileCase{"BinaryGarbage", Source::File, kHeader + garbage() + "\r\n5\r\n", {-1, -1, -1, -1, -1, 5}, {}},
    FileCase{"TenMegabyteLine", Source::File, kHeader + std::string(10 << 20, '0') + "12.5\r\n2\r\n",
             {12.5, 2}, {}},
    FileCase{"OverflowAndNan", Source::File, kHeader + "1e999\r\nnan\r\n-inf\r\n4\r\n", {-1, -1, -1, 4},
             kIncomplete},
    FileCase{"Directory", Source::Directory, {}, {}, kLoadError},
    FileCase{"Missing", Source::Missing, {}, {}, kLoadError},
    FileCase{"Cancelled", Source::Cancel, {}, {}, {}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

struct ButtonCase {
    const char* name;
    int button;
    QString answer;
    QString question;
    std::vector<std::pair<std::size_t, std::string>> sent;
};

class ReadingsButtonTest : public ReadingsPageTest,
                           public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(ReadingsButtonTest, AsksInsideAnExchangeAndSendsOnlyOnYes) {
    const ButtonCase& c = GetParam();
    app->settings().errorReport = 0;
    for (std::size_t i = 0; i < kValues; ++i) {
        Tables::shared().fileValue(i) = static_cast<double>(i) * 1.5;
    }
    const std::vector<double> before = values();
    open(kReadingsTab);
    select(4, 1);
    const std::vector<QString> shownBefore = shown();
    QString question;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool busy = false, anyEnabled = true;
    testing::whenModalAppears([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        question = box->text();
        icon = box->icon();
        busy = window->isBusy();
        anyEnabled = false;
        for (int id : {Page::kFixId, Page::kResetId, Page::kMonthId, Page::kModeId}) {
            anyEnabled = anyEnabled || control<QWidget>(id)->isEnabled();
        }
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == c.answer) {
                b->click();
            }
        }
    });
    click(c.button);

    EXPECT_EQ(question, c.question);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(anyEnabled);
    EXPECT_FALSE(window->isBusy());
    EXPECT_TRUE(control<QWidget>(Page::kMonthId)->isEnabled());
    EXPECT_EQ(frames(), framesOf(c.sent));
    EXPECT_EQ(values(), before);
    EXPECT_EQ(shown(), shownBefore);
}

const QString kFix = "Подтвердите фиксацию показаний в указанном месяце";
const QString kReset =
    "Подтвердите сброс всех показаний группы счетчиков\n"
    "(должна быть установлена технологическая перемычка)";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Readings, ReadingsButtonTest, ::testing::Values(
    ButtonCase{"FixYes", Page::kFixId, "Да", kFix, {{Page::kFixReadings, "05"}}},
    ButtonCase{"FixNo", Page::kFixId, "Нет", kFix, {}},
    ButtonCase{"ResetYes", Page::kResetId, "Да", kReset, {{Page::kResetReadings, ""}}},
    ButtonCase{"ResetNo", Page::kResetId, "Нет", kReset, {}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

}  // namespace
}  // namespace quillet
