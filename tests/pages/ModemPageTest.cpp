// The modem page against the simulated modem and controller: the checks of its entries,
// the AT dialogue of its buttons and the commands that reach the controller.

#include <QCheckBox>

#include "PageFixture.h"
#include "pages/link/ModemPage.h"
#include "serial/ModemLink.h"

namespace quillet {
namespace {

using Page = ModemPage;
using Lines = std::vector<std::string>;

constexpr int kModemTab = 1;
const int kButtons[] = {Page::kDialId, Page::kHangUpId, Page::kTestId, Page::kExecuteId};
const QString kTimeMessage = "Неверное время тайм-аута\nДопустимые значения: 1 ... 15 мин";
const QString kConfirm = "Подтвердите выполнение команды удаленного модема";
const std::string kInit = "AT&F1&B1M3E0Q0&D0\r\n";
const std::string kDial = "ATDP5551234\r\n";
const std::string kHangUp = "ATH\r\n";

QString dialMessage(const char* caption, ModemResult result) {
    return QString::fromStdString(modemMessageText(caption, result));
}

class ModemPageTest : public testing::PageFixture {
protected:
    void openWith(const QString& number, bool modEnable, const QString& modCommand = "ATE0V1") {
        open(kModemTab);
        setField(Page::kNumberId, number);
        control<QCheckBox>(Page::kModEnableId)->setChecked(modEnable);
        setField(Page::kModCommandId, modCommand);
    }
    bool carrier() {
        return withSimulator([](sim::LineSimulator& s) { return s.modem()->carrier(); });
    }
};

TEST_F(ModemPageTest, RefusedEntryKeepsThePageStoresNothingAndStopsEveryButton) {
    // The field, its text, the message (none: accepted).
    const QString a30(30, 'A'), a31(31, 'A');
    // clang-format off
    const std::tuple<int, QString, QStringList> rows[] = {
        {Page::kInitId, a30, {}}, {Page::kInitId, a31, {"Неверная строка инициализации модема"}},
        {Page::kModCommandId, a30, {}},
        {Page::kModCommandId, a31, {"Неверная команда для удаленного модема"}},
        {Page::kModTimeId, "15", {}}, {Page::kModTimeId, "1", {}},
        {Page::kModTimeId, "0", {kTimeMessage}}, {Page::kModTimeId, "16", {kTimeMessage}},
        {Page::kModTimeId, "5x", {kTimeMessage}}, {Page::kModTimeId, "", {kTimeMessage}}};
    // clang-format on
    open(kModemTab);
    for (const auto& [id, text, messages] : rows) {
        SCOPED_TRACE(::testing::Message() << id << " " << text.toStdString());
        const bool refused = !messages.isEmpty();
        app->settings().numberPrefix = "ATDP";
        window->tabs()->setCurrentIndex(kModemTab);
        setField(Page::kPrefixId, "ATDT");
        setField(id, text);
        EXPECT_EQ(leave(), messages);
        EXPECT_EQ(window->currentPageIndex, refused ? kModemTab : kAboutPage);
        EXPECT_EQ(app->settings().numberPrefix, refused ? "ATDP" : "ATDT");
        // Back on the tab the page shows what was stored; a refused page stays as it was left.
        window->tabs()->setCurrentIndex(kModemTab);
        EXPECT_EQ(fieldText(id), text);
        EXPECT_EQ(fieldText(Page::kPrefixId), "ATDT");
        if (refused) {
            for (int button : kButtons) {
                EXPECT_EQ(clickAnswering(button).first, messages.front()) << button;
            }
            setField(id, "1");  // valid again
        }
    }
    // The buttons stopped before the line.
    EXPECT_TRUE(frames().empty());
    EXPECT_TRUE(modemLines().empty());
}

TEST_F(ModemPageTest, DialsFollowsTheRemoteCommandAndHangsUp) {
    using sim::DialOutcome;
    const QString busy = dialMessage("Ошибка соединения.", ModemResult::Busy);
    const QString again = dialMessage("Ошибка повторного соединения.", ModemResult::NoAnswer);
    const Lines once = {kHangUp, kInit, kDial};
    // The local modem takes the remote modem's command line and dials again.
    const Lines twice = {kHangUp, kInit, kDial, "+++", kHangUp, "ATE0V1\r\n", kDial};
    // Dial outcomes, echo, remote command; the modem lines, the commands, the message.
    using Row = std::tuple<std::deque<DialOutcome>, bool, bool, Lines, Lines, QString>;
    const Row rows[] = {
        {{DialOutcome::Connect}, false, false, once, {}, ""},
        // The echo of the init line is an unknown answer, which counts as success.
        {{DialOutcome::Connect}, true, false, once, {}, ""},
        {{DialOutcome::Busy}, false, true, once, {}, busy},
        {{DialOutcome::Connect}, false, true, twice, {"A"}, ""},
        {{DialOutcome::Connect, DialOutcome::NoAnswer}, false, true, twice, {"A"}, again},
    };
    for (const auto& [outcomes, echo, modEnable, lines, commands, message] : rows) {
        SCOPED_TRACE(::testing::Message() << echo << modEnable << message.toStdString());
        restart();
        addModem(outcomes, echo);
        openWith("5551234", modEnable);
        setField(Page::kModTimeId, "7");
        EXPECT_EQ(clickAnswering(Page::kDialId), std::pair(message, !message.isEmpty()));
        EXPECT_EQ(modemLines(), lines);
        EXPECT_EQ(controllerCodes({"A"}), commands);
        if (!commands.empty()) {
            // The time-out as one hex digit, then the command line.
            EXPECT_TRUE(frames().front().starts_with("&0MA7ATE0V1")) << frames().front();
        }
        EXPECT_EQ(carrier(), message.isEmpty());
        // Hanging up escapes to the command mode first.
        app->port().clearLog();
        click(Page::kHangUpId);
        EXPECT_EQ(modemLines(), (message.isEmpty() ? Lines{"+++", kHangUp} : Lines{kHangUp}));
        EXPECT_FALSE(carrier());
    }
}

TEST_F(ModemPageTest, TestAndExecuteTalkToTheControllerWithTheButtonsDisabled) {
    // The button, the answer to its box, the fault; the box's text and the commands sent.
    using Row = std::tuple<int, const char*, sim::Fault, QString, Lines>;
    const Row rows[] = {
        {Page::kTestId, "OK", sim::Fault::None, "Тест выполнен успешно", {"T"}},
        {Page::kTestId, "OK", sim::Fault::NoReply, "Тест не выполнен", {"T"}},
        {Page::kExecuteId, "Нет", sim::Fault::None, kConfirm, {}},
        {Page::kExecuteId, "Да", sim::Fault::None, kConfirm, {"A"}},
    };
    for (const auto& [button, reply, fault, message, commands] : rows) {
        SCOPED_TRACE(message.toStdString() + reply);
        restart();
        app->settings().errorReport = 0;
        withSimulator([&](sim::LineSimulator& s) { s.faults().script({fault}); });
        openWith("1", false, "ATS0=1");
        std::vector<bool> during;
        // Looks before the answer closes the box.
        testing::whenModalAppears([&](QWidget*) {
            for (int id : kButtons) {
                during.push_back(control<QWidget>(id)->isEnabled());
            }
        });
        EXPECT_EQ(clickAnswering(button, reply), std::pair(message, true));
        EXPECT_EQ(during, std::vector<bool>(4, false));
        EXPECT_TRUE(control<QWidget>(Page::kDialId)->isEnabled());
        EXPECT_EQ(controllerCodes({"T", "A"}), commands);
    }
}

}  // namespace
}  // namespace quillet
