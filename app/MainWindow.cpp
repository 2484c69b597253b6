#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>

#include "app/Application.h"
#include "app/BitmapButton.h"
#include "app/DialogLayout.h"
#include "app/IndicatorLight.h"
#include "app/MessageBoxes.h"
#include "app/PageInfo.h"
#include "app/Pictures.h"
#include "app/TabPage.h"
#include "protocol/LocalClock.h"

namespace quillet {

namespace {

struct ToolbarEntry {
    int id;
    const char* caption;  // also the name of its bitmaps
    int x;
    const char* toolTip;
    Qt::Key key;  // Qt::Key_unknown: none
};

// In the order they stand in the toolbar.
constexpr std::array<ToolbarEntry, 6> kButtons = {{
    {MainWindow::kDownloadId, "DOWNLOAD", 149, "Считывание из прибора (F5)", Qt::Key_F5},
    {MainWindow::kUploadId, "UPLOAD", 172, "Запись в прибор (F6)", Qt::Key_F6},
    {MainWindow::kOpenId, "OPEN", 195, "Считывание из файла (F7)", Qt::Key_F7},
    {MainWindow::kSaveId, "SAVE", 218, "Запись в файл (F8)", Qt::Key_F8},
    {MainWindow::kExitId, "EXIT", 241, "Выход (Alt+F4)", Qt::Key_unknown},
    {MainWindow::kInfoId, "INFO", 264, "Справка (F1)", Qt::Key_unknown},
}};
enum ButtonIndex { kDownload, kUpload, kOpen, kSave, kExit, kInfo };

struct LightEntry {
    int id;
    int x;
    const char* label;  // empty: none
    int labelX;
    int onBitmap;
    const char* toolTip;
};

// The lights of the "Монитор:" row, left to right.
constexpr std::array<LightEntry, 9> kLights = {{
    {1040, 6, "", 0, kGreenLampId, "Индикатор открытия COM-порта"},
    {1038, 63, "TX", 74, kGreenLampId, "Индикатор передачи данных"},
    {1039, 91, "RX", 102, kGreenLampId, "Индикатор приема данных"},
    {1057, 119, "DCD", 130, kGreenLampId, "Индикатор несущей"},
    {1042, 151, "DSR", 162, kGreenLampId, "Индикатор готовности данных"},
    {1043, 184, "CTS", 195, kGreenLampId, "Индикатор сброса для передачи"},
    {1044, 215, "ERROR", 226, kRedLampId, "Индикатор ошибки линии"},
    {1041, 258, "RING", 269, kGreenLampId, "Индикатор звонка"},
    {1045, 294, "BREAK", 305, kRedLampId, "Индикатор разрыва линии"},
}};
enum LightIndex { kPortOpen, kTx, kRx, kDcd, kDsr, kCts, kError, kRing, kBreak };

// Dialog background of the program.
const QColor kDialogColour(192, 192, 192);

}  // namespace

MainWindow::MainWindow(Application& app, QWidget* parent) : QDialog(parent), app_(app) {
    setWindowTitle(QStringLiteral("Quillet"));
    setWindowIcon(programIcon());
    setFont(DialogUnits::dialogFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kDialogColour);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);
    banner_.load(kBannerId);
    createControls();
    confirmExit = [this] { return askExit(); };
}

MainWindow::~MainWindow() {
    destroyCurrentPage();
}

