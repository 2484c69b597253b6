#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "protocol/CommandTable.h"
#include "protocol/LayoutRecords.h"
#include "serial/PortTables.h"

namespace quillet::sim {

// What a device makes of a command: the record its reply layout carries, or nothing when
// it refuses. Commands acknowledged with "Y" or not answered give an empty record.
using Reply = std::optional<LayoutRecord>;

inline Reply acknowledge() {
    return LayoutRecord{};
}
inline Reply refuse() {
    return std::nullopt;
}

// One row of a device's command table: a code of the device's group and what it does.
// The parameters arrive as the record of the command's request layout.
// The record a handler was given; the dispatcher has checked its type already.
template <typename T>
const T& as(const LayoutRecord& record) {
    return std::get<T>(record);
}

// A speed a device can be switched to: one of the port's own rates.
inline bool isLineSpeed(int baud) {
    return baudIndexOf(baud) >= 0;
}

template <typename Device>
struct CommandEntry {
    std::string_view code;
    Reply (*run)(Device& device, const LayoutRecord& params);
};

// The outcome of one command text (code and parameters) at a device.
struct Served {
    std::string code;  // the command's code, or the text's first character if unknown
    bool executed = false;
    std::optional<std::string> body;  // the reply payload; none for a command without reply
};

// The device's own bodies for a refused and for an unknown command.
struct RefusalBodies {
    std::string_view refused = "N";
    std::string_view unknown = "?";
};

// The entry among `codes` that begins `text`, the longest one when several do ("GS"
// before "G"), with the parameter text after it.
struct CodeMatch {
    std::size_t entry;
    std::string_view params;
};
std::optional<CodeMatch> matchCode(std::span<const std::string_view> codes, std::string_view text);

// Decodes the parameters of `code` (of `group`) with its request layout, runs the command
// and encodes the reply with its reply layout. Malformed parameters are refused.
Served runCommand(DeviceGroup group, std::string_view code, std::string_view params,
                  const std::function<Reply(const LayoutRecord&)>& run, RefusalBodies bodies);

Served unknownCommand(std::string_view text, RefusalBodies bodies);

// A command text served by a device's table.
template <typename Device, std::size_t N>
Served serveCommand(Device& device, const std::array<CommandEntry<Device>, N>& table,
                    DeviceGroup group, std::string_view text, RefusalBodies bodies = {}) {
    std::array<std::string_view, N> codes;
    for (std::size_t i = 0; i < N; ++i) {
        codes[i] = table[i].code;
    }
    const std::optional<CodeMatch> match = matchCode(codes, text);
    if (!match) {
        return unknownCommand(text, bodies);
    }
    const CommandEntry<Device>& entry = table[match->entry];
    return runCommand(
        group, entry.code, match->params,
        [&](const LayoutRecord& params) { return entry.run(device, params); }, bodies);
}

}  // namespace quillet::sim
