#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "meter/CommandRunner.h"

namespace quillet::cli {

// What became of one command of a read.
struct CommandOutcome {
    std::size_t index = 0;
    bool ok = false;
    std::string failure;  // the system's message (UTF-8) when not ok
};

// Passes commands on to the runner that executes them and notes what became of each, in
// order, so a report can say which value a failure cost and why.
class RecordingRunner final : public CommandRunner {
public:
    // `lastFailure` gives the executing runner's message for its last failed command.
    RecordingRunner(CommandRunner& next, std::function<std::string()> lastFailure);

    int execute(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) override;

    const std::vector<CommandOutcome>& outcomes() const { return outcomes_; }
    // The failure message of the `i`-th command of the read; empty when it succeeded or
    // was never sent.
    std::string failure(std::size_t i) const;
    // True when every command sent so far succeeded.
    bool allSucceeded() const;
    void clear() { outcomes_.clear(); }

private:
    CommandRunner& next_;
    std::function<std::string()> lastFailure_;
    std::vector<CommandOutcome> outcomes_;
};

}  // namespace quillet::cli
