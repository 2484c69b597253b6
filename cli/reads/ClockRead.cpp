#include "cli/reads/ReadFunctions.h"
#include "cli/reads/ReportFields.h"
#include "meter/MeterClock.h"
#include "protocol/ValueText.h"

namespace quillet::cli {

std::string checkClockArgs(ReadArgs args) {
    return noArgs(args);
}

// A value the page leaves empty when lost shows as empty text.
void runClock(RecordingRunner& runner, ReadArgs, MeterReport& report, std::string*) {
    MeterClock clock;
    clock.read(runner, {});
    ReportFields fields(report, runner);
    if (const std::optional<MeterDateTime>& now = clock.now) {
        fields.add(MeterClock::DateTime, "date", MeterClock::kDateLabel,
                   isoDate(now->day, now->month, now->year),
                   dateText(now->day, now->month, now->year));
        fields.add(MeterClock::DateTime, "time", MeterClock::kTimeLabel,
                   isoTime(now->hours, now->minutes, now->seconds),
                   formatTime(now->hours, now->minutes, now->seconds));
    } else {
        fields.add(MeterClock::DateTime, "date", MeterClock::kDateLabel, {}, {});
        fields.add(MeterClock::DateTime, "time", MeterClock::kTimeLabel, {}, {});
    }
    const std::optional<bool>& summer = clock.summerTime;
    fields.add(MeterClock::SummerTime, "summerTime", MeterClock::kSummerTimeLabel, valueOf(summer),
               summer ? MeterClock::kSummerTimeModes[*summer ? 1 : 0] : "");
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
