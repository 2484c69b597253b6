#include "meter/CommandExecutor.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <thread>

#include "meter/AppSettings.h"
#include "protocol/CommandTable.h"
#include "protocol/Frame.h"
#include "protocol/ReplyCheck.h"
#include "protocol/RequestLayouts.h"
#include "serial/SerialPort.h"

namespace quillet {

namespace {

// Whether a reply, or the rest of one, may still be on its way after this result.
bool mayLeaveReplyOnLine(PortResult result) {
    switch (result) {
        case PortResult::NoReplyStart:
        case PortResult::TooMuchBeforeStart:
        case PortResult::NoReplyEnd:
        case PortResult::ReplyOverflow:
            return true;
        default:
            return false;
    }
}

}  // namespace

CommandExecutor::CommandExecutor(SerialPort& port, const AppSettings& settings,
                                 const std::atomic<bool>& cancelled, AskRetry ask, PauseFor pause)
    : port_(port),
      settings_(settings),
      cancelled_(cancelled),
      ask_(std::move(ask)),
      pause_(pause ? std::move(pause) : PauseFor(sleepFor)) {}

void CommandExecutor::sleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

bool CommandExecutor::retryAfter(const std::string& message) {
    lastFailure_ = message;
    // The dialog may switch reports off; the setting is read again on every failure.
    if (settings_.errorReport == 0 || !ask_) {
        return false;
    }
    return ask_(message);
}

int CommandExecutor::execute(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) {
    lastFailure_.clear();
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
            pause_(kPauseAfterNoReply);
            return 1;
        }

        std::array<char, kReplyCapacity> buffer{};
        const PortResult result =
            port_.transact(tag, *frame, buffer, static_cast<std::uint8_t>(kReplyStart),
                           static_cast<std::uint8_t>(awaitedEndChar(command, link)));
        if (result != PortResult::Ok) {
            if (mayLeaveReplyOnLine(result)) {
                port_.settleLine();
            }
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
        // It may have been the late reply to an earlier request, with this one's behind it.
        port_.settleLine();
        if (retryAfter(replyFaultMessage(fault, command))) {
            continue;
        }
        return 0;
    }
}

}  // namespace quillet
