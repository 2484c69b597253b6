// The wall time of the consumption graph page's read from device (49 graph commands) at
// 9600 bit/s from the simulator over a pseudo-terminal, against the time the bytes and the
// devices' turnaround need on the line. The page runs offscreen in a main window, the way
// F5 runs it, with the port's COM2 mapped to the pseudo-terminal.
//
//   bench_graph_page_read [rounds]

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/TabPage.h"
#include "pages/data/DataPages.h"
#include "pages/data/GraphPage.h"
#include "serial/ExchangeLog.h"
#include "sim/LineSimulator.h"
#include "sim/MeterModel.h"
#include "sim/PtyServer.h"

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 9600;
constexpr int kGraphTab = 11;

// The bytes that crossed the line: the log's records are a zero byte and a tag before
// their content, which holds printable characters and line ends only.
std::size_t lineBytes(const ExchangeLog& log) {
    const std::vector<std::uint8_t> bytes = log.snapshot().inOrder();
    const auto records = static_cast<std::size_t>(std::ranges::count(bytes, std::uint8_t{0}));
    return bytes.size() - 2 * records;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication qt(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    sim::SimulatorOptions options;
    const auto turnaround = options.turnaround;
    auto simulator = std::make_shared<sim::LineSimulator>(options);
    auto line = std::make_shared<SharedLine>(simulator);
    {
        // The day before the meter's today: every reading exists.
        std::lock_guard lock(line->mutex);
        simulator->devices().meter(0)->setDate(16, 6, 2025);
        simulator->devices().meter(0)->setTime(12, 0, 0);
    }
    sim::PtyServer server(line);
    server.start();

    QTemporaryDir dir;
    auto store = std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat);
    store->setValue("Ports/COM2", QString::fromStdString(server.terminalPath()));
    store->setValue("Settings/ComPort", 1);
    store->setValue("Settings/ComSpeed", 5);  // 9600 bit/s
    store->setValue("Settings/ErrorReport", 0);
    Application app(std::move(store));
    app.loadSettings();
    registerDataPages();
    HalfHourGraph::shared().day = 15;
    HalfHourGraph::shared().month = 6;

    MainWindow window(app);
    window.confirmExit = [] { return true; };
    window.currentPageIndex = kGraphTab;
    window.start();
    window.show();
    QApplication::processEvents();
    TabPage* page = window.currentPage();
    if (dynamic_cast<GraphPage*>(page) == nullptr) {
        std::fprintf(stderr, "the graph page was not shown\n");
        return 1;
    }

    std::vector<double> ratios;
    int incomplete = 0;
    for (int round = 0; round < rounds; ++round) {
        app.port().clearLog();
        const auto started = Clock::now();
        window.beginExchange();
        page->readFromDevice();
        window.endExchange();
        const double wall = std::chrono::duration<double>(Clock::now() - started).count();
        const std::size_t bytes = lineBytes(app.port().log());
        const double onLine =
            double(bytes) * 10.0 / kBaud +
            HalfHourGraph::kReadings * std::chrono::duration<double>(turnaround).count();
        const auto& shown = HalfHourGraph::shared().shown;
        incomplete += static_cast<int>(std::ranges::count(shown, 0));
        ratios.push_back(wall / onLine);
        std::printf("round %d: %zu bytes, wall %.3f s, line %.3f s, ratio %.4f\n", round + 1, bytes,
                    wall, onLine, wall / onLine);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf(
        "graph page read, 49 commands at %d bit/s: median ratio wall/line %.4f over %d rounds, "
        "%d incomplete half-hours\n",
        kBaud, ratios[ratios.size() / 2], rounds, incomplete);
    server.stop();
    return incomplete == 0 ? 0 : 1;
}
