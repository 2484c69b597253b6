// executeCommand against the in-process simulator, answered through the real exchange error
// dialog; and the dialog itself.

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
#include <chrono>
#include <functional>
#include <mutex>

#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/ExchangeErrorDialog.h"
#include "app/Transaction.h"
#include "protocol/CommandTable.h"
#include "sim/LineSimulator.h"

namespace quillet {
namespace {

using sim::Fault;
using Dialog = ExchangeErrorDialog;

constexpr std::size_t kResetAll = 9;  // group command: nobody answers
constexpr std::size_t kSetPassword = 31;
constexpr std::size_t kReadSerial = 51;
constexpr std::size_t kControllerVersion = 101;

template <typename Control>
Control* control(QWidget& dialog, int id) {
    auto* found = dialog.findChild<Control*>(controlName(id));
    EXPECT_NE(found, nullptr) << id;
    return found;
}

using Answer = std::function<void(Dialog&)>;
Answer press(int id) {
    return [id](Dialog& d) { control<QPushButton>(d, id)->click(); };
}
Answer key(int key) {
    return [key](Dialog& d) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(d.focusWidget() ? d.focusWidget() : &d, &event);
    };
}
Answer stopReportsAnd(Answer then) {
    return [then](Dialog& d) {
        control<QCheckBox>(d, Dialog::kReportCheckId)->click();
        then(d);
    };
}
const Answer kRetry = press(Dialog::kRetryId);
const Answer kSkip = press(Dialog::kSkipId);

// Answers the exchange error dialogs as they come up, one answer each, and keeps their
// messages; a dialog beyond the answers is skipped but still counted.
struct DialogAnswers {
    explicit DialogAnswers(std::vector<Answer> list = {}) : answers(std::move(list)) {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                messages << control<QPlainTextEdit>(*d, Dialog::kMessageId)->toPlainText();
                (next < answers.size() ? answers[next++] : kSkip)(*d);
            }
        });
        timer.start(5);
    }
    std::vector<Answer> answers;
    std::size_t next = 0;
    QStringList messages;
    QTimer timer;
};

class TransactionTest : public ::testing::Test {
protected:
    TransactionTest() {
        SerialPort& port = app.port();
        port.portMap().setDevice(port.portIndex(), "sim");
        // Replies take some 40 ms; a silent device should not hold the tests up long.
        port.configure(port.portIndex(), port.baudIndex(), 200);
    }
    template <typename Use>
    auto withSimulator(Use use) {
        std::lock_guard lock(app.simulatedLine().mutex);
        return use(app.simulator());
    }
    std::vector<std::string> frames() {
        return withSimulator([](sim::LineSimulator& s) {
            return std::vector<std::string>(s.framesSeen().begin(), s.framesSeen().end());
        });
    }
    // The next `times` replies suffer `fault`.
    void script(Fault fault, std::size_t times) {
        withSimulator([&](sim::LineSimulator& s) {
            for (std::size_t i = 0; i < times; ++i) {
                s.faults().script({fault});
            }
        });
    }

    QTemporaryDir dir;
    Application app{std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat)};
    LayoutRecord reply;
};

TEST_F(TransactionTest, CommandWithoutReplyReturnsAfterAPauseThatKeepsTheWindowAlive) {
    using namespace std::chrono_literals;
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
    int errorReport;  // the check box reaches the setting however the dialog closes
};

class TransactionAnswerTest : public TransactionTest,
                              public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(TransactionAnswerTest, AnswerDecidesThisCommandAndTheRestOfTheOperation) {
    const AnswerCase& c = GetParam();
    script(Fault::NoReply, 1 + c.repeatFails);
    DialogAnswers answers({c.answer});
    EXPECT_EQ(executeCommand(kReadSerial, {}, &reply), c.result);
    EXPECT_EQ(frames().size(), c.frames);
    EXPECT_EQ(app.exchangeCancelled.load(), c.cancelled);
    EXPECT_EQ(app.settings().errorReport, c.errorReport);

    // The next command of the operation goes out unless the operation was cancelled.
    EXPECT_EQ(executeCommand(kReadSerial, {}, &reply), c.cancelled ? 0 : 1);
    EXPECT_EQ(frames().size(), c.frames + (c.cancelled ? 0 : 1));
    app.exchangeCancelled = false;
    EXPECT_EQ(executeCommand(kReadSerial, {}, &reply), 1);
    EXPECT_EQ(answers.messages.size(), 1);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Transaction, TransactionAnswerTest, ::testing::Values(
    AnswerCase{"Retry", kRetry, 0, 1, 2, false, 1},
    AnswerCase{"Enter", key(Qt::Key_Return), 0, 1, 2, false, 1},
    AnswerCase{"Skip", kSkip, 0, 0, 1, false, 1},
    AnswerCase{"Escape", key(Qt::Key_Escape), 0, 0, 1, false, 1},
    AnswerCase{"CloseBox", [](Dialog& d) { d.close(); }, 0, 0, 1, false, 1},
    AnswerCase{"Cancel", press(Dialog::kCancelId), 0, 0, 1, true, 1},
    AnswerCase{"StopReportsAndRetry", stopReportsAnd(kRetry), 1, 0, 2, false, 0},
    AnswerCase{"StopReportsAndEscape", stopReportsAnd(key(Qt::Key_Escape)), 0, 0, 1, false, 0}),
    [](const auto& row) { return std::string(row.param.name); });

