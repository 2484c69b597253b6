#include "protocol/LocalClock.h"

#include <ctime>
#include <mutex>
#include <utility>

namespace quillet {

namespace {

std::mutex& clockMutex() {
    static std::mutex mutex;
    return mutex;
}

LocalClockSource& clockSource() {
    static LocalClockSource source;
    return source;
}

LocalDateTime systemNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min,         local.tm_sec,     local.tm_wday};
}

}  // namespace

LocalDateTime localNow() {
    std::lock_guard lock(clockMutex());
    return clockSource() ? clockSource()() : systemNow();
}

void setLocalClock(LocalClockSource source) {
    std::lock_guard lock(clockMutex());
    clockSource() = std::move(source);
}

}  // namespace quillet
