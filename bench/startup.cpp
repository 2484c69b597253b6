// Time from process start to the main window shown, and resident memory then.
//
//   bench_startup        (QT_QPA_PLATFORM picks the platform: xcb under Xvfb, offscreen)
//
// Starts the program's own way (settings from an isolated store with COM2 on the
// simulated line), waits until the window is exposed, prints the figures and ends.

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPalette>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "app/Application.h"
#include "app/MainWindow.h"

namespace {

// Seconds since the process was started, from the kernel's record of it.
double secondsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    // Field 22, counted after the command name in parentheses.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i) {
        fields >> field;
    }
    const double startedAfterBoot = std::stod(field) / double(::sysconf(_SC_CLK_TCK));
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9 - startedAfterBoot;
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QTemporaryDir dir;
    auto store = std::make_unique<QSettings>(dir.filePath("Quillet.conf"), QSettings::IniFormat);
    store->setValue("Ports/COM2", "sim");
    quillet::Application app(std::move(store));
    app.loadSettings();
    quillet::MainWindow window(app);
    window.currentPageIndex = app.settings().initialTab;
    window.start();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, 5000)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    QApplication::processEvents();
    const double shown = secondsSinceProcessStart();
    std::printf("platform %s: main window shown %.0f ms after process start, resident %.1f MB\n",
                qPrintable(QGuiApplication::platformName()), shown * 1000,
                double(residentKilobytes()) / 1024.0);
    return 0;
}
