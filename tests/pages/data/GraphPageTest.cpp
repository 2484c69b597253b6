// The consumption graph page: the 49 readings of a read against the simulated meter,
// and the *.plt file both ways.

#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSignalSpy>
#include <cmath>

#include "DataPageTesting.h"
#include "pages/data/GraphPage.h"
#include "pages/data/GraphView.h"

namespace quillet {
namespace {

using Graph = HalfHourGraph;
using Page = GraphPage;
constexpr int kTab = 11;

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
