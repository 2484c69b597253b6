#include "meter/MeterClock.h"

#include <cstdio>

namespace quillet {

std::string dateText(int day, int month, int year) {
    char text[48];
    std::snprintf(text, sizeof text, "%d/%02d/%04d", day, month, year);
    return text;
}

void MeterClock::read(CommandRunner& runner, Wanted wanted,
                      const std::function<void(std::size_t)>& shown) {
    *this = {};
    if (wanted.dateTime) {
        now = runner.read<MeterDateTime>(kReadDateTime);
        if (shown) {
            shown(DateTime);
        }
    }
    if (wanted.summerTime) {
        if (const auto observed = runner.read<YesNo>(kReadSummerTime)) {
            summerTime = observed->yes != 0;
        }
        if (shown) {
            shown(SummerTime);
        }
    }
}

}  // namespace quillet
