#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "meter/CommandRunner.h"

namespace quillet {

class SerialPort;
struct AppSettings;

// Asks about a failed command (message in UTF-8); true repeats it.
using AskRetry = std::function<bool(const std::string& message)>;
// Waits for a while; the window keeps its events going meanwhile.
using PauseFor = std::function<void(std::chrono::milliseconds)>;

// Executes one command of the command table: encodes the parameters, frames and sends
// them, checks and decodes the reply, and on a failure lets `ask` repeat the command,
// skip it or cancel the operation.
class CommandExecutor final : public CommandRunner {
public:
    // Keeps the line quiet after a command that no device answers.
    static constexpr std::chrono::milliseconds kPauseAfterNoReply{100};

    // The settings are read on every attempt, so a repeat follows what the operator
    // changed meanwhile; `cancelled` ends the operation's remaining commands at once.
    CommandExecutor(SerialPort& port, const AppSettings& settings,
                    const std::atomic<bool>& cancelled, AskRetry ask, PauseFor pause = sleepFor);

    int execute(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) override;

    // The message of the last failure (UTF-8); empty after a success.
    const std::string& lastFailure() const { return lastFailure_; }

    static void sleepFor(std::chrono::milliseconds duration);

private:
    // True when the failed command is to be repeated.
    bool retryAfter(const std::string& message);

    SerialPort& port_;
    const AppSettings& settings_;
    const std::atomic<bool>& cancelled_;
    AskRetry ask_;
    PauseFor pause_;
    std::string lastFailure_;
};

}  // namespace quillet
