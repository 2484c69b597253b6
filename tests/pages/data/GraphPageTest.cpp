// The consumption graph: the powers from the meter's readings (turns of the counter,
// foreign records, gaps), the axis scale, the day after the graph date, the 49 readings
// of a read against the simulated meter, and the *.plt file both ways.

#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSignalSpy>
#include <cmath>
#include <map>

#include "DataPageTesting.h"
#include "pages/data/GraphPage.h"
#include "pages/data/GraphView.h"

namespace quillet {
namespace {

using Graph = HalfHourGraph;
using Page = GraphPage;
constexpr int kTab = 11;

// Readings of 15 June (marker 1): a counter going up 0.25 kWh a half-hour from `start`,
// turning over at 10 x 10^exponent kWh, so every half-hour draws 0.5 kW, but where a case
// sets other counters, fails readings or gives them a foreign marker.
TEST(HalfHourGraph, PowersFromTheReadings) {
    struct Case {
        const char* name;
        double start;
        int exponent;
        std::map<int, double> counters;
        std::vector<int> failed, foreign;
        bool fill;
        std::vector<std::tuple<int, int, double, int>> runs;  // from, to: power, shown
        double scaleMax;                                      // elsewhere 0.5 kW, complete
    };
    // clang-format off
    for (const Case& c : std::vector<Case>{
             {"all valid, the counter turning over", 95, 1, {}, {}, {}, false, {}, 0.5},
             {"gap filling changes nothing", 95, 1, {}, {}, {}, true, {}, 0.5},
             {"9.99 to 0.01 kWh", 0, 0, {{5, 9.99}, {6, 0.01}}, {}, {}, false,
              {{4, 4, 17.98, 1}, {5, 5, 0.04, 1}, {6, 6, 3.48, 1}}, 50},
             {"a foreign marker", 95, 1, {}, {}, {20}, false, {{19, 20, 0, 0}}, 0.5},
             {"10 to 13 missing", 95, 1, {}, {10, 11, 12, 13}, {}, false, {{9, 13, 0, 0}}, 0.5},
             {"10 to 13 filled", 95, 1, {}, {10, 11, 12, 13}, {}, true,
              {{9, 9, 1.25, 1}, {10, 12, 0, 1}, {13, 13, 1.25, 1}}, 5},
             // The energy of a gap stays when the reading after its end is missing too.
             {"10 to 13 and 15 filled", 95, 1, {}, {10, 11, 12, 13, 15}, {}, true,
              {{9, 9, 1.25, 1}, {10, 12, 0, 1}, {13, 13, 1.25, 1}}, 5},
             {"a gap over the counter's turn", 95, 1, {}, {19, 20, 21}, {}, true,
              {{18, 18, 1, 1}, {19, 20, 0, 1}, {21, 21, 1, 1}}, 1},
             {"the first reading missing", 95, 1, {}, {0}, {}, true, {{0, 0, 0, 1}}, 0.5},
             {"40 to 48 missing", 95, 1, {}, {40, 41, 42, 43, 44, 45, 46, 47, 48}, {}, true,
              {{39, 47, 0, 1}}, 0.5},
             // A valid last half-hour after a gap keeps its own value.
             {"46 missing", 95, 1, {{48, 7.75}}, {46}, {}, true, {{47, 47, 2, 1}}, 5},
             {"47 missing, closed by the next day", 95, 1, {}, {47}, {}, true, {}, 0.5}}) {
        // clang-format on
        Graph g;
        g.day = 15, g.month = 6;
        const double turn = 10 * std::pow(10, c.exponent);
        for (int k = 0; k < Graph::kReadings; ++k) {
            const double counter =
                c.counters.contains(k) ? c.counters.at(k) : std::fmod(c.start + 0.25 * k, turn);
            const GraphPoint point{std::ranges::count(c.foreign, k) ? 2 : 1, double(c.exponent),
                                   counter};
            g.setReading(k, std::ranges::count(c.failed, k) ? nullptr : &point);
        }
        g.compute(c.fill);
        std::vector<std::pair<double, int>> expected(48, {0.5, 1});
        for (const auto& [from, to, power, shown] : c.runs) {
            std::fill(&expected[std::size_t(from)], &expected[std::size_t(to)] + 1,
                      std::pair(power, shown));
        }
        for (std::size_t k = 0; k < Graph::kHalfHours; ++k) {
            EXPECT_NEAR(g.power[k], expected[k].first, 1e-9) << c.name << " " << k;
            EXPECT_EQ(g.shown[k], expected[k].second) << c.name << " " << k;
        }
        EXPECT_DOUBLE_EQ(g.scaleMax, c.scaleMax) << c.name;
    }
}

TEST(HalfHourGraph, ScaleEndsAtHalfOrAWholePowerOfTen) {
    // clang-format off
    for (const auto& [value, scale] : std::vector<std::pair<double, double>>{
             {3.7, 5}, {6, 10}, {0.42, 0.5}, {0.6, 1}, {1, 1}, {12, 50}, {0, 1}, {-2, 1},
             {NAN, 1}, {1e306, 1e306}}) {
        // clang-format on
        EXPECT_DOUBLE_EQ(Graph::scaleFor(value), scale) << value;
    }
}

// The marker of the last reading is the next day's month's: the read of 31/12 checks it.
TEST(HalfHourGraph, LastReadingIsTheNextDaysFirst) {
    // clang-format off
    for (const auto& [year, day, month, nextDay, nextMonth] : std::vector<std::array<int, 5>>{
             {2025, 15, 6, 16, 6}, {2025, 31, 12, 1, 1}, {2024, 28, 2, 29, 2},
             {2025, 28, 2, 1, 3}, {2024, 29, 2, 1, 3}, {2025, 30, 4, 1, 5}}) {
        // clang-format on
        testing::FixedClock pc({year, 6, 1});
        Graph g;
        g.day = day, g.month = month;
        const GraphPointQuery next = g.query(48);
        EXPECT_EQ(std::tuple(next.day, next.month, next.halfHour),
                  std::tuple(nextDay, nextMonth, 0));
    }
}

using GraphPageTest = testing::DataPageFixture;

testing::Sent graphCommands(int day, int month, int nextDay, int nextMonth) {
    testing::Sent sent;
    for (int k = 0; k <= 48; ++k) {
        sent.emplace_back(Page::kReadGraphPoint,
                          QString::asprintf("%02d%02d%02d", k < 48 ? month : nextMonth,
                                            k < 48 ? day : nextDay, k % 48)
                              .toStdString());
    }
    return sent;
}

TEST_F(GraphPageTest, ReadChecksTheDateAsksFortyNineReadingsInOrderAndDrawsThem) {
    Graph::shared() = Graph();
    open(kTab);
    testing::ScopedMessageBoxes boxes;
    setField(Page::kDateId, "31/04");
    press(Qt::Key_F5);
    press(Qt::Key_F8);
    EXPECT_EQ(boxes.texts, QStringList({"Неверное задание даты", "Неверное задание даты"}));
    EXPECT_TRUE(frames().empty());
    // The last row's empty field keeps the date before; its first reading is refused.
    // clang-format off
    for (const auto& [text, day, month, nextDay, nextMonth, fill] :
         std::vector<std::tuple<QString, int, int, int, int, bool>>{
             {"15/06", 15, 6, 16, 6, true}, {"31.12", 31, 12, 1, 1, true},
             {"", 31, 12, 1, 1, false}}) {
        // clang-format on
        // The meter's clock at noon of the day after.
        withSimulator([&, refuse = !fill](sim::LineSimulator& s) {
            s.devices().meter(0)->setDate(nextDay, nextMonth, nextMonth == 1 ? 2026 : 2025);
            s.devices().meter(0)->setTime(12, 0, 0);
            if (refuse) {
                s.faults().script({sim::Fault::Refusal});
            }
        });
        setField(Page::kDateId, text);
        control<QCheckBox>(Page::kFillGapsId)->setChecked(fill);
        const std::size_t before = frames().size();
        QSignalSpy progress(control<QProgressBar>(Page::kProgressId), &QProgressBar::valueChanged);
        press(Qt::Key_F5);
        EXPECT_EQ(framesSince(before), framesOf(graphCommands(day, month, nextDay, nextMonth)));
        QList<QVariantList> steps;
        for (int k = 1; k <= 49; ++k) {
            steps.push_back({k % 49});
        }
        EXPECT_EQ(progress, steps);

        // The meter's counter has four digits of 10 Wh: it turns over at 100 kWh.
        const auto meter = [&](int m, int d, int k) {
            return withSimulator(
                [&](auto& s) { return s.devices().meter(0)->graphPoint(m, d, k).value; });
        };
        const Graph& g = Graph::shared();
        for (int k = 0; k < 48; ++k) {
            const double from = meter(month, day, k);
            const double to = k < 47 ? meter(month, day, k + 1) : meter(nextMonth, nextDay, 0);
            const bool missing = !fill && k == 0;
            EXPECT_NEAR(g.power[std::size_t(k)], missing ? 0 : 2 * std::fmod(to - from + 100, 100),
                        1e-9)
                << k;
            EXPECT_EQ(g.shown[std::size_t(k)], missing ? 0 : 1) << k;
        }
        // The pointer over the half-hour 7:30.
        auto* view = control<GraphView>(Page::kGraphId);
        const QPointF over(80 + (view->width() - 90) * 31 / 96, view->height() / 2);
        QMouseEvent move(QEvent::MouseMove, over, view->mapToGlobal(over), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        EXPECT_EQ(control<QLabel>(Page::kInfoId)->text(),
                  QString::asprintf("Время: 7:30 Потребление: %g КВт*ч", g.power[15]));
    }
    // The date and the choice of gap filling outlive the page.
    setField(Page::kDateId, "20/6");
    leave();
    window->tabs()->setCurrentIndex(kTab);
    EXPECT_EQ(fieldText(Page::kDateId), "20/06");
    EXPECT_FALSE(control<QCheckBox>(Page::kFillGapsId)->isChecked());
}

// Written, then loaded and written again: what a load leaves shows in the bytes.
TEST_F(GraphPageTest, FileWrittenByteForByteAndLoadedAsFarAsItHoldsValues) {
    Graph& g = Graph::shared() = Graph();
    g.power[0] = 123456.789, g.power[1] = 0.000123456789, g.power[47] = 1e7;
    g.shown[0] = g.shown[47] = 1;
    const auto body = [](std::string text, std::vector<std::string> values) {
        values.resize(48, "0 0");
        for (const std::string& value : values) {
            text += "\r\n" + value;
        }
        return text + "\r\n";
    };
    std::vector<std::string> held(48, "0 0");
    held[0] = "123457 1", held[1] = "0.000123457 0", held[47] = "1e+07 1";
    open(kTab);
    setField(Page::kDateId, "7/3");
    testing::ScopedMessageBoxes boxes;
    const QString saved = dialogs->path = dir.filePath("g.plt");
    press(Qt::Key_F8);
    EXPECT_EQ(fileBody(saved), body("7/03", held));

    const std::string head = "a\r\nb\r\n\r\n";
    const QString incomplete = "Не все данные были успешно прочитаны";
    const QString unreadable = "Ошибка при загрузке графика из файла";
    // clang-format off
    for (const auto& [path, after, message] : std::vector<std::tuple<QString, std::string, QString>>{
             {saved, body("7/03", held), ""},
             // Blanks before numbers and anything after them are skipped; a line without
             // both numbers, or with a value that is no power, leaves 0.
             {fileWith(head + " 29/2 x\n1.5 1\n 2e-3\t0 W\nx 1\n-1 1\ninf 1\nnan 1\n3\n-0 1\n", "1.plt"),
              body("29/02", {"1.5 1", "0.002 0", "0 0", "0 0", "0 0", "0 0", "0 0", "0 1"}), incomplete},
             {fileWith(head + "x\r\n5 1\r\n", "2.plt"), body("1/01", {"5 1"}), incomplete},
             // A file that cannot be read or names no day: the graph stays as it was.
             {fileWith(head + "31/02\r\n5 1\r\n", "3.plt"), body("1/01", held), unreadable},
             {fileWith(head + "1/123\r\n5 1\r\n", "4.plt"), body("1/01", held), unreadable},
             {dir.path(), body("1/01", held), unreadable},
             {"", body("1/01", held), ""}}) {
        // clang-format on
        dialogs->path = saved;
        press(Qt::Key_F7);
        setField(Page::kDateId, "1/01");
        boxes.texts.clear();
        dialogs->path = path;
        press(Qt::Key_F7);
        EXPECT_EQ(boxes.texts, message.isEmpty() ? QStringList() : QStringList{message});
        dialogs->path = dir.filePath("again.plt");
        press(Qt::Key_F8);
        EXPECT_EQ(fileBody(dialogs->path), after) << path.toStdString();
    }
    boxes.texts.clear();
    dialogs->path = dir.filePath("none/g.plt");
    press(Qt::Key_F8);
    EXPECT_EQ(boxes.texts, QStringList{"Ошибка при сохранении графика в файл"});
}

}  // namespace
}  // namespace quillet
