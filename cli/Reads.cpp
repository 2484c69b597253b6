#include "cli/Reads.h"

#include <array>

#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

namespace {

constexpr std::array<ReadSpec, 10> kReads = {{
    {"service", "service", "", checkServiceArgs, runService},
    {"clock", "clock", "", checkClockArgs, runClock},
    {"readings", "readings [MONTH]", "ind", checkReadingsArgs, runReadings},
    {"graph", "graph DAY/MONTH", "plt", checkGraphArgs, runGraph},
    {"schedule", "schedule MONTH", "trf", checkScheduleArgs, runSchedule},
    {"holidays", "holidays", "day", checkHolidaysArgs, runHolidays},
    {"thresholds", "thresholds", "", checkThresholdsArgs, runThresholds},
    {"display", "display", "", checkDisplayArgs, runDisplay},
    {"tariffs", "tariffs", "", checkTariffsArgs, runTariffs},
    {"payment", "payment", "", checkPaymentArgs, runPayment},
}};

}  // namespace

std::string noArgs(ReadArgs args) {
    return args.empty() ? std::string() : "takes no arguments";
}

std::span<const ReadSpec> readTable() {
    return kReads;
}

const ReadSpec* findRead(std::string_view name) {
    for (const ReadSpec& read : kReads) {
        if (read.name == name) {
            return &read;
        }
    }
    return nullptr;
}

}  // namespace quillet::cli
