// The readings page: the fifteen commands of a read against the simulated meter, a
// reply without a value, the *.ind file both ways, bad files, fix and reset.

#include <cmath>
#include <span>

#include "DataPageTesting.h"
#include "pages/data/ReadingsPage.h"
#include "serial/LineDevice.h"

namespace quillet {
namespace {

using Page = ReadingsPage;
using Tables = ReadingsTables;
constexpr int kTab = 7;
constexpr std::size_t kValues = Tables::kFileValues;
const testing::Sent kTotals = {{42, ""}, {44, ""}, {46, ""}, {48, ""},
                               {43, ""}, {45, ""}, {47, ""}};

QString text(double value) {
    return value >= 0 ? QString::fromStdString(formatDouble(value, 8)) : "-";
}

class ReadingsPageTest : public testing::DataPageFixture {
protected:
    ReadingsPageTest() {
        Tables::shared() = Tables();
        // A night hour: the registers hardly move during a read.
        withSimulator([](sim::LineSimulator& s) {
            s.devices().meter(0)->setDate(15, 3, 2025);
            s.devices().meter(0)->setTime(3, 0, 0);
        });
    }
    // The value column of the totals list, then of the month list, from row `from` on.
    std::vector<QString> shown(std::size_t from = 0) {
        std::vector<QString> texts;
        for (const auto& [id, rows] :
             {std::pair{Page::kTotalsId, 7}, {Page::kMonthReadingsId, 4}}) {
            for (int row = 0; row < rows; ++row) {
                texts.push_back(control<ReportList>(id)->text(row, 1));
            }
        }
        return {texts.begin() + std::ptrdiff_t(from), texts.end()};
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
    testing::FixedClock pc{{2025, 3, 15, 10, 20, 30, 6}};
};

TEST_F(ReadingsPageTest, ReadSendsFifteenCommandsAndShowsTheMeterValues) {
    open(kTab);
    // The computer's month, the selected month, and the month parameters of the readings.
    for (const auto& [pcMonth, monthIndex, following, selected] :
         std::vector<std::tuple<int, int, std::string, std::string>>{
             {3, 2, "04", "03"}, {3, 11, "01", "12"}, {12, 11, "01", "12"}}) {
        SCOPED_TRACE(pcMonth * 100 + monthIndex);
        testing::FixedClock at({2025, pcMonth, 15, 10, 20, 30, 6});
        select(monthIndex, 1);
        // What the meter holds, as the wire's three decimals give it, in the page's rows.
        const auto meter = [&, m = monthIndex, now = pcMonth,
                            next = std::stoi(following)](int mode) {
            using R = sim::EnergyRegister;
            constexpr std::array<R, 7> kRows = {R::HalfPeak,  R::OffPeak,        R::Peak,
                                                R::Penalty,   R::HalfPeakExcess, R::OffPeakExcess,
                                                R::PeakExcess};
            const auto wire = [](double kwh) { return double(std::llround(kwh * 1000)) * 0.001; };
            return withSimulator([&](sim::LineSimulator& s) {
                const sim::MeterModel& held = *s.devices().meter(0);
                std::vector<QString> texts;
                for (R r : kRows) {
                    texts.push_back(text(wire(sim::at(held.totals(), r))));
                }
                for (std::size_t r = 0; r < 4; ++r) {
                    const double start = wire(held.monthReadings(m + 1)[r]);
                    const double end = m + 1 == now ? wire(sim::at(held.totals(), kRows[r]))
                                                    : wire(held.monthReadings(next)[r]);
                    texts.push_back(text(mode == 0 ? start : end - start));
                }
                return texts;
            });
        };
        const std::size_t sentBefore = frames().size();
        const std::vector<QString> before = meter(1);
        press(Qt::Key_F5);
        const std::vector<QString> after = meter(1);

        testing::Sent sent = kTotals;
        for (const std::string& month : {following, selected}) {
            for (std::size_t slot = 59; slot <= 62; ++slot) {
                sent.emplace_back(slot, month);
            }
        }
        EXPECT_EQ(framesSince(sentBefore), framesOf(sent));
        const std::vector<QString> texts = shown();
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_TRUE(texts[i] == before[i] || texts[i] == after[i])
                << i << ": " << texts[i].toStdString() << " for " << before[i].toStdString();
        }
        select(monthIndex, 0);  // the start readings, shown without a command
        const std::vector<QString> held = meter(0);
        EXPECT_EQ(shown(7), std::vector(held.begin() + 7, held.end()));
        EXPECT_EQ(frames().size(), sentBefore + 15);
    }
}

// Answers every meter frame at once with a register the meter does not keep: eight dashes.
struct DashedRegisters : LinePeer {
    explicit DashedRegisters(std::size_t at) : codeAt(at) {}
    void receive(std::span<const std::uint8_t> bytes, int, Clock::time_point) override {
        frame.append(bytes.begin(), bytes.end());
        if (frame.size() > codeAt && frame.back() == '\r') {
            out += appendChecksum('~', frame.substr(1, 3) + frame[codeAt] + "--------", '\r');
            frame.clear();
        }
    }
    std::vector<std::uint8_t> takeDue(Clock::time_point) override {
        const std::string due = std::exchange(out, {});
        return {due.begin(), due.end()};
    }
    std::optional<Clock::time_point> nextDue() const override {
        return out.empty() ? std::nullopt : std::optional(Clock::time_point{});
    }
    unsigned modemLines(Clock::time_point) override {
        return ModemStatus::kCtsOn | ModemStatus::kDsrOn;
    }
    std::size_t codeAt;  // "#", address, password, then the code
    std::string frame, out;
};

TEST_F(ReadingsPageTest, AValidReplyWithoutAValueLeavesNoValue) {
    {
        std::lock_guard lock(app->simulatedLine().mutex);
        app->simulatedLine().peer =
            std::make_shared<DashedRegisters>(4 + app->settings().privatePassword.size());
    }
    fill(5);
    open(kTab);
    press(Qt::Key_F5);
    // Only what was read is gone: March and April of every month row.
    std::vector<double> expected(kValues, 5);
    std::fill_n(expected.begin(), 7, -1);
    for (std::size_t row = 0; row < 4; ++row) {
        expected[7 + row * 12 + 2] = expected[7 + row * 12 + 3] = -1;
    }
    EXPECT_EQ(values(), expected);
}

TEST_F(ReadingsPageTest, FileWrittenByteForByteAndLoadedAsFarAsItHoldsReadings) {
    Tables& t = Tables::shared();
    t.totals = {123456.789, 0, -1, -1, -1, -1, 1e7};
    t.months[0][0] = 1.5;
    t.months[3][11] = 0.000123456789;
    open(kTab);
    select(0, 0);
    testing::ScopedMessageBoxes boxes;
    const QString saved = dialogs->path = dir.filePath("r.ind");
    press(Qt::Key_F8);
    std::vector<std::string> lines(kValues, "-1");
    lines[0] = "123457", lines[1] = "0", lines[6] = "1e+07", lines[7] = "1.5";
    lines[54] = "0.000123457";
    std::string body;
    std::vector<double> readBack;
    for (const std::string& line : lines) {
        body += line + "\r\n";
        readBack.push_back(std::stod(line));
    }
    EXPECT_EQ(fileBody(saved), body);
    dialogs->path = dir.filePath("none/r.ind");
    press(Qt::Key_F8);
    EXPECT_EQ(boxes.texts, QStringList{"Ошибка при сохранении показаний в файл"});

    const std::string head = "a\r\nb\r\nc\r\nd\r\n\r\n";
    // clang-format off
    for (const auto& [path, loaded, message] :
         std::vector<std::tuple<QString, std::vector<double>, QString>>{
             {saved, readBack, ""},
             // A line without a number has no value, nor has -1; -0 is 0.
             {fileWith(head + "-1\r\n-0\r\n  7.5 кВт*ч\r\nx\r\n3\r\n", "1.ind"), {-1, 0, 7.5, -1, 3}, ""},
             // A number that is no reading is dropped, and the load reported incomplete.
             {fileWith(head + "1\r\n-2\r\n1e999\r\nnan\r\n-inf\r\n6\r\n", "2.ind"),
              {1, -1, -1, -1, -1, 6}, "Не все данные были успешно прочитаны"},
             // A file that cannot be read, or none chosen, keeps the values as they were.
             {dir.filePath("none.ind"), {}, "Ошибка при загрузке показаний из файла"},
             {"", {}, ""}}) {
        // clang-format on
        SCOPED_TRACE(path.toStdString());
        dialogs->path = path;
        fill(9);
        boxes.texts.clear();
        press(Qt::Key_F7);
        std::vector<double> expected(kValues, loaded.empty() ? 9 : -1);
        std::copy(loaded.begin(), loaded.end(), expected.begin());
        EXPECT_EQ(values(), expected);
        std::vector<QString> texts;
        for (std::size_t i : {0, 1, 2, 3, 4, 5, 6, 7, 19, 31, 43}) {  // totals, January readings
            texts.push_back(text(expected[i]));
        }
        EXPECT_EQ(shown(), texts);
        EXPECT_EQ(boxes.texts, message.isEmpty() ? QStringList() : QStringList{message});
    }
}

TEST_F(ReadingsPageTest, FixAndResetAskInsideAnExchangeAndSendOnlyOnYes) {
    const QString fix = "Подтвердите фиксацию показаний в указанном месяце";
    const QString reset =
        "Подтвердите сброс всех показаний группы счетчиков\n"
        "(должна быть установлена технологическая перемычка)";
    open(kTab);
    select(4, 1);
    testing::Sent sent;
    for (const auto& [button, reply, question, frame] :
         std::vector<std::tuple<int, QString, QString, testing::Sent>>{
             {Page::kFixId, "Нет", fix, {}},
             {Page::kFixId, "Да", fix, {{Page::kFixReadings, "05"}}},
             {Page::kResetId, "Нет", reset, {}},
             {Page::kResetId, "Да", reset, {{Page::kResetReadings, ""}}}}) {
        QString seen;
        bool busy = false;
        answer(reply, &seen, &busy);
        click(button);
        EXPECT_EQ(seen, question);
        EXPECT_TRUE(busy);
        sent.insert(sent.end(), frame.begin(), frame.end());
        EXPECT_EQ(frames(), framesOf(sent));
    }
}

}  // namespace
}  // namespace quillet
