#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "meter/CommandRunner.h"
#include "protocol/LayoutRecords.h"

namespace quillet {

// What a meter tells about itself: self-test, version, serial number, the last cover
// opening, power-on and power-off, and whether the last group command was carried out.
// A value is empty until read and when its command failed.
struct ServiceInfo {
    // The values in the order the read asks for them and the page lists them.
    enum Item : std::size_t {
        SelfTest,
        Version,
        Serial,
        CoverOpened,
        PowerOn,
        PowerOff,
        GroupCommand,
    };
    static constexpr std::size_t kItemCount = 7;
    // The command of each value.
    static constexpr std::array<std::size_t, kItemCount> kCommands = {33, 49, 51, 52, 53, 54, 35};
    // What the page calls each value (UTF-8).
    static constexpr std::array<const char*, kItemCount> kLabels = {
        "Тест прибора",         "Версия прибора",         "Серийный номер",
        "Дата вскрытия крышки", "Дата включения питания", "Дата отключения питания",
        "Групповая команда",
    };
    // What the page shows for a value not known.
    static constexpr const char* kMissing = "-";

    std::optional<bool> selfTestPassed;
    std::optional<std::string> version;
    std::optional<SerialNumber> serial;
    // Cover opened, power on, power off.
    std::array<std::optional<MeterDateTime>, 3> events;
    std::optional<bool> groupCommandDone;

    // Sends the seven commands in order, each whatever became of the one before; `shown`
    // gets each item as soon as it is known.
    void read(CommandRunner& runner, const std::function<void(std::size_t item)>& shown = {});

    // The item as the page shows it (UTF-8); kMissing when not known.
    std::string text(std::size_t item) const;
    // The event of CoverOpened, PowerOn or PowerOff.
    const std::optional<MeterDateTime>& event(std::size_t item) const {
        return events[item - CoverOpened];
    }
};

// The twelve hexadecimal digits of a serial number.
std::string serialText(const SerialNumber& serial);

}  // namespace quillet
