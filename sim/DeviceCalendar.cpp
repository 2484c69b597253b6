#include "sim/DeviceCalendar.h"

#include <ctime>

namespace quillet::sim {

namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

std::chrono::year_month_day dateOf(int day, int month, int year) {
    return std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
           std::chrono::day{static_cast<unsigned>(day)};
}

DeviceSeconds floorDiv(DeviceSeconds value, DeviceSeconds divisor) {
    const DeviceSeconds quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

}  // namespace

DeviceSeconds startOfDay(int day, int month, int year) {
    return static_cast<DeviceSeconds>(
               sys_days{dateOf(day, month, year)}.time_since_epoch().count()) *
           kSecondsPerDay;
}

DeviceSeconds toDeviceSeconds(const CivilTime& time) {
    return startOfDay(time.day, time.month, time.year) + time.hours * kSecondsPerHour +
           time.minutes * kSecondsPerMinute + time.seconds;
}

CivilTime toCivil(DeviceSeconds moment) {
    const DeviceSeconds dayNumber = floorDiv(moment, kSecondsPerDay);
    const DeviceSeconds second = moment - dayNumber * kSecondsPerDay;
    const year_month_day date{sys_days{days{dayNumber}}};
    return {static_cast<int>(date.year()),
            static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())),
            static_cast<int>(second / kSecondsPerHour),
            static_cast<int>(second / kSecondsPerMinute % 60),
            static_cast<int>(second % 60)};
}

int weekdayAt(DeviceSeconds moment) {
    const std::chrono::weekday weekday{sys_days{days{floorDiv(moment, kSecondsPerDay)}}};
    return static_cast<int>(weekday.c_encoding());
}

bool dateExists(int day, int month, int year) {
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && dateOf(day, month, year).ok();
}

DeviceSeconds localCivilSeconds(std::chrono::system_clock::time_point wall) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return toDeviceSeconds({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                            local.tm_min, local.tm_sec});
}

}  // namespace quillet::sim
