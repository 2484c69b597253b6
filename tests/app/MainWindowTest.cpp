// The main window driven as an operator drives it: tabs, toolbar, keys, busy bracketing,
// the lights and the exit.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QSettings>
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
constexpr int kConnectionPage = 0;
constexpr int kConnectionTemplate = 130;

// Counts what the main window asks of it.
class ProbePage : public TabPage {
public:
    using TabPage::TabPage;
    void readFromDevice() override {
        ++reads;
        if (during) {
            during(*this);
        }
    }
    void writeToDevice() override { ++writes; }
    void readFromFile() override { ++opens; }
    void writeToFile() override { ++saves; }
    bool apply() override { return allowLeave; }

    inline static int reads = 0;
    inline static int writes = 0;
    inline static int opens = 0;
    inline static int saves = 0;
    inline static bool allowLeave = true;
    inline static std::function<void(ProbePage&)> during;
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        ProbePage::reads = ProbePage::writes = ProbePage::opens = ProbePage::saves = 0;
        ProbePage::allowLeave = true;
        ProbePage::during = nullptr;
        for (int id : {kControllerTemplate, kConnectionTemplate}) {
            PageFactory::instance().add(
                id, [](QWidget* parent) { return std::make_unique<ProbePage>(parent); });
        }
        auto store = std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat);
        store->setValue("Ports/COM2", "sim");
        app = std::make_unique<Application>(std::move(store));
        app->loadSettings();
    }
    ~MainWindowTest() override {
        window.reset();
        PageFactory::instance().add(kControllerTemplate, nullptr);
        PageFactory::instance().add(kConnectionTemplate, nullptr);
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
    std::vector<bool> toolbarState() {
        std::vector<bool> state;
        for (int id : {MainWindow::kDownloadId, MainWindow::kUploadId, MainWindow::kOpenId,
                       MainWindow::kSaveId, MainWindow::kExitId, MainWindow::kInfoId}) {
            state.push_back(button(id)->isEnabled());
        }
        return state;
    }

    QTemporaryDir dir;
    std::unique_ptr<Application> app;
    std::unique_ptr<MainWindow> window;
    bool exitAnswer = true;
};

TEST_F(MainWindowTest, InitialTabOutsideTheTableOpensTheAboutPage) {
    for (auto [stored, shown] : {std::pair{-1, kAboutPage},
                                 {17, kAboutPage},
                                 {100, kAboutPage},
                                 {0, 0},
                                 {kControllerPage, kControllerPage}}) {
        MainWindow& w = open(stored);
        EXPECT_EQ(w.tabs()->currentIndex(), shown) << stored;
        EXPECT_EQ(w.currentPageIndex, shown) << stored;
        ASSERT_NE(w.currentPage(), nullptr);
        EXPECT_EQ(w.currentPage()->pageIndex, shown);
    }
    EXPECT_EQ(window->tabs()->count(), kPageCount);
    EXPECT_EQ(window->tabs()->tabText(10), QStringLiteral("Тарифное расписание"));
}

TEST_F(MainWindowTest, ToolbarFollowsThePageTable) {
    open(kAboutPage);
    EXPECT_EQ(toolbarState(), (std::vector<bool>{false, false, false, false, true, true}));
    window->tabs()->setCurrentIndex(kControllerPage);
    EXPECT_EQ(toolbarState(), (std::vector<bool>{true, false, false, false, true, true}));
    for (Qt::Key key : {Qt::Key_F6, Qt::Key_F7, Qt::Key_F8, Qt::Key_F5}) {
        QTest::keyClick(window.get(), key);
    }
    EXPECT_EQ(ProbePage::reads, 1);
    EXPECT_EQ(ProbePage::writes + ProbePage::opens + ProbePage::saves, 0);
    // The holidays page supports all four, but is not built yet: it offers none.
    window->tabs()->setCurrentIndex(13);
    EXPECT_EQ(toolbarState(), (std::vector<bool>{false, false, false, false, true, true}));
}

TEST_F(MainWindowTest, OperationRunsBusyAndKeysDoNothingMeanwhile) {
    open(kControllerPage);
    std::vector<bool> during;
    bool tabsEnabled = true;
    ProbePage::during = [&](ProbePage&) {
        during = toolbarState();
        tabsEnabled = window->tabs()->isEnabled();
        // What the pump of a waiting exchange may deliver: another F5, a tab click.
        QTest::keyClick(window.get(), Qt::Key_F5);
        window->tabs()->setCurrentIndex(kAboutPage);
    };
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_EQ(ProbePage::reads, 1);
    EXPECT_EQ(during, (std::vector<bool>{false, false, false, false, false, true}));
    EXPECT_FALSE(tabsEnabled);
    EXPECT_EQ(window->tabs()->currentIndex(), kControllerPage);
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(toolbarState(), (std::vector<bool>{true, false, false, false, true, true}));
}

TEST_F(MainWindowTest, PageButtonsBracketTheirExchange) {
    open(kControllerPage);
    emit window->currentPage()->exchangeBeginRequested();
    EXPECT_TRUE(window->isBusy());
    EXPECT_FALSE(window->tabs()->isEnabled());
    EXPECT_TRUE(button(MainWindow::kInfoId)->isEnabled());
    app->exchangeCancelled = true;
    emit window->currentPage()->exchangeEndRequested();
    EXPECT_FALSE(window->isBusy());
    EXPECT_FALSE(app->exchangeCancelled);
    EXPECT_TRUE(window->tabs()->isEnabled());
}

TEST_F(MainWindowTest, PageThatRefusesToBeLeftKeepsItsTab) {
    open(kControllerPage);
    TabPage* page = window->currentPage();
    ProbePage::allowLeave = false;
    window->tabs()->setCurrentIndex(kAboutPage);
    EXPECT_EQ(window->tabs()->currentIndex(), kControllerPage);
    EXPECT_EQ(window->currentPage(), page);
    EXPECT_TRUE(page->isVisible());
    ProbePage::allowLeave = true;
    window->tabs()->setCurrentIndex(kAboutPage);
    EXPECT_EQ(window->currentPageIndex, kAboutPage);
}

TEST_F(MainWindowTest, ExitAsksAndHonoursThePage) {
    open(kConnectionPage);
    QTest::keyClick(window.get(), Qt::Key_Return);  // Enter never closes
    EXPECT_TRUE(window->isVisible());
    exitAnswer = false;
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    exitAnswer = true;
    ProbePage::allowLeave = false;
    window->close();
    EXPECT_TRUE(window->isVisible());
    ProbePage::allowLeave = true;
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
    SerialNumber serial;
    LayoutRecord reply = serial;
    ASSERT_EQ(executeCommand(51, {}, &reply), 1);
    QTest::qWait(MainWindow::kTickMs + 50);
    EXPECT_TRUE(light(1038));
    EXPECT_TRUE(light(1039));
    QTest::qWait(MainWindow::kTickMs + 50);
    EXPECT_FALSE(light(1038));
    EXPECT_FALSE(light(1039));

    if (const QByteArray path = qgetenv("QUILLET_SCREENSHOT"); !path.isEmpty()) {
        window->grab().save(QString::fromLocal8Bit(path));
    }
}

}  // namespace
}  // namespace quillet
