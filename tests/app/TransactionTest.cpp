// executeCommand against the in-process simulator, answered through the real exchange error
// dialog; and the dialog's own layout and check box.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>

#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/ExchangeErrorDialog.h"
#include "app/Transaction.h"
#include "protocol/CommandTable.h"
#include "serial/SimulatedLineDevice.h"
#include "sim/LineSimulator.h"
#include "sim/MeterModel.h"

namespace quillet {
namespace {

using namespace std::chrono_literals;
using sim::Fault;

constexpr std::size_t kResetAll = 9;  // group command: nobody answers
constexpr std::size_t kSetPassword = 31;
constexpr std::size_t kReadSerial = 51;
constexpr std::size_t kControllerVersion = 101;

// What the dialog shows for a failed command.
QString shown(const QString& reason, std::size_t command) {
    return reason + "\n\nКоманда: \"" + QString::fromStdString(std::string(commandName(command))) +
           "\"";
}

template <typename Control>
Control* control(QWidget& dialog, int id) {
    auto* found = dialog.findChild<Control*>(controlName(id));
    EXPECT_NE(found, nullptr) << id;
    return found;
}

void sendKey(QWidget& dialog, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(dialog.focusWidget() ? dialog.focusWidget() : &dialog, &event);
}

using Answer = std::function<void(ExchangeErrorDialog&)>;
Answer press(int id) {
    return [id](ExchangeErrorDialog& d) { control<QPushButton>(d, id)->click(); };
}
const Answer kRetry = press(ExchangeErrorDialog::kRetryId);
const Answer kSkip = press(ExchangeErrorDialog::kSkipId);

// Answers the exchange error dialogs as they come up, one answer each, and keeps their
// messages; a dialog beyond the answers is skipped but still counted.
class DialogAnswers {
public:
    explicit DialogAnswers(std::vector<Answer> answers = {}) : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    QStringList messages;

private:
    void poll() {
        auto* dialog = qobject_cast<ExchangeErrorDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        messages
            << control<QPlainTextEdit>(*dialog, ExchangeErrorDialog::kMessageId)->toPlainText();
        (next_ < answers_.size() ? answers_[next_++] : kSkip)(*dialog);
    }
    std::vector<Answer> answers_;
    std::size_t next_ = 0;
    QTimer timer_;
};

class TransactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        app_ = std::make_unique<Application>(
            std::make_unique<QSettings>(dir_.filePath("q.ini"), QSettings::IniFormat));
        SerialPort& port = app_->port();
        port.portMap().setDevice(port.portIndex(), kSimulatedDeviceName);
        // Replies take some 40 ms; a silent device should not hold the tests up long.
        port.configure(port.portIndex(), port.baudIndex(), 200);
    }

    Application& app() { return *app_; }
    template <typename Use>
    auto withSimulator(Use use) {
        std::lock_guard lock(app_->simulatedLine().mutex);
        return use(app_->simulator());
    }
    std::vector<std::string> frames() {
        return withSimulator([](sim::LineSimulator& s) {
            return std::vector<std::string>(s.framesSeen().begin(), s.framesSeen().end());
        });
    }
    void script(const std::vector<Fault>& faults) {
        withSimulator([&](sim::LineSimulator& s) {
            for (Fault fault : faults) {
                s.faults().script({fault});
            }
        });
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<Application> app_;
};

TEST_F(TransactionTest, ReadsTheSerialNumberIntoItsRecord) {
    DialogAnswers answers;
    LayoutRecord reply;
    ASSERT_EQ(executeCommand(kReadSerial, {}, &reply), 1);
    const auto* serial = std::get_if<SerialNumber>(&reply);
    ASSERT_NE(serial, nullptr);
    const auto expected =
        withSimulator([](sim::LineSimulator& s) { return s.devices().meter(0)->serialNumber(); });
    EXPECT_EQ(
        std::uint64_t{static_cast<std::uint32_t>(serial->serialHigh)} << 32 | serial->serialLow,
        expected);
    EXPECT_TRUE(answers.messages.isEmpty());
}

TEST_F(TransactionTest, CommandWithoutReplyReturnsAfterAPauseThatKeepsTheWindowAlive) {
    bool eventsRan = false;
    QTimer::singleShot(60, [&] { eventsRan = true; });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(executeCommand(kResetAll, {}, nullptr), 1);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 100ms);
    EXPECT_LT(elapsed, 300ms);
    EXPECT_TRUE(eventsRan);
    EXPECT_EQ(frames().size(), 1u);
}

struct AnswerCase {
    const char* name;
    Answer answer;
    int repeatFails;  // the fault hits the repeat too
    int result;
    std::size_t frames;
    bool cancelled;
    int errorReport;
};

