#include "meter/Thresholds.h"

#include "protocol/LayoutRecords.h"

namespace quillet {

namespace {

template <typename Record, double Record::*kValue>
std::optional<double> readValue(CommandRunner& runner, std::size_t command) {
    if (const auto record = runner.read<Record>(command)) {
        return (*record).*kValue;
    }
    return std::nullopt;
}

using ValueRead = std::optional<double> (*)(CommandRunner&, std::size_t);

// The reply record of each item's command.
constexpr std::array<ValueRead, Thresholds::kItemCount> kReads = {
    &readValue<PowerThreshold, &PowerThreshold::powerKw>,
    &readValue<EnergyValue, &EnergyValue::energyKwh>,
    &readValue<TransformationRatio, &TransformationRatio::ratio>,
};

}  // namespace

void Thresholds::read(CommandRunner& runner, std::array<bool, kItemCount> wanted,
                      const std::function<void(std::size_t)>& shown) {
    *this = {};
    for (std::size_t item = 0; item < kItemCount; ++item) {
        if (!wanted[item]) {
            continue;
        }
        values[item] = kReads[item](runner, kReadCommands[item]);
        if (shown) {
            shown(item);
        }
    }
}

}  // namespace quillet
