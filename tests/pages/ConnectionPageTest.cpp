// The connection page driven through the main window: the values it shows, the time-out
// check that keeps the operator on the page, and the values that reach the settings and
// the port on leaving.

#include <QCheckBox>

#include "PageFixture.h"
#include "pages/link/ConnectionPage.h"

namespace quillet {
namespace {

using Page = ConnectionPage;
using ConnectionPageTest = testing::PageFixture;

constexpr int kConnectionTab = 0;

TEST_F(ConnectionPageTest, LeavingStoresTheValuesUnlessTheTimeoutIsOutOfRange) {
    const QString message = "Неверное задание тайм-аута (от 100 до 10000 мс)";
    for (const auto& [text, accepted] :
         {std::pair("100", true), std::pair("10000", true), std::pair("99", false),
          std::pair("10001", false), std::pair("", false)}) {
        SCOPED_TRACE(text);
        restart();
        open(kConnectionTab);
        auto* ports = control<QComboBox>(Page::kPortId);
        // Each port names its device.
        ASSERT_EQ(ports->count(), 4);
        EXPECT_EQ(ports->itemData(1, Qt::ToolTipRole).toString(), "sim");
        EXPECT_EQ(ports->itemData(0, Qt::ToolTipRole).toString(),
                  QString::fromStdString(app->port().portMap().device(0)));
        ports->setCurrentIndex(3);
        control<QComboBox>(Page::kBaudId)->setCurrentIndex(0);
        control<QComboBox>(Page::kLinkTypeId)->setCurrentIndex(2);
        control<QCheckBox>(Page::kErrorReportId)->setChecked(false);
        setField(Page::kTimeoutId, text);
        EXPECT_EQ(leave(), accepted ? QStringList() : QStringList{message});
        EXPECT_EQ(window->currentPageIndex, accepted ? kAboutPage : kConnectionTab);
        const AppSettings& s = app->settings();
        auto& port = app->port();
        const int timeout = accepted ? QString(text).toInt() : 500;
        EXPECT_EQ(
            std::tuple(s.timeoutMs, s.linkType, s.errorReport, port.replyTimeoutMs(),
                       port.portIndex(), port.baudIndex()),
            accepted ? std::tuple(timeout, 2, 0, timeout, 3, 0) : std::tuple(500, 0, 1, 500, 1, 5));
        if (accepted) {
            // The page shows what was stored.
            window->tabs()->setCurrentIndex(kConnectionTab);
            EXPECT_EQ(control<QComboBox>(Page::kPortId)->currentIndex(), 3);
            EXPECT_EQ(control<QComboBox>(Page::kLinkTypeId)->currentIndex(), 2);
            EXPECT_FALSE(control<QCheckBox>(Page::kErrorReportId)->isChecked());
            EXPECT_EQ(fieldText(Page::kTimeoutId), text);
        } else {
            setField(Page::kTimeoutId, "500");  // so that closing the page shows nothing
        }
    }
}

}  // namespace
}  // namespace quillet
