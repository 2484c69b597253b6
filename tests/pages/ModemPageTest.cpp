// The modem page against the simulated modem and controller: the checks of its entries,
// the AT dialogue of its buttons and the commands that reach the controller.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "PageFixture.h"
#include "pages/link/ModemPage.h"
#include "serial/ModemLink.h"

namespace quillet {
namespace {

using testing::PageFixture;

constexpr int kModemTab = 1;
constexpr int kAboutTab = 16;
const std::string kInit = "AT&F1&B1M3E0Q0&D0";

class ModemPageTest : public PageFixture {
protected:
    void openWith(const QString& number, bool modEnable, const QString& modCommand = "ATE0V1") {
        open(kModemTab);
        control<QComboBox>(ModemPage::kNumberId)->setEditText(number);
        control<QCheckBox>(ModemPage::kModEnableId)->setChecked(modEnable);
        control<QLineEdit>(ModemPage::kModCommandId)->setText(modCommand);
    }
    QString modemText(const char* caption, ModemResult result) {
        return QString::fromStdString(modemMessageText(caption, result));
    }
};

struct EntryCase {
    const char* name;
    int id;
    QString text;
    QString message;  // empty: accepted
};

class ModemPageEntryTest : public ModemPageTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(ModemPageEntryTest, RefusedEntryKeepsThePageAndStoresNothing) {
    const EntryCase& c = GetParam();
    open(kModemTab);
    control<QLineEdit>(ModemPage::kPrefixId)->setText("ATDT");
    control<QLineEdit>(c.id)->setText(c.text);
    QString seen;
    if (!c.message.isEmpty()) {
        answer("OK", &seen);
    }
    window->tabs()->setCurrentIndex(kAboutTab);

