// The connection page driven through the main window: the time-out check that keeps the
// operator on the page, and the values that reach the settings and the port on leaving.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "ScopedMessageBoxes.h"
#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/MainWindow.h"
#include "pages/link/ConnectionPage.h"
#include "pages/link/LinkPages.h"

namespace quillet {
namespace {

constexpr int kConnectionTab = 0;
constexpr int kAboutTab = 16;

class ConnectionPageTest : public ::testing::Test {
protected:
    ConnectionPageTest() {
        auto store = std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat);
        store->setValue("Ports/COM2", "sim");
        app = std::make_unique<Application>(std::move(store));
        app->loadSettings();
        registerLinkPages();
        window = std::make_unique<MainWindow>(*app);
        window->confirmExit = [] { return true; };
        window->currentPageIndex = kConnectionTab;
        window->start();
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    template <typename T>
    T* control(int id) {
        T* found = window->currentPage()->findChild<T*>(controlName(id));
        EXPECT_NE(found, nullptr) << id;
        return found;
    }

    // Switches to another tab; returns the message shown, if any.
    QString leave() {
        testing::ScopedMessageBoxes boxes;
        window->tabs()->setCurrentIndex(kAboutTab);
        return boxes.texts.join('|');
    }

    QTemporaryDir dir;
    std::unique_ptr<Application> app;
    std::unique_ptr<MainWindow> window;
};

TEST_F(ConnectionPageTest, TimeoutOutsideItsRangeKeepsThePageAndStoresNothing) {
    const QString message = QStringLiteral("Неверное задание тайм-аута (от 100 до 10000 мс)");
    struct Case {
        const char* text;
        bool accepted;
    };
    for (const Case& c : {Case{"100", true}, Case{"10000", true}, Case{"99", false},
                          Case{"10001", false}, Case{"", false}}) {
        SCOPED_TRACE(c.text);
        window->tabs()->setCurrentIndex(kConnectionTab);
        ASSERT_EQ(window->currentPageIndex, kConnectionTab);
        app->settings().timeoutMs = 500;
        app->settings().linkType = 0;
        control<QLineEdit>(ConnectionPage::kTimeoutId)->setText(c.text);
        control<QComboBox>(ConnectionPage::kLinkTypeId)->setCurrentIndex(2);
        control<QComboBox>(ConnectionPage::kBaudId)->setCurrentIndex(0);

        const QString seen = leave();
        if (c.accepted) {
            EXPECT_TRUE(seen.isEmpty()) << seen.toStdString();
            EXPECT_EQ(window->currentPageIndex, kAboutTab);
            EXPECT_EQ(app->settings().timeoutMs, QString(c.text).toInt());
            EXPECT_EQ(app->port().replyTimeoutMs(), QString(c.text).toInt());
            EXPECT_EQ(app->settings().linkType, 2);
            EXPECT_EQ(app->port().baudIndex(), 0);
        } else {
            EXPECT_EQ(seen, message);
            EXPECT_EQ(window->currentPageIndex, kConnectionTab);
            EXPECT_EQ(window->tabs()->currentIndex(), kConnectionTab);
            EXPECT_EQ(app->settings().timeoutMs, 500);
            EXPECT_EQ(app->settings().linkType, 0);
            EXPECT_EQ(app->port().baudIndex(), 5);
            // Leave it valid, so that destroying the page shows nothing.
            control<QLineEdit>(ConnectionPage::kTimeoutId)->setText("500");
        }
        app->port().configure(app->port().portIndex(), 5, app->port().replyTimeoutMs());
    }
}

TEST_F(ConnectionPageTest, ShowsTheCurrentValuesAndPortDevices) {
    auto* ports = control<QComboBox>(ConnectionPage::kPortId);
    ASSERT_EQ(ports->count(), 4);
    EXPECT_EQ(ports->currentIndex(), 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ports->itemText(i), QStringLiteral("COM%1").arg(i + 1));
    }
    EXPECT_EQ(ports->itemData(1, Qt::ToolTipRole).toString(), "sim");
    EXPECT_EQ(ports->itemData(0, Qt::ToolTipRole).toString(),
              QString::fromStdString(app->port().portMap().device(0)));
    EXPECT_EQ(control<QComboBox>(ConnectionPage::kBaudId)->currentText(), "9600");
    EXPECT_EQ(control<QComboBox>(ConnectionPage::kLinkTypeId)->itemText(1),
              QStringLiteral("Контроллер"));
    EXPECT_EQ(control<QLineEdit>(ConnectionPage::kTimeoutId)->text(), "500");
    EXPECT_TRUE(control<QCheckBox>(ConnectionPage::kErrorReportId)->isChecked());
}

TEST_F(ConnectionPageTest, LeavingStoresPortLinkTypeAndErrorReportAndShowsThemAgain) {
    control<QComboBox>(ConnectionPage::kPortId)->setCurrentIndex(3);
    control<QComboBox>(ConnectionPage::kLinkTypeId)->setCurrentIndex(1);
    control<QCheckBox>(ConnectionPage::kErrorReportId)->setChecked(false);
    control<QLineEdit>(ConnectionPage::kTimeoutId)->setText("2500");
    EXPECT_TRUE(leave().isEmpty());
    EXPECT_EQ(app->port().portIndex(), 3);
    EXPECT_EQ(app->settings().linkType, 1);
    EXPECT_EQ(app->settings().errorReport, 0);
    EXPECT_EQ(app->settings().timeoutMs, 2500);

    window->tabs()->setCurrentIndex(kConnectionTab);
    EXPECT_EQ(control<QComboBox>(ConnectionPage::kPortId)->currentIndex(), 3);
    EXPECT_EQ(control<QComboBox>(ConnectionPage::kLinkTypeId)->currentIndex(), 1);
    EXPECT_FALSE(control<QCheckBox>(ConnectionPage::kErrorReportId)->isChecked());
    EXPECT_EQ(control<QLineEdit>(ConnectionPage::kTimeoutId)->text(), "2500");
}

}  // namespace
}  // namespace quillet
