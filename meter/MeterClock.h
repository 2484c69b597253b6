#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "meter/CommandRunner.h"
#include "protocol/LayoutRecords.h"

namespace quillet {

// A date as the date fields show it: "d/mm/yyyy".
std::string dateText(int day, int month, int year);

// The meter's clock: its date and time, and whether it observes summer time. A value is
// empty until read and when its command failed.
struct MeterClock {
    static constexpr std::size_t kReadDateTime = 36;
    static constexpr std::size_t kReadSummerTime = 50;

    // What the page calls the values (UTF-8).
    static constexpr const char* kDateLabel = "Дата";
    static constexpr const char* kTimeLabel = "Время";
    static constexpr const char* kSummerTimeLabel = "Переход на летнее время";
    // The summer-time modes as the page lists them: the meter ignores or observes it.
    static constexpr std::array<const char*, 2> kSummerTimeModes = {"Не учитывать", "Учитывать"};

    // The values, in the order the read asks for them.
    enum Item : std::size_t { DateTime, SummerTime };

    // Which values a read asks for; the date and the time come in one reply.
    struct Wanted {
        bool dateTime = true;
        bool summerTime = true;
    };

    std::optional<MeterDateTime> now;
    std::optional<bool> summerTime;  // true: observed

    // Asks for the wanted values, each whatever became of the one before; `shown` gets
    // each item asked for as soon as it is known.
    void read(CommandRunner& runner, Wanted wanted,
              const std::function<void(std::size_t item)>& shown = {});
};

}  // namespace quillet
