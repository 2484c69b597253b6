// The main window driven as an operator drives it: tabs, toolbar, keys, busy bracketing,
// the lights and the exit.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/IndicatorLight.h"
#include "app/MainWindow.h"
#include "app/PageInfo.h"
#include "app/TabPage.h"
#include "app/Transaction.h"

namespace quillet {
namespace {

constexpr int kControllerPage = 2;  // flags 1, 0, 0, 0
constexpr int kControllerTemplate = 148;

// Notes what the main window asks of it: r(ead), w(rite), o(pen), s(ave).
class ProbePage : public TabPage {
public:
    using TabPage::TabPage;
    void readFromDevice() override {
        calls += 'r';
        if (during) {
            during();
        }
    }
    void writeToDevice() override { calls += 'w'; }
    void readFromFile() override { calls += 'o'; }
    void writeToFile() override { calls += 's'; }
    bool apply() override { return allowLeave; }

    inline static std::string calls;
    inline static bool allowLeave = true;
    inline static std::function<void()> during;
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        ProbePage::calls.clear();
        ProbePage::allowLeave = true;
        ProbePage::during = nullptr;
        PageFactory::instance().add(kControllerTemplate, [](QWidget* parent) {
            return std::make_unique<ProbePage>(parent);
        });
        auto store = std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat);
        store->setValue("Ports/COM2", "sim");
        app = std::make_unique<Application>(std::move(store));
        app->loadSettings();
    }
    ~MainWindowTest() override {
        window.reset();
        PageFactory::instance().add(kControllerTemplate, nullptr);
    }

    MainWindow& open(int initialTab) {
        window = std::make_unique<MainWindow>(*app);
        window->confirmExit = [this] { return exitAnswer; };
        window->currentPageIndex = initialTab;
        window->start();
        window->show();
        // Keys reach the window's shortcuts only while it is the active window.
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }
    QAbstractButton* button(int id) { return window->findChild<QAbstractButton*>(controlName(id)); }
    // The toolbar's enabled buttons: Download, Upload, Open, Save, eXit, Info.
    std::string toolbar() {
        const int ids[] = {MainWindow::kDownloadId, MainWindow::kUploadId, MainWindow::kOpenId,
                           MainWindow::kSaveId,     MainWindow::kExitId,   MainWindow::kInfoId};
        std::string enabled;
        for (int i = 0; i < 6; ++i) {
            enabled += button(ids[i])->isEnabled() ? std::string(1, "DUOSXI"[i]) : "";
        }
        return enabled;
    }

    QTemporaryDir dir;
    std::unique_ptr<Application> app;
    std::unique_ptr<MainWindow> window;
    bool exitAnswer = true;
};

TEST_F(MainWindowTest, InitialTabOutsideTheTableOpensTheAboutPage) {
    for (int stored : {-1, 17, 100, 0, kControllerPage}) {
        const int shown = stored >= 0 && stored < kPageCount ? stored : kAboutPage;
        MainWindow& w = open(stored);
        EXPECT_EQ(w.tabs()->currentIndex(), shown) << stored;
        EXPECT_EQ(w.currentPageIndex, shown) << stored;
        ASSERT_NE(w.currentPage(), nullptr);
        EXPECT_EQ(w.currentPage()->pageIndex, shown);
        // Placed once the window is laid out, not over the tab strip.
        const QTabBar* bar = w.tabs()->tabBar();
        EXPECT_GT(w.currentPage()->geometry().top(),
                  bar->mapTo(&w, QPoint(0, bar->height() - 1)).y())
            << stored;
    }
    EXPECT_EQ(window->tabs()->count(), kPageCount);
}

TEST_F(MainWindowTest, ToolbarFollowsThePageTable) {
    open(kAboutPage);
    EXPECT_EQ(toolbar(), "XI");
    window->tabs()->setCurrentIndex(kControllerPage);
    EXPECT_EQ(toolbar(), "DXI");
    for (Qt::Key key : {Qt::Key_F6, Qt::Key_F7, Qt::Key_F8, Qt::Key_F5}) {
        QTest::keyClick(window.get(), key);
    }
    EXPECT_EQ(ProbePage::calls, "r");
    // The holidays page supports all four, but is not built yet: it offers none.
    window->tabs()->setCurrentIndex(13);
    EXPECT_EQ(toolbar(), "XI");
}

TEST_F(MainWindowTest, OperationsRunBusyAndKeysDoNothingMeanwhile) {
    open(kControllerPage);
    std::string during;
    bool tabsEnabled = true;
    ProbePage::during = [&] {
        during = toolbar();
        tabsEnabled = window->tabs()->isEnabled();
        // What the pump of a waiting exchange may deliver: another F5, a tab click.
        QTest::keyClick(window.get(), Qt::Key_F5);
        window->tabs()->setCurrentIndex(kAboutPage);
    };
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_EQ(ProbePage::calls, "r");
    EXPECT_EQ(during, "I");
    EXPECT_FALSE(tabsEnabled);
    EXPECT_EQ(window->tabs()->currentIndex(), kControllerPage);
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(toolbar(), "DXI");

    // A page's own buttons bracket their exchange by signals; its end clears a cancel.
    emit window->currentPage()->exchangeBeginRequested();
    EXPECT_EQ(toolbar(), "I");
    app->exchangeCancelled = true;
    emit window->currentPage()->exchangeEndRequested();
    EXPECT_FALSE(app->exchangeCancelled);
    EXPECT_EQ(toolbar(), "DXI");
}

// (The page tests show a refusing page keeping its tab.)
TEST_F(MainWindowTest, ExitAsksAndHonoursThePage) {
    open(kControllerPage);
    ProbePage::allowLeave = false;
    window->close();
    EXPECT_TRUE(window->isVisible());

    ProbePage::allowLeave = true;
    QTest::keyClick(window.get(), Qt::Key_Return);  // Enter never closes
    EXPECT_TRUE(window->isVisible());
    exitAnswer = false;
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    exitAnswer = true;
    button(MainWindow::kExitId)->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->currentPage(), nullptr);
}

TEST_F(MainWindowTest, LightsFollowTheLine) {
    open(kAboutPage);  // opens the port on COM2, the simulated line
    auto light = [this](int id) {
        return window->findChild<IndicatorLight*>(controlName(id))->state();
    };
    QTest::qWait(2 * MainWindow::kTickMs + 50);
    EXPECT_TRUE(light(1040));   // port open
    EXPECT_TRUE(light(1043));   // CTS
    EXPECT_TRUE(light(1042));   // DSR
    EXPECT_FALSE(light(1057));  // no carrier on a direct line

    // An exchange lights TX and RX for one tick.
    LayoutRecord reply = SerialNumber{};
    ASSERT_EQ(executeCommand(51, {}, &reply), 1);
    QTest::qWait(MainWindow::kTickMs + 50);
    EXPECT_TRUE(light(1038) && light(1039));
    QTest::qWait(MainWindow::kTickMs + 50);
    EXPECT_FALSE(light(1038) || light(1039));
}

}  // namespace
}  // namespace quillet