    EXPECT_EQ(seen, c.message);
    const AppSettings& s = app->settings();
    if (!c.message.isEmpty()) {
        EXPECT_EQ(window->currentPageIndex, kModemTab);
        EXPECT_EQ(s.numberPrefix, "ATDP");
        // The page stays as it was left.
        EXPECT_EQ(control<QLineEdit>(c.id)->text(), c.text);
        control<QLineEdit>(c.id)->setText("1");  // lets the window close
        return;
    }
    EXPECT_EQ(window->currentPageIndex, kAboutTab);
    EXPECT_EQ(s.numberPrefix, "ATDT");
    // Back on the tab, the page shows what was stored.
    window->tabs()->setCurrentIndex(kModemTab);
    EXPECT_EQ(control<QLineEdit>(c.id)->text(), c.text);
    EXPECT_EQ(control<QLineEdit>(ModemPage::kPrefixId)->text(), "ATDT");
}

const QString kInitMessage = "Неверная строка инициализации модема";
const QString kCommandMessage = "Неверная команда для удаленного модема";
const QString kTimeMessage = "Неверное время тайм-аута\nДопустимые значения: 1 ... 15 мин";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Modem, ModemPageEntryTest, ::testing::Values(
    EntryCase{"Init30", ModemPage::kInitId, QString(30, 'A'), {}},
    EntryCase{"Init31", ModemPage::kInitId, QString(31, 'A'), kInitMessage},
    EntryCase{"Command30", ModemPage::kModCommandId, QString(30, 'A'), {}},
    EntryCase{"Command31", ModemPage::kModCommandId, QString(31, 'A'), kCommandMessage},
    EntryCase{"Time15", ModemPage::kModTimeId, "15", {}},
    EntryCase{"Time1", ModemPage::kModTimeId, "1", {}},
    EntryCase{"Time0", ModemPage::kModTimeId, "0", kTimeMessage},
    EntryCase{"Time16", ModemPage::kModTimeId, "16", kTimeMessage},
    EntryCase{"TimeWithLetter", ModemPage::kModTimeId, "5x", kTimeMessage},
    EntryCase{"TimeEmpty", ModemPage::kModTimeId, "", kTimeMessage}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(ModemPageTest, RefusedEntryStopsEveryButtonBeforeTheLine) {
    addModem();
    open(kModemTab);
    control<QLineEdit>(ModemPage::kModTimeId)->setText("0");
    for (int id :
         {ModemPage::kDialId, ModemPage::kHangUpId, ModemPage::kTestId, ModemPage::kExecuteId}) {
        QString seen;
        answer("OK", &seen);
        click(id);
        EXPECT_EQ(seen, kTimeMessage) << id;
    }
    EXPECT_TRUE(frames().empty());
    EXPECT_TRUE(modemLines().empty());
    control<QLineEdit>(ModemPage::kModTimeId)->setText("1");
}

struct DialCase {
    const char* name;
    std::deque<sim::DialOutcome> outcomes;
    bool echo;
    bool modEnable;
    std::vector<std::string> lines;
    std::vector<std::string> commands;
    QString message;
};

class ModemPageDialTest : public ModemPageTest, public ::testing::WithParamInterface<DialCase> {};

TEST_P(ModemPageDialTest, DialsAndFollowsTheRemoteCommand) {
    const DialCase& c = GetParam();
    addModem(c.outcomes, c.echo);
    openWith("5551234", c.modEnable);
    control<QLineEdit>(ModemPage::kModTimeId)->setText("7");
    QString seen;
    bool busy = false;
    answer("OK", &seen, &busy);
    click(ModemPage::kDialId);

    EXPECT_EQ(seen, c.message);
    if (!c.message.isEmpty()) {
        EXPECT_TRUE(busy);
    }
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(modemLines(), c.lines);
    EXPECT_EQ(controllerCodes({"A"}), c.commands);
    if (!c.commands.empty()) {
        // The time-out as one hex digit, then the command line.
        EXPECT_EQ(frames().front().rfind("&0MA7ATE0V1", 0), 0u) << frames().front();
    }
    const bool connected =
        withSimulator([](sim::LineSimulator& s) { return s.modem()->carrier(); });
    EXPECT_EQ(connected, c.message.isEmpty());
}

const std::string kDial = "ATDP5551234\r\n";
const std::string kHangUp = "ATH\r\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Modem, ModemPageDialTest, ::testing::Values(
    DialCase{"Plain", {sim::DialOutcome::Connect}, false, false,
             {kHangUp, kInit + "\r\n", kDial}, {}, {}},
    // The echo of the init line is an unknown answer, which counts as success.
    DialCase{"EchoingModem", {sim::DialOutcome::Connect}, true, false,
             {kHangUp, kInit + "\r\n", kDial}, {}, {}},
    DialCase{"Busy", {sim::DialOutcome::Busy}, false, true,
             {kHangUp, kInit + "\r\n", kDial}, {},
             QString::fromStdString(modemMessageText("Ошибка соединения.", ModemResult::Busy))},
    // The local modem takes the remote modem's command line and dials again.
    DialCase{"RemoteCommand", {sim::DialOutcome::Connect}, false, true,
             {kHangUp, kInit + "\r\n", kDial, "+++", kHangUp, "ATE0V1\r\n", kDial}, {"A"}, {}},
    DialCase{"SecondDialFails", {sim::DialOutcome::Connect, sim::DialOutcome::NoAnswer}, false,
             true, {kHangUp, kInit + "\r\n", kDial, "+++", kHangUp, "ATE0V1\r\n", kDial}, {"A"},
             QString::fromStdString(
                 modemMessageText("Ошибка повторного соединения.", ModemResult::NoAnswer))}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(ModemPageTest, HangUpEndsTheConnectionAndDoesNothingOnAClosedPort) {
    addModem();
    openWith("1", false);
    // The main window opened the port at start.
    app->port().close();
    click(ModemPage::kHangUpId);
    EXPECT_TRUE(modemLines().empty());
    EXPECT_FALSE(app->port().isOpen());

    QString seen;
    answer("OK", &seen);
    click(ModemPage::kDialId);
    EXPECT_EQ(seen, "") << logText();
    ASSERT_TRUE(withSimulator([](sim::LineSimulator& s) { return s.modem()->carrier(); }));
    app->port().clearLog();
    click(ModemPage::kHangUpId);
    EXPECT_EQ(modemLines(), (std::vector<std::string>{"+++", kHangUp}));
    EXPECT_FALSE(withSimulator([](sim::LineSimulator& s) { return s.modem()->carrier(); }));
    EXPECT_FALSE(window->isBusy());
}

struct ButtonCase {
    const char* name;
    int button;
    QString answer;  // to the confirmation, or OK
    sim::Fault fault;
    QString message;
    std::vector<std::string> commands;
};

class ModemPageButtonTest : public ModemPageTest,
                            public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(ModemPageButtonTest, TestAndExecuteTalkToTheController) {
    const ButtonCase& c = GetParam();
    app->settings().errorReport = 0;
    withSimulator([&](sim::LineSimulator& s) {
        s.faults().script({c.fault});
        return 0;
    });
    openWith("1", false, "ATS0=1");
    QString seen;
    bool busy = false;
    answer(c.answer, &seen, &busy);
    click(c.button);

    EXPECT_EQ(seen, c.message);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(controllerCodes({"T", "A"}), c.commands);
}

const QString kConfirm = "Подтвердите выполнение команды удаленного модема";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Modem, ModemPageButtonTest, ::testing::Values(
    ButtonCase{"TestAnswered", ModemPage::kTestId, "OK", sim::Fault::None,
               "Тест выполнен успешно", {"T"}},
    ButtonCase{"TestUnanswered", ModemPage::kTestId, "OK", sim::Fault::NoReply,
               "Тест не выполнен", {"T"}},
    ButtonCase{"ExecuteNo", ModemPage::kExecuteId, "Нет", sim::Fault::None, kConfirm, {}},
    ButtonCase{"ExecuteYes", ModemPage::kExecuteId, "Да", sim::Fault::None, kConfirm, {"A"}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(ModemPageTest, ButtonsAreDisabledWhileAnExchangeRuns) {
    open(kModemTab);
    std::vector<bool> during;
    // Looks before the answer below closes the box.
    testing::whenModalAppears([&](QWidget*) {
        for (int id : {ModemPage::kDialId, ModemPage::kHangUpId, ModemPage::kTestId,
                       ModemPage::kExecuteId}) {
            during.push_back(control<QWidget>(id)->isEnabled());
        }
    });
    answer("Нет");
    click(ModemPage::kExecuteId);
    EXPECT_EQ(during, std::vector<bool>(4, false));
    EXPECT_TRUE(control<QWidget>(ModemPage::kDialId)->isEnabled());
}

}  // namespace
}  // namespace quillet
