// The meter access page against the simulated meters: the checks of the current column,
// the "Изменить..." buttons with their confirmations, the speed change over each link
// type, and the histories across a tab change and a restart.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <deque>
#include <mutex>

#include "ScopedMessageBoxes.h"
#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/HistoryComboBox.h"
#include "app/MainWindow.h"
#include "pages/link/AccessPage.h"
#include "pages/link/LinkPages.h"
#include "protocol/Frame.h"
#include "protocol/RequestLayouts.h"
#include "serial/LinePeer.h"
#include "serial/ModemLink.h"
#include "sim/LineSimulator.h"

namespace quillet {
namespace {

constexpr int kAccessTab = 4;
constexpr int kAboutTab = 16;
const QString kNo = "Нет";
const QString kYes = "Да";

class AccessPageTest : public ::testing::Test {
protected:
    AccessPageTest() { start(); }
    ~AccessPageTest() override { window.reset(); }

    void start() {
        auto store = std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat);
        store->setValue("Ports/COM2", "sim");
        app = std::make_unique<Application>(std::move(store));
        app->loadSettings();
        app->settings().errorReport = 0;  // a failed command must not wait for an answer
        registerLinkPages();
        window = std::make_unique<MainWindow>(*app);
        window->confirmExit = [] { return true; };
        window->currentPageIndex = kAccessTab;
        window->start();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void restart() {
        window.reset();
        app.reset();
        start();
    }

    template <typename T>
    T* control(int id) {
        T* found = window->currentPage()->findChild<T*>(controlName(id));
        EXPECT_NE(found, nullptr) << id;
        return found;
    }
    QString text(int id) { return control<QComboBox>(id)->currentText(); }
    void setText(int id, const QString& value) {
        if (auto* box = window->currentPage()->findChild<QComboBox*>(controlName(id))) {
            box->setEditText(value);
        } else {
            control<QLineEdit>(id)->setText(value);
        }
    }
    QStringList history(int id) {
        QStringList items;
        auto* box = control<QComboBox>(id);
        for (int i = 0; i < box->count(); ++i) {
            items << box->itemText(i);
        }
        return items;
    }

    std::deque<std::string> frames() {
        std::lock_guard lock(app->simulatedLine().mutex);
        auto* simulator = static_cast<sim::LineSimulator*>(app->simulatedLine().peer.get());
        return simulator->framesSeen();
    }
    void clearFrames() { framesBefore = frames().size(); }
    std::vector<std::string> newFrames() {
        const auto all = frames();
        return {all.begin() + static_cast<long>(framesBefore), all.end()};
    }
    // The frame of a command as the current settings build it.
    std::string frameOf(std::size_t slot, int layout, const LayoutRecord& params) {
        std::string text;
        EXPECT_TRUE(encodeParams(layout, params, text));
        return buildRequestFrame(slot, text, app->settings().link()).value_or("");
    }

    std::string sentBytes() {
        const auto bytes = app->port().log().snapshot().inOrder();
        return {bytes.begin(), bytes.end()};
    }
    static int occurrences(const std::string& text, const std::string& part) {
        int count = 0;
        for (auto pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) {
            ++count;
        }
        return count;
    }

    // Clicks and waits for the bracketing to end; returns the begin/end request counts.
    std::pair<int, int> click(int buttonId) {
        QSignalSpy begins(window->currentPage(), &TabPage::exchangeBeginRequested);
        QSignalSpy ends(window->currentPage(), &TabPage::exchangeEndRequested);
        control<QPushButton>(buttonId)->click();
        return {static_cast<int>(begins.count()), static_cast<int>(ends.count())};
    }

