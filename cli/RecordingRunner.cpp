#include "cli/RecordingRunner.h"

#include <algorithm>

namespace quillet::cli {

RecordingRunner::RecordingRunner(CommandRunner& next, std::function<std::string()> lastFailure)
    : next_(next), lastFailure_(std::move(lastFailure)) {}

int RecordingRunner::execute(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) {
    const int result = next_.execute(index, params, reply);
    CommandOutcome outcome{index, result == 1, {}};
    if (!outcome.ok && lastFailure_) {
        outcome.failure = lastFailure_();
    }
    outcomes_.push_back(std::move(outcome));
    return result;
}

std::string RecordingRunner::failure(std::size_t i) const {
    return i < outcomes_.size() && !outcomes_[i].ok ? outcomes_[i].failure : std::string();
}

bool RecordingRunner::allSucceeded() const {
    return std::all_of(outcomes_.begin(), outcomes_.end(),
                       [](const CommandOutcome& o) { return o.ok; });
}

}  // namespace quillet::cli
