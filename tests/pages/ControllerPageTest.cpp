// The controller page against the simulated controller: the address check, the read of
// test, version and last command, and the change of the line speed.

#include <QComboBox>
#include <QLineEdit>

#include "PageFixture.h"
#include "app/Transaction.h"
#include "pages/link/ControllerPage.h"
#include "sim/Faults.h"

namespace quillet {
namespace {

using testing::PageFixture;

constexpr int kControllerTab = 2;
constexpr int kAboutTab = 16;

class ControllerPageTest : public PageFixture {
protected:
    QString text(int id) { return control<QLineEdit>(id)->text(); }
    std::vector<QString> results() {
        return {text(ControllerPage::kTestId), text(ControllerPage::kVersionId),
                text(ControllerPage::kLastCommandId)};
    }
};

struct AddressCase {
    QString address;
    bool accepted;
};

class ControllerAddressTest : public ControllerPageTest,
                              public ::testing::WithParamInterface<AddressCase> {};

TEST_P(ControllerAddressTest, OnlyOneLetterOrDigitLeavesThePage) {
    const AddressCase& c = GetParam();
    open(kControllerTab);
    control<QComboBox>(ControllerPage::kAddressId)->setEditText(c.address);
    QString seen;
    if (!c.accepted) {
        answer("OK", &seen);
    }
    window->tabs()->setCurrentIndex(kAboutTab);

    EXPECT_EQ(window->currentPageIndex, c.accepted ? kAboutTab : kControllerTab);
    EXPECT_EQ(app->settings().controllerAddress, c.accepted ? c.address.toStdString() : "0");
    EXPECT_EQ(seen, c.accepted ? QString() : QStringLiteral("Неверный адрес контролера"));
    if (!c.accepted) {
        // A refused address stops the read before the line as well.
        answer("OK", &seen);
        press(Qt::Key_F5);
        EXPECT_TRUE(frames().empty());
        control<QComboBox>(ControllerPage::kAddressId)->setEditText("0");
    }
}

INSTANTIATE_TEST_SUITE_P(Controller, ControllerAddressTest,
                         ::testing::Values(AddressCase{"7", true}, AddressCase{"a", true},
                                           AddressCase{"Z", true}, AddressCase{"", false},
                                           AddressCase{"12", false}, AddressCase{"!", false},
                                           AddressCase{"Ж", false}));

struct ReadCase {
    const char* name;
    std::vector<sim::Fault> faults;
    std::vector<QString> shown;
};

class ControllerReadTest : public ControllerPageTest,
                           public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ControllerReadTest, ReadFillsEachFieldOrLeavesItsDash) {
    const ReadCase& c = GetParam();
    app->settings().errorReport = 0;
    withSimulator([&](sim::LineSimulator& s) {
        for (sim::Fault fault : c.faults) {
            s.faults().script({fault});
        }
        return 0;
    });
    open(kControllerTab);
    EXPECT_EQ(results(), std::vector<QString>(3, "-"));
    press(Qt::Key_F5);

    EXPECT_EQ(results(), c.shown);
    EXPECT_EQ(controllerCodes({"T", "V", "W"}), (std::vector<std::string>{"T", "V", "W"}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Controller, ControllerReadTest, ::testing::Values(
    ReadCase{"AllAnswer", {}, {"исправен", "12", "выполнена"}},
    ReadCase{"NoneAnswer", {sim::Fault::NoReply, sim::Fault::NoReply, sim::Fault::NoReply},
             {"-", "-", "-"}},
    // A failed version read does not stop the last command's read.
    ReadCase{"VersionLost", {sim::Fault::None, sim::Fault::NoReply},
             {"исправен", "-", "выполнена"}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

struct SpeedCase {
    const char* name;
    QString answer;
    std::vector<std::string> commands;
    int baudIndex;  // of the port afterwards
    QString shown;
};

class ControllerSpeedTest : public ControllerPageTest,
                            public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(ControllerSpeedTest, ConfirmedChangeMovesThePortToTheNewSpeed) {
    const SpeedCase& c = GetParam();
    open(kControllerTab);
    EXPECT_EQ(text(ControllerPage::kCurrentRateId), "9600");
    control<QComboBox>(ControllerPage::kNewRateId)->setCurrentIndex(4);  // 4800
    QString seen;
    bool busy = false;
    answer(c.answer, &seen, &busy);
    click(ControllerPage::kChangeId);

    EXPECT_EQ(seen, "Подтвердите изменение скорости обмена");
    EXPECT_TRUE(busy);
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(controllerCodes({"S"}), c.commands);
    EXPECT_EQ(app->port().baudIndex(), c.baudIndex);
    EXPECT_EQ(text(ControllerPage::kCurrentRateId), c.shown);
    // The controller still answers at the port's speed.
    LayoutRecord reply = YesNo{};
    EXPECT_EQ(executeCommand(ControllerPage::kSelfTest, {}, &reply), 1);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Controller, ControllerSpeedTest, ::testing::Values(
    SpeedCase{"Refused", "Нет", {}, 5, "9600"},
    SpeedCase{"Confirmed", "Да", {"S"}, 4, "4800"}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(ControllerPageTest, RefusedAddressStopsTheSpeedChangeInsideTheBracket) {
    open(kControllerTab);
    control<QComboBox>(ControllerPage::kAddressId)->setEditText("");
    QString seen;
    bool busy = false;
    answer("OK", &seen, &busy);
    click(ControllerPage::kChangeId);
    EXPECT_EQ(seen, "Неверный адрес контролера");
    EXPECT_TRUE(busy);
    EXPECT_FALSE(window->isBusy());
    EXPECT_TRUE(frames().empty());
    control<QComboBox>(ControllerPage::kAddressId)->setEditText("0");
}

}  // namespace
}  // namespace quillet
