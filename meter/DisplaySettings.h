#pragma once

#include <array>
#include <cstddef>
#include <optional>

#include "meter/CommandRunner.h"
#include "protocol/LayoutRecords.h"

namespace quillet {

// Which readings the meter's own display cycles through and how long each stays on it.
struct DisplaySettings {
    static constexpr std::size_t kReadModes = 56;
    static constexpr std::size_t kModeCount = 8;
    // What the page calls each mode, in the order of the meter's mode text (UTF-8).
    static constexpr std::array<const char*, kModeCount> kModeLabels = {
        "Льготный всего",    "Льготный за месяц",    "Пиковый всего",  "Пиковый за месяц",
        "Полупиковый всего", "Полупиковый за месяц", "Штрафной всего", "Штрафной за месяц"};
    static constexpr const char* kCycleLabel = "Длительность цикла отображения (с)";

    // The modes (non-zero: shown) and the cycle time; empty when the command failed.
    static std::optional<DisplayModes> read(CommandRunner& runner);
};

}  // namespace quillet
