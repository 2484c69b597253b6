// Pulling the device out while a page reads, through the real terminal path: the read
// ends with the system's messages, the window goes on working, and once the device is
// back the next read finds it under the same name.

#include <QPlainTextEdit>
#include <QTimer>

#include "DataPageTesting.h"
#include "app/ExchangeErrorDialog.h"
#include "pages/data/ServicePage.h"
#include "protocol/ReplyCheck.h"
#include "serial/PortResult.h"
#include "sim/PtyServer.h"

namespace quillet {
namespace {

using Page = ServicePage;
using Dialog = ExchangeErrorDialog;

constexpr int kServiceTab = 5;
constexpr std::array<int, 7> kFieldIds = {Page::kTestId,        Page::kVersionId, Page::kSerialId,
                                          Page::kCoverOpenedId, Page::kPowerOnId, Page::kPowerOffId,
                                          Page::kGroupCommandId};

QString failure(PortResult result, std::size_t command) {
    // As the dialog shows it: one line break a line.
    return QString::fromStdString(commandErrorMessage(portResultText(result), command))
        .replace("\r\n", "\n");
}

class UnplugTest : public testing::DataPageFixture {
protected:
    UnplugTest()
        : line(std::make_shared<SharedLine>(std::make_shared<sim::LineSimulator>())),
          server(line, dir.filePath("ttyUSB-meters").toStdString()) {
        server.start();
        app->port().portMap().setDevice(app->port().portIndex(), server.devicePath());
        app->settings().errorReport = 1;
    }
    ~UnplugTest() override {
        window.reset();
        server.stop();
    }

    // Presses F5 and answers each exchange error dialog with the next of `buttons`
    // (Cancel when none is left); returns the messages shown.
    QStringList readAnswering(const std::vector<int>& buttons) {
        QStringList messages;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                messages << dialog->findChild<QPlainTextEdit*>(controlName(Dialog::kMessageId))
                                ->toPlainText();
                const std::size_t answered = std::size_t(messages.size()) - 1;
                const int button =
                    answered < buttons.size() ? buttons[answered] : Dialog::kCancelId;
                dialog->findChild<QPushButton*>(controlName(button))->click();
            }
        });
        timer.start(5);
        press(Qt::Key_F5);
        EXPECT_FALSE(window->isBusy());
        return messages;
    }

    std::vector<QString> shown() {
        std::vector<QString> texts;
        for (int id : kFieldIds) {
            texts.push_back(control<QLineEdit>(id)->text());
        }
        return texts;
    }

    std::shared_ptr<SharedLine> line;
    sim::PtyServer server;
};

TEST_F(UnplugTest, ReadEndsWithTheMessagesAndTheDeviceIsFoundAgainOnceBack) {
    open(kServiceTab);
    EXPECT_EQ(readAnswering({}), QStringList());
    const std::vector<QString> whole = shown();
    ASSERT_EQ(std::ranges::count(whole, QString("-")), 0);

    // Out half-way into the third reply: that command waits out its time-out, its repeat
    // finds no device, and Cancel leaves the rest unread.
    server.unplugMidReply(2);
    EXPECT_EQ(readAnswering({Dialog::kRetryId, Dialog::kCancelId}),
              (QStringList{failure(PortResult::NoReplyEnd, Page::kReadSerial),
                           failure(PortResult::OpenFailed, Page::kReadSerial)}));
    EXPECT_FALSE(server.pluggedIn());
    std::vector<QString> partial(whole.begin(), whole.begin() + 2);
    partial.resize(whole.size(), "-");
    EXPECT_EQ(shown(), partial);

    // The window goes on: other pages open, and a read without the device says so.
    EXPECT_EQ(leave(), QStringList());
    window->tabs()->setCurrentIndex(kServiceTab);
    EXPECT_EQ(readAnswering({Dialog::kCancelId}),
              QStringList{failure(PortResult::OpenFailed, Page::kSelfTest)});

    // Plugged in again, under a new terminal but the same link.
    server.plugIn();
    EXPECT_EQ(readAnswering({}), QStringList());
    EXPECT_EQ(shown(), whole);
}

}  // namespace
}  // namespace quillet