void MainWindow::createControls() {
    const DialogUnits units(font());
    setFixedSize(units.x(340), units.y(226));

    tabs_ = new QTabWidget(this);
    setControlId(tabs_, kTabsId);
    units.place(tabs_, 2, 33, 335, 170);
    for (const PageInfo& page : PageTable) {
        // Empty tab widgets mark the display area; the page itself is the tabs' sibling.
        tabs_->addTab(new QWidget, QString::fromUtf8(page.title.data(), page.title.size()));
    }
    connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::onTabChanged);

    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        const ToolbarEntry& entry = kButtons[i];
        auto* button = new BitmapButton(this);
        setControlId(button, entry.id);
        button->move(units.x(entry.x), units.y(7));
        button->loadBitmaps(QString::fromLatin1(entry.caption));
        button->setToolTip(QString::fromUtf8(entry.toolTip));
        button->setFocusPolicy(Qt::TabFocus);
        toolbar_[i] = button;
    }
    const auto operations =
        std::array<void (TabPage::*)(), 4>{&TabPage::readFromDevice, &TabPage::writeToDevice,
                                           &TabPage::readFromFile, &TabPage::writeToFile};
    for (std::size_t i = 0; i < operations.size(); ++i) {
        QAbstractButton* button = toolbar_[i];
        const auto operation = operations[i];
        connect(button, &QAbstractButton::clicked, this,
                [this, button, operation] { runPageOperation(button, operation); });
        auto* key = new QShortcut(QKeySequence(kButtons[i].key), this);
        connect(key, &QShortcut::activated, this,
                [this, button, operation] { runPageOperation(button, operation); });
    }
    connect(toolbar_[kExit], &QAbstractButton::clicked, this, &MainWindow::requestExit);
    connect(toolbar_[kInfo], &QAbstractButton::clicked, this, [this] {
        if (toolbar_[kInfo]->isEnabled()) {
            app_.showHelp();
        }
    });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { app_.showHelp(); });

    time_ = new QLabel(this);
    date_ = new QLabel(this);
    for (auto [label, id, y, tip] : {std::tuple{time_, kTimeId, 7, "Текущее время"},
                                     std::tuple{date_, kDateId, 16, "Текущая дата"}}) {
        setControlId(label, id);
        label->setAlignment(Qt::AlignCenter);
        // Static controls paint their own background over the banner.
        label->setAutoFillBackground(true);
        units.place(label, 287, y, 50, 9);
        label->setToolTip(QString::fromUtf8(tip));
    }

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    units.place(frame, 2, 207, 335, 16);
    auto* monitor = new QLabel(QStringLiteral("Монитор:"), this);
    monitor->move(units.x(25), units.y(210));
    for (std::size_t i = 0; i < kLights.size(); ++i) {
        const LightEntry& entry = kLights[i];
        auto* light = new IndicatorLight(this);
        setControlId(light, entry.id);
        light->setBitmaps(entry.onBitmap, kGreyLampId);
        light->move(units.x(entry.x), units.y(210));
        light->setToolTip(QString::fromUtf8(entry.toolTip));
        lights_[i] = light;
        if (*entry.label != '\0') {
            auto* label = new QLabel(QString::fromLatin1(entry.label), this);
            label->move(units.x(entry.labelX), units.y(210));
        }
    }

    timer_ = new QTimer(this);
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        updateClock();
        updateLights();
    });
}

void MainWindow::start() {
    timer_->start();
    updateClock();
    app_.port().open();  // the port-open light shows how it went
    const int index =
        currentPageIndex >= 0 && currentPageIndex < kPageCount ? currentPageIndex : kAboutPage;
    {
        const QSignalBlocker quiet(tabs_);
        tabs_->setCurrentIndex(index);
    }
    selectPage(index);
}

void MainWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The tab control lays out its display area only when shown: a page placed before
    // would sit over the tab strip.
    if (currentPage_) {
        currentPage_->placeInTab(tabs_);
    }
}

void MainWindow::onTabChanged(int index) {
    if (index == shownTab_) {
        return;
    }
    // The tab control cannot ask first; a refused change is taken back at once.
    if (busy_ || (currentPage_ && !currentPage_->apply())) {
        const QSignalBlocker quiet(tabs_);
        tabs_->setCurrentIndex(shownTab_);
        return;
    }
    selectPage(index);
}

void MainWindow::selectPage(int index) {
    destroyCurrentPage();
    currentPageIndex = index;
    shownTab_ = index;
    const PageInfo& info = PageTable[static_cast<std::size_t>(index)];
    currentPage_ = PageFactory::instance().make(info.templateId, this);
    currentPage_->pageIndex = index;
    connect(currentPage_.get(), &TabPage::exchangeBeginRequested, this, &MainWindow::beginExchange);
    connect(currentPage_.get(), &TabPage::exchangeEndRequested, this, &MainWindow::endExchange);
    currentPage_->placeInTab(tabs_);
    updateToolbar();
}

