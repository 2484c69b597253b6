#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>

#include "meter/CommandRunner.h"

namespace quillet {

// The meter's single-tariff switch and its permission of the penalty tariff. A switch is
// empty until read and when its command failed.
struct TariffSwitches {
    // The switches in the order the read asks for them.
    enum Item : std::size_t { SingleTariff, PenaltyTariff };
    static constexpr std::size_t kItemCount = 2;
    static constexpr std::array<std::size_t, kItemCount> kReadCommands = {75, 66};
    // What the page calls each switch (UTF-8).
    static constexpr std::array<const char*, kItemCount> kLabels = {"Работа в однотарифном режиме",
                                                                    "Разрешение штрафного тарифа"};

    std::array<std::optional<bool>, kItemCount> on;

    // Asks for both switches in order, the second whatever became of the first; `shown`
    // gets each item as soon as it is known.
    void read(CommandRunner& runner, const std::function<void(std::size_t item)>& shown = {});
};

}  // namespace quillet
