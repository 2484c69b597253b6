// The controller modem page against the simulated controller: which rows are read and
// written, the checks that run before anything is sent, and restoring from memory.

#include <QCheckBox>

#include "PageFixture.h"
#include "app/Transaction.h"
#include "pages/link/ControllerModemPage.h"

namespace quillet {
namespace {

using Page = ControllerModemPage;
using Codes = std::vector<std::string>;
using Texts = std::vector<QString>;

constexpr int kPageTab = 3;
const std::string kRomInit = "AT&F1&B1M3E0Q0&D0";

class ControllerModemPageTest : public testing::PageFixture {
protected:
    // A fresh program and controller showing the page.
    void start() {
        restart();
        Page::values() = {};
        open(kPageTab);
    }
    void fill(bool useInit, const QString& init, bool useTimeout, const QString& timeout) {
        control<QCheckBox>(Page::kUseInitId)->setChecked(useInit);
        setField(Page::kInitId, init);
        control<QCheckBox>(Page::kUseTimeoutId)->setChecked(useTimeout);
        setField(Page::kTimeoutId, timeout);
    }
    Texts shown() { return {fieldText(Page::kInitId), fieldText(Page::kTimeoutId)}; }
    // What the controller keeps, read past the page.
    std::pair<std::string, int> deviceValues() {
        LayoutRecord init = ModemInitString{};
        LayoutRecord timeout = ModemTimeout{};
        EXPECT_EQ(executeCommand(Page::kReadInit, {}, &init), 1);
        EXPECT_EQ(executeCommand(Page::kReadTimeout, {}, &timeout), 1);
        return {std::get<ModemInitString>(init).initString,
                std::get<ModemTimeout>(timeout).minutes};
    }
    // The page's commands among the frames seen from `from` on.
    Codes codes(std::size_t from = 0) {
        const Codes all = controllerCodes({"IR", "IW", "ID", "JR", "JW"});
        return {all.begin() + std::ptrdiff_t(from), all.end()};
    }
};

TEST_F(ControllerModemPageTest, ReadsTheTickedRowsKeepsThemOverATabChangeAndRestores) {
    start();
    LayoutRecord ack;
    ASSERT_EQ(executeCommand(Page::kWriteInit, ModemInitString{"ATZ"}, &ack), 1);
    ASSERT_EQ(executeCommand(Page::kWriteTimeout, ModemTimeout{42}, &ack), 1);
    for (const auto& [useInit, useTimeout, read, expected] :
         {std::tuple(true, true, Codes{"IR", "JR"}, Texts{"ATZ", "42"}),
          std::tuple(true, false, Codes{"IR"}, Texts{"ATZ", "3"}),
          std::tuple(false, true, Codes{"JR"}, Texts{"old", "42"}),
          std::tuple(false, false, Codes{}, Texts{"old", "3"})}) {
        SCOPED_TRACE(::testing::Message() << useInit << useTimeout);
        fill(useInit, "old", useTimeout, "3");
        const std::size_t before = frames().size();
        press(Qt::Key_F5);
        EXPECT_EQ(codes(before), read);
        EXPECT_EQ(shown(), expected);
        window->tabs()->setCurrentIndex(kAboutPage);
        window->tabs()->setCurrentIndex(kPageTab);
        EXPECT_EQ(shown(), expected);
        EXPECT_EQ(control<QCheckBox>(Page::kUseInitId)->isChecked(), useInit);
    }
    // Restoring from memory leaves the field as typed until the next read.
    fill(true, "mine", false, "1");
    const QString confirm = "Подтвердите установку строки инициализациии модема из ПЗУ контролера";
    const std::size_t before = frames().size();
    for (const char* button : {"Нет", "Да"}) {
        EXPECT_EQ(clickAnswering(Page::kRestoreId, button), std::pair(confirm, true));
    }
    EXPECT_EQ(codes(before), Codes{"ID"});
    EXPECT_EQ(shown().front(), "mine");
    press(Qt::Key_F5);
    EXPECT_EQ(shown().front(), QString::fromStdString(kRomInit));
}

TEST_F(ControllerModemPageTest, ChecksBothRowsBeforeSendingTheTickedOnes) {
    const char* badInit = "Неверная строка инициализации модема";
    const char* badTimeout = "Неверный тайм-аут модема\nДопустимые значения: 1 ... 60 мин";
    const std::string a30(30, 'A'), a31(31, 'A');
    // Each row ticked and its text; the message shown, the commands sent, what the device keeps.
    using Row = std::tuple<bool, const char*, bool, const char*, const char*, Codes,
                           std::pair<std::string, int>>;
    const Row rows[] = {
        {true, "ATE0", true, "60", "", {"IW", "JW"}, {"ATE0", 60}},
        {true, a30.c_str(), false, "", "", {"IW"}, {a30, 5}},
        {true, a31.c_str(), true, "7", badInit, {}, {kRomInit, 5}},
        {false, a31.c_str(), true, "1", "", {"JW"}, {kRomInit, 1}},
        {true, "ATE0", true, "0", badTimeout, {}, {kRomInit, 5}},
        {true, "ATE0", true, "61", badTimeout, {}, {kRomInit, 5}},
        {true, "ATE0", true, "", badTimeout, {}, {kRomInit, 5}},
        {false, "ATE0", false, "0", "", {}, {kRomInit, 5}},
    };
    for (const auto& [useInit, init, useTimeout, timeout, message, written, device] : rows) {
        SCOPED_TRACE(::testing::Message() << init << " " << timeout);
        start();
        fill(useInit, init, useTimeout, timeout);
        QString seen;
        if (*message != '\0') {
            answer("OK", &seen);
        }
        press(Qt::Key_F6);
        EXPECT_EQ(seen, message);
        EXPECT_EQ(codes(), written);
        EXPECT_EQ(deviceValues(), device);
    }
}

}  // namespace
}  // namespace quillet
