// The controller page against the simulated controller: the address check, the read of
// test, version and last command, and the change of the line speed.

#include "PageFixture.h"
#include "app/Transaction.h"
#include "pages/link/ControllerPage.h"
#include "sim/Faults.h"

namespace quillet {
namespace {

using Page = ControllerPage;
using Texts = std::vector<QString>;
using Codes = std::vector<std::string>;

constexpr int kControllerTab = 2;

class ControllerPageTest : public testing::PageFixture {
protected:
    Texts results() {
        return {fieldText(Page::kTestId), fieldText(Page::kVersionId),
                fieldText(Page::kLastCommandId)};
    }
};

TEST_F(ControllerPageTest, OnlyOneLetterOrDigitLeavesThePage) {
    const QString message = "Неверный адрес контролера";
    open(kControllerTab);
    for (const auto& [address, accepted] :
         {std::pair("7", true), std::pair("a", true), std::pair("Z", true), std::pair("", false),
          std::pair("12", false), std::pair("!", false), std::pair("Ж", false)}) {
        SCOPED_TRACE(address);
        app->settings().controllerAddress = "0";
        window->tabs()->setCurrentIndex(kControllerTab);
        setField(Page::kAddressId, address);
        EXPECT_EQ(leave(), accepted ? QStringList() : QStringList{message});
        EXPECT_EQ(window->currentPageIndex, accepted ? kAboutPage : kControllerTab);
        EXPECT_EQ(app->settings().controllerAddress, accepted ? address : "0");
        if (!accepted) {
            // A refused address stops the read before the line, and the speed change inside
            // its exchange.
            QString seen;
            answer("OK", &seen);
            press(Qt::Key_F5);
            EXPECT_EQ(seen, message);
            EXPECT_EQ(clickAnswering(Page::kChangeId), std::pair(message, true));
            setField(Page::kAddressId, "0");
        }
    }
    EXPECT_TRUE(frames().empty());
}

TEST_F(ControllerPageTest, ReadFillsEachFieldOrLeavesItsDash) {
    using sim::Fault;
    const std::pair<std::vector<Fault>, Texts> rows[] = {
        {{}, {"исправен", "12", "выполнена"}},
        {{Fault::NoReply, Fault::NoReply, Fault::NoReply}, {"-", "-", "-"}},
        // A failed version read does not stop the last command's read.
        {{Fault::None, Fault::NoReply}, {"исправен", "-", "выполнена"}},
    };
    for (const auto& [faults, shown] : rows) {
        restart();
        app->settings().errorReport = 0;
        withSimulator([&](sim::LineSimulator& s) {
            for (Fault fault : faults) {
                s.faults().script({fault});
            }
        });
        open(kControllerTab);
        EXPECT_EQ(results(), Texts(3, "-"));
        press(Qt::Key_F5);
        EXPECT_EQ(results(), shown);
        EXPECT_EQ(controllerCodes({"T", "V", "W"}), (Codes{"T", "V", "W"}));
    }
}

TEST_F(ControllerPageTest, ConfirmedSpeedChangeMovesThePortToTheNewSpeed) {
    open(kControllerTab);
    control<QComboBox>(Page::kNewRateId)->setCurrentIndex(4);  // 4800
    for (const auto& [button, codes, baudIndex, shown] :
         {std::tuple("Нет", Codes{"T"}, 5, "9600"),
          std::tuple("Да", Codes{"T", "S", "T"}, 4, "4800")}) {
        EXPECT_EQ(clickAnswering(Page::kChangeId, button),
                  std::pair(QString("Подтвердите изменение скорости обмена"), true));
        EXPECT_EQ(app->port().baudIndex(), baudIndex);
        EXPECT_EQ(fieldText(Page::kCurrentRateId), shown);
        // The controller still answers at the port's speed.
        LayoutRecord reply = YesNo{};
        EXPECT_EQ(executeCommand(Page::kSelfTest, {}, &reply), 1);
        EXPECT_EQ(controllerCodes({"S", "T"}), codes);
    }
}

}  // namespace
}  // namespace quillet
