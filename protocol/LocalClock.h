#pragma once

#include <functional>

namespace quillet {

// The computer's local date and time, as far as the program needs it.
struct LocalDateTime {
    int year = 2000;  // four digits
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int weekday = 6;  // 0 Sunday .. 6 Saturday
};

// Every reading of "today" goes through here, so that tests can set the date.
LocalDateTime localNow();

// Replaces the clock; an empty function restores the computer's own.
using LocalClockSource = std::function<LocalDateTime()>;
void setLocalClock(LocalClockSource source);

}  // namespace quillet