    QTemporaryDir dir;
    std::unique_ptr<Application> app;
    std::unique_ptr<MainWindow> window;
    std::size_t framesBefore = 0;
};

TEST_F(AccessPageTest, ApplyChecksEveryCurrentValueAndKeepsTheValidOnes) {
    struct Case {
        const char* group;
        const char* own;
        const char* category;
        const char* address;
        QStringList messages;
        std::string storedGroup;
        int storedCategory;
        int storedAddress;
    };
    const QString range = QStringLiteral("\nДопустимые значения: 00000 ... ZZZZZ");
    const QString badGroup = QStringLiteral("Неверный пароль группы") + range;
    const QString badOwn = QStringLiteral("Неверный индивидуальный пароль") + range;
    const QString badCategory =
        QStringLiteral("Неверная категория потребителя\nДопустимые значения: 0 ... 99");
    const QString badAddress =
        QStringLiteral("Неверный адрес прибора\nДопустимые значения: 0 ... 999");
    const Case cases[] = {
        {"ab12z", "ZZZZZ", "12xy", "999", {}, "ab12z", 12, 999},
        {"Q7K2M", "Q7K2M", "", "0", {}, "Q7K2M", 0, 0},
        {"Q7K2",
         "Q7K2M!",
         "100",
         "1000",
         {badGroup, badOwn, badCategory, badAddress},
         "Q7K2M",
         0,
         0},
        {"A1B2C", "Q7-2M", "5", "-1", {badOwn, badAddress}, "A1B2C", 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        app->settings().groupPassword = "Q7K2M";
        app->settings().category = 0;
        app->settings().address = 0;
        setText(AccessPage::kGroupPasswordId, c.group);
        setText(AccessPage::kPrivatePasswordId, c.own);
        setText(AccessPage::kCategoryId, c.category);
        setText(AccessPage::kAddressId, c.address);
        testing::ScopedMessageBoxes boxes;
        window->tabs()->setCurrentIndex(kAboutTab);
        EXPECT_EQ(boxes.texts, c.messages);
        EXPECT_EQ(window->currentPageIndex, c.messages.isEmpty() ? kAboutTab : kAccessTab);
        EXPECT_EQ(app->settings().groupPassword, c.storedGroup);
        EXPECT_EQ(app->settings().category, c.storedCategory);
        EXPECT_EQ(app->settings().address, c.storedAddress);
        if (window->currentPageIndex != kAccessTab) {
            window->tabs()->setCurrentIndex(kAccessTab);
        }
    }
    setText(AccessPage::kPrivatePasswordId, "Q7K2M");
    setText(AccessPage::kAddressId, "0");
}

TEST_F(AccessPageTest, RefusedOrUnconfirmedChangesSendNothing) {
    struct Case {
        const char* name;
        int button;
        int newValueId;
        const char* newValue;
        const char* currentPassword;
        QString answer;
        QStringList messages;
    };
    const Case cases[] = {
        {"bad current password",
         AccessPage::kChangeAddressId,
         AccessPage::kNewAddressId,
         "5",
         "Q7K",
         kYes,
         {QStringLiteral("Неверный индивидуальный пароль\nДопустимые значения: 00000 ... ZZZZZ")}},
        {"empty category",
         AccessPage::kChangeCategoryId,
         AccessPage::kNewCategoryId,
         "",
         "Q7K2M",
         kYes,
         {QStringLiteral("Неверная новая категория потребителя")}},
        {"category 100",
         AccessPage::kChangeCategoryId,
         AccessPage::kNewCategoryId,
         "100",
         "Q7K2M",
         kYes,
         {QStringLiteral("Неверная новая категория потребителя")}},
        {"short group password",
         AccessPage::kChangeGroupPasswordId,
         AccessPage::kNewGroupPasswordId,
         "AB12",
         "Q7K2M",
         kYes,
         {QStringLiteral("Неверный новый пароль группы")}},
        {"address 1000",
         AccessPage::kChangeAddressId,
         AccessPage::kNewAddressId,
         "1000",
         "Q7K2M",
         kYes,
         {QStringLiteral("Неверный новый адрес прибора")}},
        {"private password, No",
         AccessPage::kChangePrivatePasswordId,
         AccessPage::kNewPrivatePasswordId,
         "NEW01",
         "Q7K2M",
         kNo,
         {QStringLiteral("Подтвердите изменение индивидуального пароля")}},
        {"speed, No",
         AccessPage::kChangeRateId,
         AccessPage::kNewRateId,
         "",
         "Q7K2M",
         kNo,
         {QStringLiteral("Подтвердите изменение скорости обмена")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setText(AccessPage::kPrivatePasswordId, c.currentPassword);
        if (c.newValueId != AccessPage::kNewRateId) {
            setText(c.newValueId, c.newValue);
        } else {
            control<QComboBox>(AccessPage::kNewRateId)->setCurrentIndex(2);
        }
        clearFrames();
        testing::ScopedMessageBoxes boxes({c.answer});
        EXPECT_EQ(click(c.button), std::make_pair(1, 1));
        EXPECT_EQ(boxes.texts, c.messages);
        EXPECT_TRUE(newFrames().empty());
        EXPECT_EQ(app->port().baudIndex(), 5);
        EXPECT_EQ(app->settings().address, 0);
        EXPECT_EQ(app->settings().privatePassword, "Q7K2M");
        EXPECT_FALSE(window->isBusy());
    }
    setText(AccessPage::kPrivatePasswordId, "Q7K2M");
}

TEST_F(AccessPageTest, ConfirmedChangesReachTheMeterAndBecomeCurrent) {
    // Address first: the later individual commands go to the new address.
    setText(AccessPage::kNewAddressId, "17");
    {
        testing::ScopedMessageBoxes boxes({kYes});
        click(AccessPage::kChangeAddressId);
        EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("Подтвердите изменение адреса прибора")});
    }
    EXPECT_EQ(app->settings().address, 17);
    EXPECT_EQ(history(AccessPage::kAddressId).value(0), "17");

    setText(AccessPage::kNewCategoryId, "42");
    setText(AccessPage::kNewPrivatePasswordId, "ab3De");
    setText(AccessPage::kNewGroupPasswordId, "GRP01");
    clearFrames();
    {
        testing::ScopedMessageBoxes boxes({kYes, kYes, kYes});
        click(AccessPage::kChangeCategoryId);
        EXPECT_EQ(frames().back(), frameOf(32, 11, ConsumerCategory{42}));
        click(AccessPage::kChangePrivatePasswordId);
        click(AccessPage::kChangeGroupPasswordId);
        EXPECT_EQ(boxes.texts.size(), 3);
    }
    EXPECT_EQ(app->settings().category, 42);
    EXPECT_EQ(app->settings().privatePassword, "ab3De");
    EXPECT_EQ(app->settings().groupPassword, "GRP01");
    EXPECT_EQ(history(AccessPage::kCategoryId).value(0), "42");
    EXPECT_EQ(history(AccessPage::kPrivatePasswordId), (QStringList{"ab3De", "Q7K2M"}));
    EXPECT_EQ(history(AccessPage::kGroupPasswordId), (QStringList{"GRP01", "Q7K2M"}));
    EXPECT_EQ(newFrames().size(), 3u);

    // The meter keeps the new category: reading it back replaces what was typed.
    setText(AccessPage::kCategoryId, "3");
    window->currentPage()->readFromDevice();
    EXPECT_EQ(text(AccessPage::kCategoryId), "42");
    EXPECT_EQ(app->settings().category, 42);
    EXPECT_EQ(app->settings().address, 17);

    // A tab change keeps the current values, not the new-value fields.
    setText(AccessPage::kNewAddressId, "5");
    window->tabs()->setCurrentIndex(kAboutTab);
    window->tabs()->setCurrentIndex(kAccessTab);
    EXPECT_EQ(text(AccessPage::kAddressId), "17");
    EXPECT_EQ(text(AccessPage::kPrivatePasswordId), "ab3De");
    EXPECT_TRUE(control<QLineEdit>(AccessPage::kNewAddressId)->text().isEmpty());

    // The histories and the current values come back after a restart.
    restart();
    EXPECT_EQ(history(AccessPage::kGroupPasswordId), (QStringList{"GRP01", "Q7K2M"}));
    EXPECT_EQ(history(AccessPage::kAddressId), (QStringList{"17", "000"}));
    EXPECT_EQ(text(AccessPage::kGroupPasswordId), "GRP01");
    EXPECT_EQ(text(AccessPage::kAddressId), "17");
}

TEST_F(AccessPageTest, ChangingAnUnreachableMeterChangesNothing) {
    {
        std::lock_guard lock(app->simulatedLine().mutex);
        static_cast<sim::LineSimulator*>(app->simulatedLine().peer.get())->setConnected(false);
    }
    setText(AccessPage::kNewAddressId, "17");
    testing::ScopedMessageBoxes boxes({kYes});
    click(AccessPage::kChangeAddressId);
    EXPECT_EQ(app->settings().address, 0);
    EXPECT_EQ(history(AccessPage::kAddressId), QStringList{"000"});
}

// Which commands go out and what the port does for each link type.
TEST_F(AccessPageTest, SpeedChangeFollowsTheLinkType) {
    struct Case {
        int linkType;
        bool controllerAnswers;
        QStringList messages;
    };
    const QString confirm = QStringLiteral("Подтвердите изменение скорости обмена");
    const QString controllerFailed = QStringLiteral(
        "Скорость обмена счетчика изменена успешно,\nоднако произошла ошибка при изменении "
        "скорости\nобмена контролера");
    const Case cases[] = {
        {0, true, {confirm}},
        {1, true, {confirm}},
        {1, false, {confirm, controllerFailed}},
        {2, true, {confirm}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.linkType << c.controllerAnswers);
        window.reset();
        app->port().close();
        sim::SimulatorOptions options;
        if (!c.controllerAnswers) {
            options.devices.controllerAddress = '7';  // the program talks to '0'
        }
        if (c.linkType == 2) {
            sim::ModemOptions modem;
            modem.dialTime = std::chrono::milliseconds(100);
            modem.guardTime = std::chrono::milliseconds(100);
            modem.echo = false;
            options.modem = modem;
        }
        auto simulator = std::make_shared<sim::LineSimulator>(options);
        {
            std::lock_guard lock(app->simulatedLine().mutex);
            app->simulatedLine().peer = simulator;
        }
        app->port().configure(1, 5, 500);
        app->port().clearLog();
        app->settings().linkType = c.linkType;
        if (c.linkType == 2) {
            ASSERT_EQ(ModemLink(app->port()).modemDial("ATDP123"), ModemResult::Connect);
        }
        window = std::make_unique<MainWindow>(*app);
        window->currentPageIndex = kAccessTab;
        window->start();
        window->show();
        control<QComboBox>(AccessPage::kNewRateId)->setCurrentIndex(3);  // 2400

        testing::ScopedMessageBoxes boxes({kYes});
        click(AccessPage::kChangeRateId);
        EXPECT_EQ(boxes.texts, c.messages);

        // Three broadcasts go out; the meters switch at the first, so later ones arrive at
        // the wrong speed and only the first reaches them as a frame.
        const std::string meterFrame = frameOf(7, 7, LineSpeed{2400});
        const std::string controllerFrame = frameOf(103, 7, LineSpeed{2400});
        const std::string sent = sentBytes();
        EXPECT_EQ(occurrences(sent, meterFrame), 3);
        EXPECT_EQ(occurrences(sent, controllerFrame), c.linkType == 0 ? 0 : 1);
        std::lock_guard lock(app->simulatedLine().mutex);
        ASSERT_FALSE(simulator->framesSeen().empty());
        EXPECT_EQ(simulator->framesSeen().front(), meterFrame);
        if (c.linkType == 2) {
            EXPECT_FALSE(simulator->modem()->carrier());
        }
        EXPECT_EQ(app->port().baudIndex(), 3);
        EXPECT_EQ(app->port().portIndex(), 1);
        EXPECT_EQ(app->port().replyTimeoutMs(), 500);
        EXPECT_EQ(control<QLineEdit>(AccessPage::kCurrentRateId)->text(), "2400");
    }
}

}  // namespace
}  // namespace quillet
