#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "protocol/LayoutRecords.h"

namespace quillet {

class SerialPort;
struct AppSettings;

// Asks the operator about a failed command (message in UTF-8); true repeats it.
using AskRetry = std::function<bool(const std::string& message)>;

// Executes one command of the command table: encodes the parameters, frames and sends
// them, checks and decodes the reply, and on a failure lets the operator repeat the
// command, skip it or cancel the operation.
class CommandExecutor {
public:
    // Keeps the line quiet after a command that no device answers.
    static constexpr std::chrono::milliseconds kPauseAfterNoReply{100};

    // The settings are read on every attempt, so a repeat follows what the operator
    // changed meanwhile; `cancelled` ends the operation's remaining commands at once.
    CommandExecutor(SerialPort& port, const AppSettings& settings,
                    const std::atomic<bool>& cancelled, AskRetry ask);

    // 1: sent, and the awaited reply passed every check and was decoded into `reply`.
    // 0: anything else.
    int execute(std::size_t index, const LayoutRecord& params, LayoutRecord* reply);

private:
    // True when the operator wants the failed command repeated.
    bool retryAfter(const std::string& message);

    SerialPort& port_;
    const AppSettings& settings_;
    const std::atomic<bool>& cancelled_;
    AskRetry ask_;
};

// Waits while the window stays alive: events are processed, no CPU is burnt.
void pauseKeepingWindowAlive(std::chrono::milliseconds duration);

// Shows the exchange error dialog for the application's settings; true on Retry.
bool askRetryInDialog(const std::string& message);

// The one way pages talk to devices, with the application's port and settings.
int executeCommand(std::size_t index, const LayoutRecord& params, LayoutRecord* reply);

// A command whose reply decodes into `Record`; empty when the command failed.
template <typename Record>
std::optional<Record> executeRead(std::size_t index, const LayoutRecord& params = {}) {
    LayoutRecord reply = Record{};
    if (executeCommand(index, params, &reply) != 1) {
        return std::nullopt;
    }
    if (const auto* record = std::get_if<Record>(&reply)) {
        return *record;
    }
    return std::nullopt;
}

}  // namespace quillet