struct FailureCase {
    const char* name;
    std::size_t command;
    LayoutRecord params;
    int linkType;
    Fault fault;
    QString reason;
};

const FailureCase kFailures[] = {
    {"RefusedParams", kSetPassword, Password{"AB\rCD"}, 0, Fault::None,
     "Неверные параметры команды."},
    {"NoReply", kReadSerial, {}, 0, Fault::NoReply,
     "Ошибка приема данных через COM-порт.\nНет символа начала ответа."},
    {"MeterRefused", kReadSerial, {}, 0, Fault::Refusal, "Счетчик ответил отказом"},
    {"WrongMeterReply", kReadSerial, {}, 0, Fault::BadChecksum, "Неверный ответ счетчика"},
    {"ControllerRefused", kControllerVersion, {}, 0, Fault::Refusal, "Контроллер ответил отказом"},
    {"WrongControllerFrame", kReadSerial, {}, 1, Fault::BadChecksum,
     "OK\n\nНеверный ответ контролера."},
};
// clang-format on

// Retry makes the whole attempt again, so the same failure comes up a second time; with
// reports off the same failure gives no dialog.
TEST_F(TransactionTest, EachFailureReachesTheDialogUnlessReportsAreOff) {
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.name);
        const QString message = c.reason + "\n\nКоманда: \"" +
                                QString::fromStdString(std::string(commandName(c.command))) + "\"";
        app.settings().linkType = c.linkType;
        const std::size_t sent = frames().size();
        const std::size_t faults = c.fault == Fault::None ? 0 : 3;
        script(c.fault, faults);
        DialogAnswers answers({kRetry, kSkip});
        EXPECT_EQ(executeCommand(c.command, c.params, &reply), 0);
        app.settings().errorReport = 0;
        EXPECT_EQ(executeCommand(c.command, c.params, &reply), 0);
        app.settings().errorReport = 1;
        EXPECT_EQ(answers.messages, QStringList({message, message}));
        EXPECT_EQ(frames().size(), sent + faults);
    }
}

TEST_F(TransactionTest, RetryFramesTheCommandWithTheSettingsOfThatMoment) {
    script(Fault::NoReply, 1);
    DialogAnswers answers({[this](Dialog& d) {
        app.settings().linkType = 1;
        kRetry(d);
    }});
    EXPECT_EQ(executeCommand(kReadSerial, {}, &reply), 1);
    const std::vector<std::string> seen = frames();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].substr(0, 5), "#000Q");
    EXPECT_EQ(seen[1].substr(0, 8), "&0P#000Q");  // the meter frame inside the controller's
    EXPECT_TRUE(std::holds_alternative<SerialNumber>(reply));
}

TEST(ExchangeErrorDialogTest, ControlsNeitherOverlapNorLeaveTheDialogAndTabAsTheyRead) {
    int errorReport = 1;
    std::atomic<bool> cancelled{false};
    Dialog dialog(errorReport, cancelled);
    const QList<QWidget*> controls = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(controls.size(), 7);  // icon, message, line, check box, three buttons
    EXPECT_FALSE(dialog.findChild<QLabel*>()->pixmap().isNull());
    for (QWidget* a : controls) {
        EXPECT_TRUE(dialog.rect().contains(a->geometry())) << a->metaObject()->className();
        for (QWidget* b : controls) {
            EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                << a->metaObject()->className() << " " << b->metaObject()->className();
        }
    }
    // Left to right, as Tab goes through them.
    QWidget* button = control<QPushButton>(dialog, Dialog::kCancelId);
    EXPECT_EQ(qobject_cast<QPushButton*>(button)->text(), "Отмена");
    for (const auto& [id, text] :
         {std::pair{Dialog::kRetryId, "Повтор"}, {Dialog::kSkipId, "Пропуск"}}) {
        QWidget* next = button;
        do {
            next = next->nextInFocusChain();
        } while (!(next->focusPolicy() & Qt::TabFocus));
        EXPECT_EQ(controlId(next), id);
        EXPECT_GT(next->x(), button->x());
        EXPECT_EQ(next->y(), button->y());
        EXPECT_EQ(qobject_cast<QPushButton*>(next)->text(), text);
        button = next;
    }

    dialog.setMessage(QString("Ошибка передачи данных через COM-порт.\r\n").repeated(8) + "end");
    dialog.show();
    QApplication::processEvents();
    auto* text = control<QPlainTextEdit>(dialog, Dialog::kMessageId);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(text->document()->blockCount(), 9);
    EXPECT_FALSE(text->toPlainText().contains('\r'));
    EXPECT_GT(text->verticalScrollBar()->maximum(), 0);  // a long message scrolls
}

}  // namespace
}  // namespace quillet
