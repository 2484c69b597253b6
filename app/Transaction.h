#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "meter/CommandExecutor.h"

namespace quillet {

// Waits while the window stays alive: events are processed, no CPU is burnt.
void pauseKeepingWindowAlive(std::chrono::milliseconds duration);

// Shows the exchange error dialog for the application's settings; true on Retry.
bool askRetryInDialog(const std::string& message);

// The one way pages talk to devices, with the application's port and settings.
int executeCommand(std::size_t index, const LayoutRecord& params, LayoutRecord* reply);

// The same as a runner of read and write sequences.
class WindowCommands final : public CommandRunner {
public:
    int execute(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) override {
        return executeCommand(index, params, reply);
    }
};

// A command whose reply decodes into `Record`; empty when the command failed.
template <typename Record>
std::optional<Record> executeRead(std::size_t index, const LayoutRecord& params = {}) {
    return WindowCommands().read<Record>(index, params);
}

}  // namespace quillet
