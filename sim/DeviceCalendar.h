#pragma once

#include <chrono>
#include <cstdint>

namespace quillet::sim {

// A moment on a device's clock: seconds since 1 January 1970, 00:00, of the device's own
// calendar. Devices know no time zones; they count the civil time they were set to.
using DeviceSeconds = std::int64_t;

inline constexpr DeviceSeconds kSecondsPerMinute = 60;
inline constexpr DeviceSeconds kSecondsPerHour = 3600;
inline constexpr DeviceSeconds kSecondsPerDay = 86400;

struct CivilTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

DeviceSeconds toDeviceSeconds(const CivilTime& time);
CivilTime toCivil(DeviceSeconds moment);
// 0 Sunday .. 6 Saturday.
int weekdayAt(DeviceSeconds moment);
// A real Gregorian date.
bool dateExists(int day, int month, int year);
// Midnight at the start of a date.
DeviceSeconds startOfDay(int day, int month, int year);

// What the computer's local calendar reads at a wall-clock moment: a device that has
// never been set shows the time of the computer it was started on.
DeviceSeconds localCivilSeconds(std::chrono::system_clock::time_point wall);

}  // namespace quillet::sim
