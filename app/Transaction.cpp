#include "app/Transaction.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <thread>

#include "app/AppSettings.h"
#include "app/Application.h"
#include "app/ExchangeErrorDialog.h"
#include "protocol/CommandTable.h"
#include "protocol/Frame.h"
#include "protocol/ReplyCheck.h"
#include "protocol/RequestLayouts.h"
#include "serial/SerialPort.h"

namespace quillet {

CommandExecutor::CommandExecutor(SerialPort& port, const AppSettings& settings,
                                 const std::atomic<bool>& cancelled, AskRetry ask)
    : port_(port), settings_(settings), cancelled_(cancelled), ask_(std::move(ask)) {}

bool CommandExecutor::retryAfter(const std::string& message) {
    // The dialog may switch reports off; the setting is read again on every failure.
    if (settings_.errorReport == 0 || !ask_) {
        return false;
    }
    return ask_(message);
}

int CommandExecutor::execute(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) {
    if (cancelled_) {
        return 0;
    }
    // Command indices travel as one byte, as the log tag does.
    const auto tag = static_cast<std::uint8_t>(index);
    const std::size_t command = tag;
    const CommandSlot& slot = commandSlot(command);

    // Every repeat encodes and frames anew, with the settings as they are by then.
    for (;;) {
        std::string paramText;
        if (!encodeParams(slot.requestLayout, params, paramText)) {
            if (retryAfter(invalidParamsMessage(command))) {
                continue;
            }
            return 0;
        }
        const LinkSettings link = settings_.link();
        const std::optional<std::string> frame = buildRequestFrame(command, paramText, link);
        if (!frame) {
            return 0;  // an empty slot: nothing to send, nothing to report
        }

        if (slot.replyLayout < 0) {
            const PortResult result = port_.transact(tag, *frame);
            if (result != PortResult::Ok) {
                if (retryAfter(commandErrorMessage(portResultText(result), command))) {
                    continue;
                }
                return 0;
            }
            // Nobody answers; give the devices time before the next frame.
            pauseKeepingWindowAlive(kPauseAfterNoReply);
            return 1;
        }

        std::array<char, kReplyCapacity> buffer{};
        const PortResult result =
            port_.transact(tag, *frame, buffer, static_cast<std::uint8_t>(kReplyStart),
                           static_cast<std::uint8_t>(awaitedEndChar(command, link)));
        if (result != PortResult::Ok) {
            if (retryAfter(commandErrorMessage(portResultText(result), command))) {
                continue;
            }
            return 0;
        }
        // The reply is zero-terminated; a NUL received ends it early.
        const std::string_view replyText(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
        const ReplyFault fault = checkReply(command, replyText, link, reply);
        if (fault == ReplyFault::None) {
            return 1;
        }
        if (retryAfter(replyFaultMessage(fault, command))) {
            continue;
        }
        return 0;
    }
}

void pauseKeepingWindowAlive(std::chrono::milliseconds duration) {
    if (QCoreApplication::instance() == nullptr) {
        std::this_thread::sleep_for(duration);
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may fire a little early; the pause is a minimum.
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(duration);
    loop.exec();
}

bool askRetryInDialog(const std::string& message) {
    Application& app = Application::instance();
    ExchangeErrorDialog dialog(app.settings().errorReport, app.exchangeCancelled);
    dialog.setMessage(QString::fromStdString(message));
    return dialog.exec() == ExchangeErrorDialog::kRetry;
}

int executeCommand(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) {
    Application& app = Application::instance();
    CommandExecutor executor(app.port(), app.settings(), app.exchangeCancelled, askRetryInDialog);
    return executor.execute(index, params, reply);
}

}  // namespace quillet