class TransactionAnswerTest : public TransactionTest,
                              public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(TransactionAnswerTest, AnswerDecidesThisCommandAndTheRestOfTheOperation) {
    const AnswerCase& c = GetParam();
    script(std::vector<Fault>(1 + c.repeatFails, Fault::NoReply));
    DialogAnswers answers({c.answer});
    LayoutRecord reply;
    EXPECT_EQ(executeCommand(kReadSerial, {}, &reply), c.result);
    EXPECT_EQ(frames().size(), c.frames);
    EXPECT_EQ(app().exchangeCancelled.load(), c.cancelled);
    EXPECT_EQ(app().settings().errorReport, c.errorReport);

    // The next command of the operation goes out unless the operation was cancelled.
    EXPECT_EQ(executeCommand(kReadSerial, {}, &reply), c.cancelled ? 0 : 1);
    EXPECT_EQ(frames().size(), c.frames + (c.cancelled ? 0 : 1));
    app().exchangeCancelled = false;
    EXPECT_EQ(executeCommand(kReadSerial, {}, &reply), 1);
    EXPECT_EQ(answers.messages.size(), 1);
}

const Answer kStopReportsAndRetry = [](ExchangeErrorDialog& d) {
    control<QCheckBox>(d, ExchangeErrorDialog::kReportCheckId)->click();
    kRetry(d);
};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Transaction, TransactionAnswerTest, ::testing::Values(
    AnswerCase{"Retry", kRetry, 0, 1, 2, false, 1},
    AnswerCase{"Enter", [](auto& d) { sendKey(d, Qt::Key_Return); }, 0, 1, 2, false, 1},
    AnswerCase{"Skip", kSkip, 0, 0, 1, false, 1},
    AnswerCase{"Escape", [](auto& d) { sendKey(d, Qt::Key_Escape); }, 0, 0, 1, false, 1},
    AnswerCase{"CloseBox", [](auto& d) { d.close(); }, 0, 0, 1, false, 1},
    AnswerCase{"Cancel", press(ExchangeErrorDialog::kCancelId), 0, 0, 1, true, 1},
    AnswerCase{"StopReportsAndRetry", kStopReportsAndRetry, 1, 0, 2, false, 0}),
    [](const auto& row) { return std::string(row.param.name); });

struct FailureCase {
    const char* name;
    std::size_t command;
    LayoutRecord params;
    int linkType;
    Fault fault;
    QString message;
};

const FailureCase kFailures[] = {
    {"RefusedParams", kSetPassword, Password{"AB\rCD"}, 0, Fault::None,
     shown("Неверные параметры команды.", kSetPassword)},
    {"NoReply", kReadSerial, {}, 0, Fault::NoReply,
     shown("Ошибка приема данных через COM-порт.\nНет символа начала ответа.", kReadSerial)},
    {"MeterRefused", kReadSerial, {}, 0, Fault::Refusal,
     shown("Счетчик ответил отказом", kReadSerial)},
    {"WrongMeterReply", kReadSerial, {}, 0, Fault::BadChecksum,
     shown("Неверный ответ счетчика", kReadSerial)},
    {"ControllerRefused", kControllerVersion, {}, 0, Fault::Refusal,
     shown("Контроллер ответил отказом", kControllerVersion)},
    {"WrongControllerFrame", kReadSerial, {}, 1, Fault::BadChecksum,
     shown("OK\n\nНеверный ответ контролера.", kReadSerial)},
};
// clang-format on

// Retry makes the whole attempt again, so the same failure comes up a second time.
TEST_F(TransactionTest, EachFailureReachesTheDialogAndRetryMeetsItAgain) {
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.name);
        app().settings().linkType = c.linkType;
        const std::size_t sent = frames().size();
        script(c.fault == Fault::None ? std::vector<Fault>{} : std::vector{c.fault, c.fault});
        DialogAnswers answers({kRetry, kSkip});
        LayoutRecord reply;
        EXPECT_EQ(executeCommand(c.command, c.params, &reply), 0);
        EXPECT_EQ(answers.messages, QStringList({c.message, c.message}));
        EXPECT_EQ(frames().size(), sent + (c.fault == Fault::None ? 0 : 2));
    }
}

TEST_F(TransactionTest, NoDialogAndNoSuccessWhenReportsAreOff) {
    app().settings().errorReport = 0;
    DialogAnswers answers;
    for (const FailureCase& c : kFailures) {
        app().settings().linkType = c.linkType;
        script(c.fault == Fault::None ? std::vector<Fault>{} : std::vector{c.fault});
        LayoutRecord reply;
        EXPECT_EQ(executeCommand(c.command, c.params, &reply), 0) << c.name;
    }
    EXPECT_TRUE(answers.messages.isEmpty());
}