void MainWindow::destroyCurrentPage() {
    currentPage_.reset();
}

void MainWindow::updateToolbar() {
    const PageInfo& info = PageTable[static_cast<std::size_t>(currentPageIndex)];
    // A page not built yet stands empty and offers no operation.
    const bool built = PageFactory::instance().has(info.templateId);
    toolbar_[kDownload]->setEnabled(built && info.canDownload != 0);
    toolbar_[kUpload]->setEnabled(built && info.canUpload != 0);
    toolbar_[kOpen]->setEnabled(built && info.canOpen != 0);
    toolbar_[kSave]->setEnabled(built && info.canSave != 0);
    toolbar_[kExit]->setEnabled(true);
}

void MainWindow::beginExchange() {
    busy_ = true;
    app_.exchangeCancelled = false;
    tabs_->setEnabled(false);
    for (int i : {kDownload, kUpload, kOpen, kSave, kExit}) {
        toolbar_[static_cast<std::size_t>(i)]->setEnabled(false);
    }
    if (currentPage_) {
        currentPage_->onExchangeBegin();
    }
}

void MainWindow::endExchange() {
    busy_ = false;
    app_.exchangeCancelled = false;
    tabs_->setEnabled(true);
    updateToolbar();
    if (currentPage_) {
        currentPage_->onExchangeEnd();
    }
}

void MainWindow::runPageOperation(QAbstractButton* button, void (TabPage::*operation)()) {
    // Also reached by F5-F8 from the pump of a running exchange: then it does nothing.
    if (!button->isEnabled() || busy_ || !currentPage_) {
        return;
    }
    beginExchange();
    (currentPage_.get()->*operation)();
    endExchange();
}

void MainWindow::updateClock() {
    const LocalDateTime now = localNow();
    time_->setText(QString::asprintf("%02d:%02d:%02d", now.hours, now.minutes, now.seconds));
    date_->setText(QString::asprintf("%02d/%02d/%04d", now.day, now.month, now.year));
}

void MainWindow::updateLights() {
    LineFlags& flags = app_.port().flags;
    lights_[kPortOpen]->setState(app_.port().isOpen());
    lights_[kRx]->setState(flags.rxSeen.exchange(0) != 0);
    lights_[kTx]->setState(flags.txSeen.exchange(0) != 0);
    lights_[kCts]->setState(flags.ctsOn != 0);
    lights_[kDsr]->setState(flags.dsrOn != 0);
    lights_[kRing]->setState(flags.ringOn != 0);
    lights_[kDcd]->setState(flags.dcdOn != 0);
    lights_[kError]->setState(flags.errorSeen.exchange(0) != 0);
    lights_[kBreak]->setState(flags.breakSeen.exchange(0) != 0);
}

void MainWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (!banner_.isLoaded()) {
        return;
    }
    QPainter painter(this);
    const int bottom = std::max(tabs_->geometry().top(), banner_.height());
    banner_.draw(painter, QRect(0, 0, width(), bottom));
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Enter never closes the window; Esc asks whether to end.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MainWindow::reject() {
    requestExit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();
    requestExit();
}

bool MainWindow::askExit() {
    return askYesNo(this, QStringLiteral("Завершить работу?"));
}

void MainWindow::requestExit() {
    if (!toolbar_[kExit]->isEnabled() || busy_) {
        return;
    }
    if (!confirmExit()) {
        return;
    }
    if (currentPage_ && !currentPage_->apply()) {
        return;
    }
    destroyCurrentPage();
    timer_->stop();
    closing_ = true;
    done(QDialog::Rejected);
}

int runMainWindow(Application& app) {
    MainWindow window(app);
    window.currentPageIndex = app.settings().initialTab;
    window.start();
    window.exec();
    app.hangUpModemIfLinked();
    app.saveSettings(window.currentPageIndex);
    return 0;
}

}  // namespace quillet
