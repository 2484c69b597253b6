#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>

#include "meter/CommandRunner.h"

namespace quillet {

// The meter's power threshold (kW), monthly energy threshold (kWh) and the ratio of the
// current transformers feeding it, as the meter keeps them: in the secondary circuit.
// A value is empty until read and when its command failed.
struct Thresholds {
    // The values in the order the read asks for them.
    enum Item : std::size_t { Power, Energy, Ratio };
    static constexpr std::size_t kItemCount = 3;
    static constexpr std::array<std::size_t, kItemCount> kReadCommands = {40, 41, 77};
    // What the page calls each value and the unit it shows beside it (UTF-8).
    static constexpr std::array<const char*, kItemCount> kLabels = {
        "Порог мощности", "Порог энергии", "Коэффициент трансформации"};
    static constexpr std::array<const char*, kItemCount> kUnits = {"кВт", "кВт*ч", ""};

    std::array<std::optional<double>, kItemCount> values;

    // Asks for the wanted values in order, each whatever became of the one before;
    // `shown` gets each item asked for as soon as it is known.
    void read(CommandRunner& runner, std::array<bool, kItemCount> wanted = {true, true, true},
              const std::function<void(std::size_t item)>& shown = {});
};

}  // namespace quillet
