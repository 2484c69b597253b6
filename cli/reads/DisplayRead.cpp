#include "cli/reads/ReadFunctions.h"
#include "cli/reads/ReportFields.h"
#include "meter/DisplaySettings.h"

namespace quillet::cli {

std::string checkDisplayArgs(ReadArgs args) {
    return noArgs(args);
}

// One command gives every value: the boxes of the modes shown (modes.1 .. modes.8, in the
// order of the meter's mode text) and the cycle time.
void runDisplay(RecordingRunner& runner, ReadArgs, MeterReport& report, std::string*) {
    const std::optional<DisplayModes> display = DisplaySettings::read(runner);
    ReportFields fields(report, runner);
    for (std::size_t i = 0; i < DisplaySettings::kModeCount; ++i) {
        const std::optional<bool> shown =
            display ? std::optional<bool>(display->modes[i] != 0) : std::nullopt;
        fields.add(0, "modes." + std::to_string(i + 1), DisplaySettings::kModeLabels[i],
                   valueOf(shown), shown ? boxText(*shown) : "");
    }
    const std::optional<int> seconds =
        display ? std::optional<int>(display->seconds) : std::nullopt;
    fields.add(0, "cycleSeconds", DisplaySettings::kCycleLabel, valueOf(seconds),
               seconds ? std::to_string(*seconds) : "");
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
