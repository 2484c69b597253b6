// The meter access page against the simulated meters: the checks of the current column,
// the "Изменить..." buttons with their confirmations, the speed change over each link
// type, and the histories across a tab change and a restart.

#include <QSignalSpy>

#include "PageFixture.h"
#include "pages/link/AccessPage.h"
#include "protocol/Frame.h"
#include "protocol/RequestLayouts.h"
#include "serial/ModemLink.h"

namespace quillet {
namespace {

using Page = AccessPage;

constexpr int kAccessTab = 4;
const QString kNo = "Нет";
const QString kYes = "Да";
const QString kRange = "\nДопустимые значения: 00000 ... ZZZZZ";
const QString kBadOwn = "Неверный индивидуальный пароль" + kRange;

class AccessPageTest : public testing::PageFixture {
protected:
    AccessPageTest() { start(); }
    void start() {
        app->settings().errorReport = 0;  // a failed command must not wait for an answer
        open(kAccessTab);
    }
    QStringList history(int id) {
        QStringList items;
        auto* box = control<QComboBox>(id);
        for (int i = 0; i < box->count(); ++i) {
            items << box->itemText(i);
        }
        return items;
    }
    // The frame of a command as the current settings build it.
    std::string frameOf(std::size_t slot, int layout, const LayoutRecord& params) {
        std::string text;
        EXPECT_TRUE(encodeParams(layout, params, text));
        return buildRequestFrame(slot, text, app->settings().link()).value_or("");
    }
    // Clicks `button`, answering the boxes with `answers`; returns their texts. Every
    // button brackets its work in one exchange.
    QStringList change(int button, std::deque<QString> answers) {
        QSignalSpy begins(window->currentPage(), &TabPage::exchangeBeginRequested);
        QSignalSpy ends(window->currentPage(), &TabPage::exchangeEndRequested);
        testing::ScopedMessageBoxes boxes(std::move(answers));
        control<QAbstractButton>(button)->click();
        EXPECT_EQ(begins.count(), 1);
        EXPECT_EQ(ends.count(), 1);
        return boxes.texts;
    }
};

TEST_F(AccessPageTest, ApplyChecksEveryCurrentValueAndKeepsTheValidOnes) {
    const QString group = "Неверный пароль группы" + kRange;
    const QString category = "Неверная категория потребителя\nДопустимые значения: 0 ... 99";
    const QString address = "Неверный адрес прибора\nДопустимые значения: 0 ... 999";
    // Group and own password, category, address typed; the messages; what is stored of
    // group, category and address.
    using Row = std::tuple<QStringList, QStringList, std::tuple<std::string, int, int>>;
    const Row rows[] = {
        {{"ab12z", "ZZZZZ", "12xy", "999"}, {}, {"ab12z", 12, 999}},
        {{"Q7K2M", "Q7K2M", "", "0"}, {}, {"Q7K2M", 0, 0}},
        {{"Q7K2", "Q7K2M!", "100", "1000"}, {group, kBadOwn, category, address}, {"Q7K2M", 0, 0}},
        {{"A1B2C", "Q7-2M", "5", "-1"}, {kBadOwn, address}, {"A1B2C", 5, 0}},
    };
    const int ids[] = {Page::kGroupPasswordId, Page::kPrivatePasswordId, Page::kCategoryId,
                       Page::kAddressId};
    AppSettings& s = app->settings();
    for (const auto& [texts, messages, stored] : rows) {
        SCOPED_TRACE(texts.join(' ').toStdString());
        s.groupPassword = "Q7K2M";
        s.category = s.address = 0;
        for (int i = 0; i < 4; ++i) {
            setField(ids[i], texts[i]);
        }
        EXPECT_EQ(leave(), messages);
        EXPECT_EQ(window->currentPageIndex, messages.isEmpty() ? kAboutPage : kAccessTab);
        EXPECT_EQ(std::tuple(s.groupPassword, s.category, s.address), stored);
        window->tabs()->setCurrentIndex(kAccessTab);
    }
    setField(Page::kPrivatePasswordId, "Q7K2M");
    setField(Page::kAddressId, "0");
}

TEST_F(AccessPageTest, RefusedOrUnconfirmedChangesSendNothing) {
    const QString category = "Неверная новая категория потребителя";
    // The button, its new value's field and text, the current password, the answer to
    // the box and its text.
    using Row = std::tuple<int, int, QString, QString, QString, QString>;
    const Row rows[] = {
        {Page::kChangeAddressId, Page::kNewAddressId, "5", "Q7K", kYes, kBadOwn},
        {Page::kChangeCategoryId, Page::kNewCategoryId, "", "Q7K2M", kYes, category},
        {Page::kChangeCategoryId, Page::kNewCategoryId, "100", "Q7K2M", kYes, category},
        {Page::kChangeGroupPasswordId, Page::kNewGroupPasswordId, "AB12", "Q7K2M", kYes,
         "Неверный новый пароль группы"},
        {Page::kChangeAddressId, Page::kNewAddressId, "1000", "Q7K2M", kYes,
         "Неверный новый адрес прибора"},
        {Page::kChangePrivatePasswordId, Page::kNewPrivatePasswordId, "NEW01", "Q7K2M", kNo,
         "Подтвердите изменение индивидуального пароля"},
        {Page::kChangeRateId, Page::kNewRateId, "", "Q7K2M", kNo,
         "Подтвердите изменение скорости обмена"},
    };
    for (const auto& [button, field, value, password, reply, message] : rows) {
        SCOPED_TRACE(message.toStdString());
        setField(Page::kPrivatePasswordId, password);
        if (field == Page::kNewRateId) {
            control<QComboBox>(field)->setCurrentIndex(2);
        } else {
            setField(field, value);
        }
        const std::size_t before = frames().size();
        EXPECT_EQ(change(button, {reply}), QStringList{message});
        EXPECT_EQ(frames().size(), before);
        EXPECT_EQ(std::tuple(app->port().baudIndex(), app->settings().address,
                             app->settings().privatePassword),
                  std::tuple(5, 0, "Q7K2M"));
    }
    setField(Page::kPrivatePasswordId, "Q7K2M");
}

TEST_F(AccessPageTest, ConfirmedChangesReachTheMeterAndBecomeCurrent) {
    // Address first: the later individual commands go to the new address.
    setField(Page::kNewAddressId, "17");
    EXPECT_EQ(change(Page::kChangeAddressId, {kYes}),
              QStringList{"Подтвердите изменение адреса прибора"});
    setField(Page::kNewCategoryId, "42");
    setField(Page::kNewPrivatePasswordId, "ab3De");
    setField(Page::kNewGroupPasswordId, "GRP01");
    EXPECT_EQ(change(Page::kChangeCategoryId, {kYes}).size(), 1);
    EXPECT_EQ(frames().back(), frameOf(32, 11, ConsumerCategory{42}));
    EXPECT_EQ(change(Page::kChangePrivatePasswordId, {kYes}).size(), 1);
    EXPECT_EQ(change(Page::kChangeGroupPasswordId, {kYes}).size(), 1);
    const AppSettings& s = app->settings();
    EXPECT_EQ(std::tuple(s.address, s.category, s.privatePassword, s.groupPassword),
              std::tuple(17, 42, "ab3De", "GRP01"));

    // The meter keeps the new category: reading it back replaces what was typed.
    setField(Page::kCategoryId, "3");
    window->currentPage()->readFromDevice();
    EXPECT_EQ(fieldText(Page::kCategoryId), "42");
    EXPECT_EQ(s.category, 42);

    // The histories and the current values come back after a restart.
    restart();
    start();
    EXPECT_EQ(history(Page::kGroupPasswordId), (QStringList{"GRP01", "Q7K2M"}));
    EXPECT_EQ(history(Page::kPrivatePasswordId), (QStringList{"ab3De", "Q7K2M"}));
    EXPECT_EQ(history(Page::kCategoryId).value(0), "42");
    EXPECT_EQ(std::pair(fieldText(Page::kGroupPasswordId), fieldText(Page::kAddressId)),
              std::pair(QString("GRP01"), QString("17")));

    // A meter that does not answer changes nothing.
    withSimulator([](sim::LineSimulator& sim) { sim.setConnected(false); });
    setField(Page::kNewAddressId, "5");
    change(Page::kChangeAddressId, {kYes});
    EXPECT_EQ(app->settings().address, 17);
    EXPECT_EQ(history(Page::kAddressId), (QStringList{"17", "000"}));
}

// Which commands go out and what the port does for each link type.
TEST_F(AccessPageTest, SpeedChangeFollowsTheLinkType) {
    const QString confirm = "Подтвердите изменение скорости обмена";
    const QString controllerFailed =
        "Скорость обмена счетчика изменена успешно,\nоднако произошла ошибка при изменении "
        "скорости\nобмена контролера";
    // The link type, whether the controller answers, the messages.
    for (const auto& [linkType, controllerAnswers, messages] :
         {std::tuple(0, true, QStringList{confirm}),
          std::tuple(1, false, QStringList{confirm, controllerFailed}),
          std::tuple(2, true, QStringList{confirm})}) {
        SCOPED_TRACE(linkType);
        window.reset();
        sim::SimulatorOptions options;
        if (!controllerAnswers) {
            options.devices.controllerAddress = '7';  // the program talks to '0'
        }
        linkType == 2 ? addModem({sim::DialOutcome::Connect}, false, options)
                      : app->replaceSimulator(options);
        app->port().configure(1, 5, 500);
        app->port().clearLog();
        app->settings().linkType = linkType;
        if (linkType == 2) {
            ASSERT_EQ(ModemLink(app->port()).modemDial("ATDP123"), ModemResult::Connect);
        }
        open(kAccessTab);
        control<QComboBox>(Page::kNewRateId)->setCurrentIndex(3);  // 2400
        EXPECT_EQ(change(Page::kChangeRateId, {kYes}), messages);

        // Three broadcasts go out; the meters switch at the first, so later ones arrive at
        // the wrong speed and only the first reaches them as a frame.
        const std::vector<std::uint8_t> bytes = app->port().log().snapshot().inOrder();
        const QByteArray sent(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        const std::string meterFrame = frameOf(7, 7, LineSpeed{2400});
        EXPECT_EQ(sent.count(QByteArray::fromStdString(meterFrame)), 3);
        EXPECT_EQ(sent.count(QByteArray::fromStdString(frameOf(103, 7, LineSpeed{2400}))),
                  linkType == 0 ? 0 : 1);
        ASSERT_FALSE(frames().empty());
        EXPECT_EQ(frames().front(), meterFrame);
        // The modem link hangs up.
        EXPECT_FALSE(
            withSimulator([](sim::LineSimulator& s) { return s.modem() && s.modem()->carrier(); }));
        auto& port = app->port();
        EXPECT_EQ(std::tuple(port.baudIndex(), port.portIndex(), port.replyTimeoutMs()),
                  std::tuple(3, 1, 500));
        EXPECT_EQ(fieldText(Page::kCurrentRateId), "2400");
    }
}

}  // namespace
}  // namespace quillet
