#pragma once

#include <array>

#include "protocol/LayoutRecords.h"

namespace quillet::sim {

enum class TariffZone { HalfPeak, OffPeak, Peak };

inline constexpr int kDayTypeCount = 8;  // Sunday .. Saturday, holiday
inline constexpr int kHolidayDayType = 7;

// When the tariffs of one day type begin, as the meter keeps them.
struct DaySchedule {
    HourMinute halfPeakStart;
    HourMinute offPeakStart;
    std::array<PeakInterval, 3> peaks{};
};

// [month - 1][day type]
using YearSchedule = std::array<std::array<DaySchedule, kDayTypeCount>, 12>;

// The schedule a meter leaves the factory with: the same in every month, with morning
// and evening peaks on working days.
const YearSchedule& factorySchedule();

// The zone a minute of the day (0..1439) falls into: off-peak from its start to the
// half-peak start (across midnight), peak inside a period billed as peak, half-peak
// otherwise.
TariffZone zoneAt(const DaySchedule& day, int minuteOfDay);

}  // namespace quillet::sim
