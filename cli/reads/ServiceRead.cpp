#include <array>

#include "cli/reads/ReadFunctions.h"
#include "cli/reads/ReportFields.h"
#include "meter/ServiceInfo.h"

namespace quillet::cli {

namespace {

// In the order of the items.
constexpr std::array<const char*, ServiceInfo::kItemCount> kKeys = {
    "selfTest", "version", "serial", "coverOpened", "powerOn", "powerOff", "groupCommand"};

Value typedValue(const ServiceInfo& info, std::size_t item) {
    switch (item) {
        case ServiceInfo::SelfTest:
            return valueOf(info.selfTestPassed);
        case ServiceInfo::Version:
            return valueOf(info.version);
        case ServiceInfo::Serial:
            return info.serial ? Value(serialText(*info.serial)) : Value();
        case ServiceInfo::GroupCommand:
            return valueOf(info.groupCommandDone);
        default:  // the events
            const std::optional<MeterDateTime>& at = info.event(item);
            return at ? Value(isoDateTime(*at)) : Value();
    }
}

}  // namespace

std::string checkServiceArgs(ReadArgs args) {
    return noArgs(args);
}

void runService(RecordingRunner& runner, ReadArgs, MeterReport& report, std::string*) {
    ServiceInfo info;
    info.read(runner);
    ReportFields fields(report, runner);
    for (std::size_t item = 0; item < ServiceInfo::kItemCount; ++item) {
        fields.add(item, kKeys[item], ServiceInfo::kLabels[item], typedValue(info, item),
                   info.text(item));
    }
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