TEST_F(TransactionTest, RetryFramesTheCommandWithTheSettingsOfThatMoment) {
    script({Fault::NoReply});
    DialogAnswers answers({[this](ExchangeErrorDialog& d) {
        app().settings().linkType = 1;
        kRetry(d);
    }});
    LayoutRecord reply;
    EXPECT_EQ(executeCommand(kReadSerial, {}, &reply), 1);
    const std::vector<std::string> seen = frames();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].substr(0, 5), "#000Q");
    EXPECT_EQ(seen[1].substr(0, 8), "&0P#000Q");  // the meter frame inside the controller's
    EXPECT_TRUE(std::holds_alternative<SerialNumber>(reply));
}

QFrame* separator(QWidget& dialog) {
    for (QFrame* frame : dialog.findChildren<QFrame*>()) {
        if (frame->frameShape() == QFrame::HLine) {
            return frame;
        }
    }
    return nullptr;
}

class ExchangeErrorDialogTest : public ::testing::Test {
protected:
    int errorReport = 1;
    std::atomic<bool> cancelled{false};
};

TEST_F(ExchangeErrorDialogTest, ControlsSitAtTheirTemplatePlaces) {
    ExchangeErrorDialog dialog(errorReport, cancelled);
    const DialogUnits units(dialog.font());
    EXPECT_EQ(dialog.windowTitle(), "Quillet");
    EXPECT_EQ(dialog.size(), QSize(units.x(284), units.y(76)));

    const struct {
        QWidget* control;
        QRect place;
    } places[] = {
        {control<QPushButton>(dialog, 1), units.rect(176, 58, 50, 14)},
        {control<QPushButton>(dialog, 2), units.rect(230, 58, 50, 14)},
        {control<QPushButton>(dialog, 1095), units.rect(122, 58, 50, 14)},
        {control<QCheckBox>(dialog, 1058), units.rect(5, 59, 113, 10)},
        {control<QPlainTextEdit>(dialog, 1059), units.rect(33, 4, 247, 44)},
        {dialog.findChild<QLabel*>(), units.rect(4, 4, 20, 20)},
        {separator(dialog), units.rect(4, 53, 276, 1)},
    };
    for (const auto& p : places) {
        ASSERT_NE(p.control, nullptr);
        EXPECT_EQ(p.control->geometry(), p.place) << p.control->metaObject()->className();
    }
    EXPECT_FALSE(dialog.findChild<QLabel*>()->pixmap().isNull());

    QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    QStringList texts;
    for (QPushButton* button : buttons) {
        texts << button->text();
    }
    EXPECT_EQ(texts, (QStringList{"Отмена", "Повтор", "Пропуск"}));
    EXPECT_TRUE(control<QPushButton>(dialog, 1)->isDefault());
    EXPECT_TRUE(control<QPlainTextEdit>(dialog, 1059)->isReadOnly());

    // Tab goes through the buttons as they read.
    QWidget* next = control<QPushButton>(dialog, 1095);
    for (int id : {1, 2}) {
        do {
            next = next->nextInFocusChain();
        } while (!(next->focusPolicy() & Qt::TabFocus));
        EXPECT_EQ(controlId(next), id);
    }
}

TEST_F(ExchangeErrorDialogTest, CheckBoxStartsFromTheSettingAndGoesBackOnEsc) {
    for (int initial : {0, 1}) {
        errorReport = initial;
        ExchangeErrorDialog dialog(errorReport, cancelled);
        QCheckBox* check = control<QCheckBox>(dialog, 1058);
        EXPECT_EQ(check->isChecked(), initial == 1);
        check->click();
        dialog.show();
        sendKey(dialog, Qt::Key_Escape);
        EXPECT_EQ(dialog.result(), ExchangeErrorDialog::kSkip);
        EXPECT_EQ(errorReport, 1 - initial);
        EXPECT_FALSE(cancelled);
    }
}

TEST_F(ExchangeErrorDialogTest, LongMessageKeepsItsLinesAndScrolls) {
    ExchangeErrorDialog dialog(errorReport, cancelled);
    dialog.setMessage(QString("Ошибка передачи данных через COM-порт.\r\n").repeated(8) + "end");
    dialog.show();
    QApplication::processEvents();
    auto* text = control<QPlainTextEdit>(dialog, 1059);
    EXPECT_EQ(text->document()->blockCount(), 9);
    EXPECT_FALSE(text->toPlainText().contains('\r'));
    EXPECT_GT(text->verticalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace quillet
