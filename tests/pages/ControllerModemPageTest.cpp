// The controller modem page against the simulated controller: which rows are read and
// written, the checks that run before anything is sent, and restoring from memory.

#include <QCheckBox>
#include <QLineEdit>

#include "PageFixture.h"
#include "app/Transaction.h"
#include "pages/link/ControllerModemPage.h"

namespace quillet {
namespace {

using testing::PageFixture;
using Page = ControllerModemPage;

constexpr int kPageTab = 3;
constexpr int kAboutTab = 16;
const std::string kRomInit = "AT&F1&B1M3E0Q0&D0";

class ControllerModemPageTest : public PageFixture {
protected:
    ControllerModemPageTest() { Page::values() = {}; }

    void fill(bool useInit, const QString& init, bool useTimeout, const QString& timeout) {
        control<QCheckBox>(Page::kUseInitId)->setChecked(useInit);
        control<QLineEdit>(Page::kInitId)->setText(init);
        control<QCheckBox>(Page::kUseTimeoutId)->setChecked(useTimeout);
        control<QLineEdit>(Page::kTimeoutId)->setText(timeout);
    }
    std::vector<QString> shown() {
        return {control<QLineEdit>(Page::kInitId)->text(),
                control<QLineEdit>(Page::kTimeoutId)->text()};
    }
    // What the controller keeps, read past the page.
    std::pair<std::string, int> deviceValues() {
        LayoutRecord init = ModemInitString{};
        LayoutRecord timeout = ModemTimeout{};
        EXPECT_EQ(executeCommand(Page::kReadInit, {}, &init), 1);
        EXPECT_EQ(executeCommand(Page::kReadTimeout, {}, &timeout), 1);
        return {std::get<ModemInitString>(init).initString,
                std::get<ModemTimeout>(timeout).minutes};
    }
    void setDevice(const std::string& init, int minutes) {
        LayoutRecord ack;
        ASSERT_EQ(executeCommand(Page::kWriteInit, ModemInitString{init}, &ack), 1);
        ASSERT_EQ(executeCommand(Page::kWriteTimeout, ModemTimeout{minutes}, &ack), 1);
    }
    std::vector<std::string> codes() { return controllerCodes({"IR", "IW", "ID", "JR", "JW"}); }
};

struct ReadCase {
    bool useInit;
    bool useTimeout;
    std::vector<std::string> commands;
    std::vector<QString> shown;
};

class ControllerModemReadTest : public ControllerModemPageTest,
                                public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ControllerModemReadTest, ReadsTheTickedRowsAndKeepsThemOverATabChange) {
    const ReadCase& c = GetParam();
    setDevice("ATZ", 42);
    const std::size_t before = frames().size();
    open(kPageTab);
    fill(c.useInit, "old", c.useTimeout, "3");
    press(Qt::Key_F5);

    const std::vector<std::string> all = codes();
    EXPECT_EQ(
        std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
        c.commands);
    EXPECT_EQ(shown(), c.shown);
    window->tabs()->setCurrentIndex(kAboutTab);
    window->tabs()->setCurrentIndex(kPageTab);
    EXPECT_EQ(shown(), c.shown);
    EXPECT_EQ(control<QCheckBox>(Page::kUseInitId)->isChecked(), c.useInit);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(ControllerModem, ControllerModemReadTest, ::testing::Values(
    ReadCase{true, true, {"IR", "JR"}, {"ATZ", "42"}},
    ReadCase{true, false, {"IR"}, {"ATZ", "3"}},
    ReadCase{false, true, {"JR"}, {"old", "42"}},
    ReadCase{false, false, {}, {"old", "3"}}));
// clang-format on

struct WriteCase {
    const char* name;
    bool useInit;
    QString init;
    bool useTimeout;
    QString timeout;
    QString message;
    std::vector<std::string> commands;
    std::pair<std::string, int> device;
};

class ControllerModemWriteTest : public ControllerModemPageTest,
                                 public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ControllerModemWriteTest, ChecksBothRowsBeforeSendingTheTickedOnes) {
    const WriteCase& c = GetParam();
    open(kPageTab);
    fill(c.useInit, c.init, c.useTimeout, c.timeout);
    QString seen;
    if (!c.message.isEmpty()) {
        answer("OK", &seen);
    }
    press(Qt::Key_F6);

    EXPECT_EQ(seen, c.message);
    EXPECT_EQ(codes(), c.commands);
    EXPECT_EQ(deviceValues(), c.device);
}

const QString kInitMessage = "Неверная строка инициализации модема";
const QString kTimeoutMessage = "Неверный тайм-аут модема\nДопустимые значения: 1 ... 60 мин";
const std::string k30(30, 'A');

// clang-format off
INSTANTIATE_TEST_SUITE_P(ControllerModem, ControllerModemWriteTest, ::testing::Values(
    WriteCase{"Both", true, "ATE0", true, "60", {}, {"IW", "JW"}, {"ATE0", 60}},
    WriteCase{"Init30", true, QString::fromStdString(k30), false, "", {}, {"IW"}, {k30, 5}},
    WriteCase{"Init31", true, QString(31, 'A'), true, "7", kInitMessage, {}, {kRomInit, 5}},
    WriteCase{"TimeoutOnly", false, QString(31, 'A'), true, "1", {}, {"JW"}, {kRomInit, 1}},
    WriteCase{"Timeout0", true, "ATE0", true, "0", kTimeoutMessage, {}, {kRomInit, 5}},
    WriteCase{"Timeout61", true, "ATE0", true, "61", kTimeoutMessage, {}, {kRomInit, 5}},
    WriteCase{"TimeoutEmpty", true, "ATE0", true, "", kTimeoutMessage, {}, {kRomInit, 5}},
    WriteCase{"NothingTicked", false, "ATE0", false, "0", {}, {}, {kRomInit, 5}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(ControllerModemPageTest, RestoreFromMemoryLeavesTheFieldUntilTheNextRead) {
    setDevice("ATZ", 5);
    open(kPageTab);
    fill(true, "mine", false, "1");
    for (const char* button : {"Нет", "Да"}) {
        QString seen;
        bool busy = false;
        answer(button, &seen, &busy);
        click(Page::kRestoreId);
        EXPECT_EQ(seen, "Подтвердите установку строки инициализациии модема из ПЗУ контролера");
        EXPECT_TRUE(busy);
        EXPECT_FALSE(window->isBusy());
    }
    EXPECT_EQ(codes(), (std::vector<std::string>{"IW", "JW", "ID"}));
    EXPECT_EQ(shown().front(), "mine");
    press(Qt::Key_F5);
    EXPECT_EQ(shown().front(), QString::fromStdString(kRomInit));
}

}  // namespace
}  // namespace quillet
