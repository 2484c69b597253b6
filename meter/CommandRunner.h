#pragma once

#include <cstddef>
#include <optional>
#include <variant>

#include "protocol/LayoutRecords.h"

namespace quillet {

// Executes commands of the command table for a read or write sequence. The window's
// runner asks the operator about failures; the command line's repeats them on its own.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;

    // 1: sent, and the awaited reply passed every check and was decoded into `reply`.
    // 0: anything else.
    virtual int execute(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) = 0;

    // A command whose reply decodes into `Record`; empty when the command failed.
    template <typename Record>
    std::optional<Record> read(std::size_t index, const LayoutRecord& params = {}) {
        LayoutRecord reply = Record{};
        if (execute(index, params, &reply) != 1) {
            return std::nullopt;
        }
        if (const auto* record = std::get_if<Record>(&reply)) {
            return *record;
        }
        return std::nullopt;
    }
};

}  // namespace quillet
