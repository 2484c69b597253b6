#pragma once

// An application on a temporary settings store with the simulated line on COM2, every
// page class registered and a main window to show them in.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "GuiTestHelpers.h"
#include "ScopedMessageBoxes.h"
#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/MainWindow.h"
#include "app/PageInfo.h"
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
        restart();
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

    // A fresh application on the same settings file, as the next run of the program.
    void restart() {
        window.reset();
        app.reset();
        auto store = std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat);
        store->setValue("Ports/COM2", "sim");
        app = std::make_unique<Application>(std::move(store));
        app->loadSettings();
    }

    // A modem in front of the devices of `options` that answers quickly, without echo.
    void addModem(std::deque<sim::DialOutcome> outcomes = {sim::DialOutcome::Connect},
                  bool echo = false, sim::SimulatorOptions options = {}) {
        sim::ModemOptions& modem = options.modem.emplace();
        modem.echo = echo;
        modem.dialOutcomes = std::move(outcomes);
        modem.dialTime = std::chrono::milliseconds(150);
        modem.guardTime = std::chrono::milliseconds(120);
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

    // The page's control first: a page may reuse an id of the window's own controls.
    template <typename T>
    T* control(int id) const {
        QWidget* page = window->currentPage();
        T* found = page != nullptr ? page->findChild<T*>(controlName(id)) : nullptr;
        found = found != nullptr ? found : window->findChild<T*>(controlName(id));
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
    // The text of a line edit or an editable combo box.
    QString fieldText(int id) const {
        auto* box = qobject_cast<QComboBox*>(control<QWidget>(id));
        return box != nullptr ? box->currentText() : control<QLineEdit>(id)->text();
    }
    void setField(int id, const QString& text) const {
        if (auto* box = qobject_cast<QComboBox*>(control<QWidget>(id))) {
            box->setEditText(text);
        } else {
            control<QLineEdit>(id)->setText(text);
        }
    }
    // Clicks control `id` and answers its message box with `button`: returns the box's text
    // and whether the window was busy meanwhile. The exchange has ended by the return.
    std::pair<QString, bool> clickAnswering(int id, const QString& button = "OK") {
        box_ = {};
        answer(button, &box_.first, &box_.second);
        click(id);
        EXPECT_FALSE(window->isBusy());
        return box_;
    }
    // Switches to the about tab; returns the messages shown on the way.
    QStringList leave() {
        ScopedMessageBoxes boxes;
        window->tabs()->setCurrentIndex(kAboutPage);
        return boxes.texts;
    }

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
            const auto code = std::ranges::find_if(
                codes, [&](const std::string& c) { return frame.starts_with("&0M" + c); });
            seen.push_back(code == codes.end() ? "?" : *code);
        }
        return seen;
    }
    // Answers the next message box with `button`; its text and whether the main window was
    // busy meanwhile land in the arguments. An answer still waiting when the test ends does nothing
    // later.
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
    // The AT lines and escapes the port sent, in order: the text of the 0xFF records.
    std::vector<std::string> modemLines() {
        const std::vector<std::uint8_t> log = app->port().log().snapshot().inOrder();
        std::vector<std::string> lines;
        for (const QByteArray& record :
             QByteArray(reinterpret_cast<const char*>(log.data()), qsizetype(log.size()))
                 .split(0)) {
            const std::string text = record.mid(1).toStdString();
            // Lines sent end in CR LF; an echo comes back only up to its CR.
            if (record.startsWith('\xFF') &&
                ((text.starts_with("AT") && text.ends_with("\r\n")) || text == "+++")) {
                lines.push_back(text);
            }
        }
        return lines;
    }
    // The whole exchange log, readable, for failure messages.
    std::string logText() {
        std::string text;
        for (std::uint8_t b : app->port().log().snapshot().inOrder()) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", b);
            text += b == 0x00 ? "\n| " : b < 0x20 || b >= 0x7F ? hex : std::string(1, char(b));
        }
        return text;
    }

    QByteArray savedDataHome_ = qgetenv("XDG_DATA_HOME");
    QByteArray savedPath_ = qgetenv("PATH");
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::pair<QString, bool> box_;
    QTemporaryDir dir;
    std::unique_ptr<Application> app;
    std::unique_ptr<MainWindow> window;
};

}  // namespace quillet::testing
