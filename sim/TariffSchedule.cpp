#include "sim/TariffSchedule.h"

namespace quillet::sim {

namespace {

constexpr int kMinutesPerDay = 24 * 60;

constexpr PeakInterval kNoPeak{0, 0, 0, 0};

constexpr DaySchedule kWorkingDay{{7, 0}, {23, 0}, {{{8, 0, 180, 1}, {17, 0, 240, 1}, kNoPeak}}};
// Weekends and holidays: no peak billing; the evening period is billed as half-peak.
constexpr DaySchedule kRestDay{{8, 0}, {23, 0}, {{{18, 0, 120, 0}, kNoPeak, kNoPeak}}};

int minuteOf(int hours, int minutes) {
    return hours * 60 + minutes;
}

// Within [start, start + length) on a clock that wraps at midnight.
bool within(int minute, int start, int length) {
    return (minute - start + kMinutesPerDay) % kMinutesPerDay < length;
}

YearSchedule buildFactorySchedule() {
    YearSchedule year{};
    for (auto& month : year) {
        for (int dayType = 0; dayType < kDayTypeCount; ++dayType) {
            const bool rest = dayType == 0 || dayType == 6 || dayType == kHolidayDayType;
            month[dayType] = rest ? kRestDay : kWorkingDay;
        }
    }
    return year;
}

}  // namespace

const YearSchedule& factorySchedule() {
    static const YearSchedule schedule = buildFactorySchedule();
    return schedule;
}

TariffZone zoneAt(const DaySchedule& day, int minuteOfDay) {
    const int halfPeak = minuteOf(day.halfPeakStart.hours, day.halfPeakStart.minutes);
    const int offPeak = minuteOf(day.offPeakStart.hours, day.offPeakStart.minutes);
    const int offPeakLength = (halfPeak - offPeak + kMinutesPerDay) % kMinutesPerDay;
    if (within(minuteOfDay, offPeak, offPeakLength)) {
        return TariffZone::OffPeak;
    }
    for (const PeakInterval& peak : day.peaks) {
        if (peak.isPeak != 0 &&
            within(minuteOfDay, minuteOf(peak.hours, peak.minutes), peak.durationMin)) {
            return TariffZone::Peak;
        }
    }
    return TariffZone::HalfPeak;
}

}  // namespace quillet::sim
