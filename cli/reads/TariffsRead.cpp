#include <array>

#include "cli/reads/ReadFunctions.h"
#include "cli/reads/ReportFields.h"
#include "meter/TariffSwitches.h"

namespace quillet::cli {

namespace {

// In the order of the items.
constexpr std::array<const char*, TariffSwitches::kItemCount> kKeys = {"singleTariff",
                                                                       "penaltyTariff"};

}  // namespace

std::string checkTariffsArgs(ReadArgs args) {
    return noArgs(args);
}

void runTariffs(RecordingRunner& runner, ReadArgs, MeterReport& report, std::string*) {
    TariffSwitches switches;
    switches.read(runner);
    ReportFields fields(report, runner);
    for (std::size_t item = 0; item < TariffSwitches::kItemCount; ++item) {
        const std::optional<bool>& on = switches.on[item];
        fields.add(item, kKeys[item], TariffSwitches::kLabels[item], valueOf(on),
                   on ? boxText(*on) : "");
    }
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
