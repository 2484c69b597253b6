#include <array>

#include "cli/reads/ReadFunctions.h"
#include "cli/reads/ReportFields.h"
#include "meter/Thresholds.h"
#include "protocol/ValueText.h"

namespace quillet::cli {

namespace {

// In the order of the items.
constexpr std::array<const char*, Thresholds::kItemCount> kKeys = {"power", "energy", "ratio"};

std::string label(std::size_t item) {
    const std::string unit = Thresholds::kUnits[item];
    return Thresholds::kLabels[item] + (unit.empty() ? "" : ", " + unit);
}

}  // namespace

std::string checkThresholdsArgs(ReadArgs args) {
    return noArgs(args);
}

// The values as the meter keeps them, in the secondary circuit.
void runThresholds(RecordingRunner& runner, ReadArgs, MeterReport& report, std::string*) {
    Thresholds thresholds;
    thresholds.read(runner);
    ReportFields fields(report, runner);
    for (std::size_t item = 0; item < Thresholds::kItemCount; ++item) {
        const std::optional<double>& value = thresholds.values[item];
        fields.add(item, kKeys[item], label(item), valueOf(value),
                   value ? formatDouble(*value) : "");
    }
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
