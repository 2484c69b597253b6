#pragma once

// An application on a temporary settings store with the simulated line on COM2, every
// page class registered and a main window to show them in.

#include <gtest/gtest.h>

#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "GuiTestHelpers.h"
#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/MainWindow.h"
#include "app/TabPage.h"
#include "pages/data/DataPages.h"
#include "pages/link/LinkPages.h"
#include "serial/LinePeer.h"
#include "sim/LineSimulator.h"

namespace quillet::testing {

class PageFixture : public ::testing::Test {
protected:
    PageFixture() {
        // The pages' file types land in the test's folder, and no database tool is started.
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        qputenv("PATH", "");
        auto store = std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat);
        store->setValue("Ports/COM2", "sim");
        app = std::make_unique<Application>(std::move(store));
        app->loadSettings();
        registerLinkPages();
        registerDataPages();
    }
    ~PageFixture() override {
        // The window asks the page's apply at exit; tests leave the page valid.
        window.reset();
        savedDataHome_.isNull() ? qunsetenv("XDG_DATA_HOME")
                                : qputenv("XDG_DATA_HOME", savedDataHome_);
        qputenv("PATH", savedPath_);
    }

    // A modem in front of the devices that answers quickly, without echo.
    void addModem(std::deque<sim::DialOutcome> outcomes = {sim::DialOutcome::Connect},
                  bool echo = false) {
        sim::SimulatorOptions options;
        sim::ModemOptions modem;
        modem.echo = echo;
        modem.dialOutcomes = std::move(outcomes);
        modem.dialTime = std::chrono::milliseconds(150);
        modem.guardTime = std::chrono::milliseconds(120);
        options.modem = modem;
        app->replaceSimulator(options);
    }

    MainWindow& open(int pageIndex) {
        window = std::make_unique<MainWindow>(*app);
        window->confirmExit = [] { return true; };
        window->currentPageIndex = pageIndex;
        window->start();
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }

    template <typename T>
    T* control(int id) const {
        T* found = window->findChild<T*>(controlName(id));
        EXPECT_NE(found, nullptr) << "control " << id;
        return found;
    }
    // F5..F8 reach the window's shortcuts only while it is the active window (a message
    // box may just have taken that).
    void press(Qt::Key key) {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), key);
    }
    void click(int id) { QTest::mouseClick(control<QWidget>(id), Qt::LeftButton); }

    template <typename F>
    auto withSimulator(F f) {
        std::lock_guard lock(app->simulatedLine().mutex);
        return f(app->simulator());
    }
    std::vector<std::string> frames() {
        return withSimulator([](sim::LineSimulator& s) {
            return std::vector<std::string>(s.framesSeen().begin(), s.framesSeen().end());
        });
    }
    // The controller commands seen, by their code: "&0MT..." is "T" when `codes` lists it.
    std::vector<std::string> controllerCodes(const std::vector<std::string>& codes) {
        std::vector<std::string> seen;
        for (const std::string& frame : frames()) {
            std::string match = "?";
            for (const std::string& code : codes) {
                if (frame.rfind("&0M" + code, 0) == 0) {
                    match = code;
                }
            }
            seen.push_back(match);
        }
        return seen;
    }
    // Answers the next message box with `button`; its text and whether the main window was
    // busy meanwhile land in the arguments.
    // An answer still waiting when the test ends does nothing later.
    void answer(const QString& button, QString* seen = nullptr, bool* busy = nullptr) {
        std::weak_ptr<int> test = alive_;
        whenModalAppears([this, test, button, seen, busy](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr || test.expired()) {
                return;
            }
            if (seen != nullptr) {
                *seen = box->text();
            }
            if (busy != nullptr && window != nullptr) {
                *busy = window->isBusy();
            }
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == button) {
                    b->click();
                    return;
                }
            }
        });
    }
    // The AT lines and escapes the port sent, in order.
    std::vector<std::string> modemLines() {
        const std::vector<std::uint8_t> bytes = app->port().log().snapshot().inOrder();
        std::vector<std::string> lines;
        std::size_t i = 0;
        while (i + 1 < bytes.size()) {
            if (bytes[i] != 0x00) {
                ++i;
                continue;
            }
            const std::uint8_t tag = bytes[i + 1];
            std::size_t end = i + 2;
            while (end < bytes.size() && bytes[end] != 0x00) {
                ++end;
            }
            const std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(i + 2),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(end));
            // Lines sent end in CR LF; an echo comes back only up to its CR.
            const bool sent = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
            if (tag == 0xFF && ((text.rfind("AT", 0) == 0 && sent) || text == "+++")) {
                lines.push_back(text);
            }
            i = end;
        }
        return lines;
    }

    // The whole exchange log, readable, for failure messages.
    std::string logText() {
        std::string text;
        for (std::uint8_t b : app->port().log().snapshot().inOrder()) {
            if (b == 0x00) {
                text += "\n| ";
            } else if (b < 0x20 || b >= 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "<%02X>", b);
                text += hex;
            } else {
                text += static_cast<char>(b);
            }
        }
        return text;
    }

    QByteArray savedDataHome_ = qgetenv("XDG_DATA_HOME");
    QByteArray savedPath_ = qgetenv("PATH");
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    QTemporaryDir dir;
    std::unique_ptr<Application> app;
    std::unique_ptr<MainWindow> window;
};

}  // namespace quillet::testing
