#include "sim/LoadModel.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "sim/SeedMix.h"

namespace quillet::sim {

namespace {

constexpr double kSlotHours = 0.5;

struct Bump {
    int fromSlot;
    int toSlot;  // exclusive
    double lowKw;
    double highKw;
};

// A household: a little all day, more in the morning and the evening, more at midday
// at the weekend.
constexpr std::array<Bump, 2> kWorkdayBumps{{{14, 18, 0.8, 2.0}, {36, 44, 2.0, 3.6}}};
constexpr std::array<Bump, 2> kWeekendBumps{{{20, 30, 1.0, 2.2}, {36, 44, 2.2, 3.8}}};

constexpr std::size_t index(EnergyRegister r) {
    return static_cast<std::size_t>(r);
}

EnergyRegister zoneRegister(TariffZone zone) {
    switch (zone) {
        case TariffZone::OffPeak:
            return EnergyRegister::OffPeak;
        case TariffZone::Peak:
            return EnergyRegister::Peak;
        default:
            return EnergyRegister::HalfPeak;
    }
}

EnergyRegister excessRegister(TariffZone zone) {
    return static_cast<EnergyRegister>(index(zoneRegister(zone)) + 1);
}

EnergyTotals scaled(const EnergyTotals& totals, double factor) {
    EnergyTotals result{};
    std::transform(totals.begin(), totals.end(), result.begin(),
                   [factor](double v) { return v * factor; });
    return result;
}

void add(EnergyTotals& sum, const EnergyTotals& more) {
    std::transform(sum.begin(), sum.end(), more.begin(), sum.begin(), std::plus<>());
}

}  // namespace

DeviceSeconds LoadModel::epoch() {
    return startOfDay(5, 1, 2020);  // a Sunday
}

LoadModel::LoadModel(std::uint64_t seed, const std::array<DaySchedule, kDayTypeCount>& zones,
                     double excessKw)
    : excessKw_(excessKw) {
    SeedStream random(seed, 0x10AD);
    const double baseKw = random.between(0.2, 0.45);
    const int spikeSlot = 38 + random.below(4);  // the evening kettle, oven and washer
    for (int weekday = 0; weekday < 7; ++weekday) {
        const bool weekend = weekday == 0 || weekday == 6;
        for (int slot = 0; slot < kSlotsPerDay; ++slot) {
            double kw = baseKw;
            for (const Bump& bump : weekend ? kWeekendBumps : kWorkdayBumps) {
                if (slot >= bump.fromSlot && slot < bump.toSlot) {
                    kw += random.between(bump.lowKw, bump.highKw);
                }
            }
            if (slot == spikeSlot) {
                kw += random.between(1.5, 2.5);
            }
            kw *= random.between(0.85, 1.15);
            const std::size_t at = static_cast<std::size_t>(weekday * kSlotsPerDay + slot);
            power_[at] = std::round(kw * 1000) / 1000;
            zone_[at] = zoneAt(zones[static_cast<std::size_t>(weekday)], slot * 30);
        }
    }
    for (int slot = 0; slot < kSlotsPerWeek; ++slot) {
        prefix_[static_cast<std::size_t>(slot) + 1] = prefix_[static_cast<std::size_t>(slot)];
        add(prefix_[static_cast<std::size_t>(slot) + 1], slotTotals(slot));
    }
}

EnergyTotals LoadModel::slotTotals(int slot) const {
    const double kw = power_[static_cast<std::size_t>(slot)];
    const TariffZone zone = zone_[static_cast<std::size_t>(slot)];
    EnergyTotals totals{};
    totals[index(zoneRegister(zone))] = kw * kSlotHours;
    if (kw > excessKw_) {
        totals[index(excessRegister(zone))] = kw * kSlotHours;
        totals[index(EnergyRegister::Penalty)] = (kw - excessKw_) * kSlotHours;
    }
    return totals;
}

EnergyTotals LoadModel::totalsAt(DeviceSeconds moment) const {
    const DeviceSeconds elapsed = moment - epoch();
    if (elapsed <= 0) {
        return {};
    }
    constexpr DeviceSeconds kWeek = kSlotsPerWeek * kSlotSeconds;
    const DeviceSeconds weeks = elapsed / kWeek;
    const DeviceSeconds intoWeek = elapsed % kWeek;
    const int slot = static_cast<int>(intoWeek / kSlotSeconds);
    const double slotShare =
        static_cast<double>(intoWeek % kSlotSeconds) / static_cast<double>(kSlotSeconds);
    EnergyTotals totals = scaled(prefix_.back(), static_cast<double>(weeks));
    add(totals, prefix_[static_cast<std::size_t>(slot)]);
    add(totals, scaled(slotTotals(slot), slotShare));
    return totals;
}

double LoadModel::energyAt(DeviceSeconds moment) const {
    const EnergyTotals totals = totalsAt(moment);
    return at(totals, EnergyRegister::HalfPeak) + at(totals, EnergyRegister::OffPeak) +
           at(totals, EnergyRegister::Peak);
}

}  // namespace quillet::sim
