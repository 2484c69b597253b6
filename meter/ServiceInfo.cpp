#include "meter/ServiceInfo.h"

#include <cstdio>

#include "protocol/ValueText.h"

namespace quillet {

namespace {

// The texts of a yes/no answer: the meter's yes, then its no.
struct FlagTexts {
    const char* yes;
    const char* no;
};
constexpr FlagTexts kSelfTestTexts = {"прибор исправен", "прибор не исправен"};
constexpr FlagTexts kGroupCommandTexts = {"успешно выполнена", "не выполнена"};

std::optional<bool> readFlag(CommandRunner& runner, std::size_t command) {
    if (const auto flag = runner.read<YesNo>(command)) {
        return flag->yes != 0;
    }
    return std::nullopt;
}

std::string flagText(const std::optional<bool>& flag, FlagTexts texts) {
    return flag ? (*flag ? texts.yes : texts.no) : ServiceInfo::kMissing;
}

}  // namespace

std::string serialText(const SerialNumber& serial) {
    // Twelve digits: the high half has at most 16 bits.
    char text[32];
    std::snprintf(text, sizeof text, "%04X%08X", static_cast<unsigned>(serial.serialHigh),
                  static_cast<unsigned>(serial.serialLow));
    return text;
}

void ServiceInfo::read(CommandRunner& runner, const std::function<void(std::size_t)>& shown) {
    *this = {};
    const auto done = [&shown](std::size_t item) {
        if (shown) {
            shown(item);
        }
    };
    selfTestPassed = readFlag(runner, kCommands[SelfTest]);
    done(SelfTest);
    if (const auto read = runner.read<DeviceVersion>(kCommands[Version])) {
        version = read->version;
    }
    done(Version);
    serial = runner.read<SerialNumber>(kCommands[Serial]);
    done(Serial);
    for (std::size_t item : {CoverOpened, PowerOn, PowerOff}) {
        events[item - CoverOpened] = runner.read<MeterDateTime>(kCommands[item]);
        done(item);
    }
    groupCommandDone = readFlag(runner, kCommands[GroupCommand]);
    done(GroupCommand);
}

std::string ServiceInfo::text(std::size_t item) const {
    switch (item) {
        case SelfTest:
            return flagText(selfTestPassed, kSelfTestTexts);
        case Version:
            return version.value_or(kMissing);
        case Serial:
            return serial ? serialText(*serial) : kMissing;
        case CoverOpened:
        case PowerOn:
        case PowerOff:
            if (const auto& at = event(item)) {
                return formatEventTime(at->hours, at->minutes, at->seconds, at->weekday, at->day,
                                       at->month, at->year);
            }
            return kMissing;
        case GroupCommand:
            return flagText(groupCommandDone, kGroupCommandTexts);
        default:
            return kMissing;
    }
}

}  // namespace quillet
