#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sim/DeviceCalendar.h"
#include "sim/TariffSchedule.h"

namespace quillet::sim {

// The seven energy registers, in the order of their read commands "E" .. "U".
enum class EnergyRegister {
    HalfPeak,
    HalfPeakExcess,
    OffPeak,
    OffPeakExcess,
    Peak,
    PeakExcess,
    Penalty,
};
inline constexpr std::size_t kRegisterCount = 7;
using EnergyTotals = std::array<double, kRegisterCount>;  // kWh

inline double& at(EnergyTotals& totals, EnergyRegister r) {
    return totals[static_cast<std::size_t>(r)];
}
inline double at(const EnergyTotals& totals, EnergyRegister r) {
    return totals[static_cast<std::size_t>(r)];
}

// The consumption a meter measures: a weekly profile of half-hour powers, the same every
// week, drawn once from a seed. The registers are sums of that profile from a fixed epoch
// to a moment of the device clock, so the same device time always gives the same values
// and any moment is computed at once, without replaying the past.
class LoadModel {
public:
    static constexpr int kSlotsPerDay = 48;
    static constexpr int kSlotsPerWeek = 7 * kSlotsPerDay;
    static constexpr DeviceSeconds kSlotSeconds = 30 * kSecondsPerMinute;

    // `zones`: the tariff zone of every day type's half-hours; half-hours above
    // `excessKw` count in the excess registers and their surplus in the penalty register.
    LoadModel(std::uint64_t seed, const std::array<DaySchedule, kDayTypeCount>& zones,
              double excessKw);

    // The registers from the epoch (a Sunday midnight) to `moment`; zero before it.
    EnergyTotals totalsAt(DeviceSeconds moment) const;
    // All energy, every zone.
    double energyAt(DeviceSeconds moment) const;
    // The power of a half-hour of the week (0 = Sunday 0:00).
    double powerKw(int slotOfWeek) const { return power_[static_cast<std::size_t>(slotOfWeek)]; }

    static DeviceSeconds epoch();

private:
    EnergyTotals slotTotals(int slot) const;

    std::array<double, kSlotsPerWeek> power_{};
    std::array<TariffZone, kSlotsPerWeek> zone_{};
    double excessKw_;
    std::array<EnergyTotals, kSlotsPerWeek + 1> prefix_{};  // sums before each slot
};

}  // namespace quillet::sim
