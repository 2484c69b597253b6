#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "app/Dib.h"

class QAbstractButton;
class QLabel;
class QTabWidget;
class QTimer;

namespace quillet {

class Application;
class BitmapButton;
class IndicatorLight;
class TabPage;

// The program's one top-level window: banner, toolbar, clock, the tab control with one
// page at a time, and the "Монитор:" lights. It brackets every device operation: while
// one runs it is busy, the tabs and the toolbar (but help) are disabled.
class MainWindow : public QDialog {
    Q_OBJECT

public:
    // Control ids of the window's template.
    enum ControlId {
        kDownloadId = 1031,
        kUploadId = 1030,
        kOpenId = 1046,
        kSaveId = 1002,
        kExitId = 2,
        kInfoId = 1011,
        kTabsId = 1000,
        kTimeId = 1004,
        kDateId = 1003,
    };
    static constexpr int kTickMs = 250;

    explicit MainWindow(Application& app, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The page shown at start (outside 0..16: the about page); at exit the page shown.
    int currentPageIndex = -1;
    TabPage* currentPage() const { return currentPage_.get(); }
    bool isBusy() const { return busy_; }
    QTabWidget* tabs() const { return tabs_; }

    // Opens the port and shows the page of currentPageIndex; called once before exec().
    void start();
    void selectPage(int index);
    void beginExchange();
    void endExchange();

    // Asks "Завершить работу?"; tests replace the question.
    std::function<bool()> confirmExit;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void createControls();
    void onTabChanged(int index);
    void runPageOperation(QAbstractButton* button, void (TabPage::*operation)());
    void requestExit();
    void destroyCurrentPage();
    void updateToolbar();
    void updateClock();
    void updateLights();
    bool askExit();

    Application& app_;
    QTabWidget* tabs_ = nullptr;
    std::array<BitmapButton*, 6> toolbar_{};
    QLabel* time_ = nullptr;
    QLabel* date_ = nullptr;
    std::array<IndicatorLight*, 9> lights_{};
    QTimer* timer_ = nullptr;
    std::unique_ptr<TabPage> currentPage_;
    int shownTab_ = -1;
    bool busy_ = false;
    bool closing_ = false;
    CDIB banner_;
};

// Runs the program: the main window modally, then the exit sequence of the application
// (modem hang-up on a modem link, settings written). Returns the process's exit code.
int runMainWindow(Application& app);

}  // namespace quillet
