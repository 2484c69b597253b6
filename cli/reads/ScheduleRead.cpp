#include <array>

#include "cli/reads/ReadFunctions.h"
#include "cli/reads/ReportFields.h"
#include "cli/reads/TableArgs.h"
#include "meter/TariffSchedule.h"
#include "protocol/ValueText.h"

namespace quillet::cli {

namespace {

using Schedule = TariffSchedule;

// Day types 0 Sunday .. 6 Saturday, 7 holiday.
constexpr std::array<const char*, Schedule::kDayTypes> kDayKeys = {
    "sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "holiday"};

// The fields of one command of the read: a start, or the three values of a peak period.
class DayFields {
public:
    DayFields(ReportFields& fields, const Schedule::ReadStep& step, std::size_t position, bool got)
        : fields_(fields),
          position_(position),
          got_(got),
          key_(std::string("days.") + kDayKeys.at(static_cast<std::size_t>(step.dayType)) + '.'),
          label_(std::string(WeekdayNames.at(static_cast<std::size_t>(step.dayType))) + ": ") {}

    void start(const char* key, const char* label, const TariffStart& start) {
        add(key, label, clockTime(start.hours, start.minutes), Schedule::startText(start));
    }

    void peak(int number, const PeakPeriod& peak) {
        const std::string key = "peak" + std::to_string(number) + '.';
        const std::string label = "Пиковый " + std::to_string(number) + ", ";
        add(key + "start", label + "начало тарифа", clockTime(peak.hours, peak.minutes),
            Schedule::startText({peak.hours, peak.minutes}));
        add(key + "durationMin", label + "длительность (мин)",
            static_cast<long long>(peak.durationMin), std::to_string(peak.durationMin));
        add(key + "peak", label + "пиковый", peak.isPeak != 0,
            std::string(Schedule::peakKindText(peak.isPeak)));
    }

private:
    // A value whose command failed is missing; the page shows its 0 all the same.
    void add(const std::string& key, const std::string& label, Value value, std::string text) {
        fields_.add(position_, key_ + key, label_ + label, got_ ? std::move(value) : Value(),
                    std::move(text));
    }

    ReportFields& fields_;
    std::size_t position_;
    bool got_;
    std::string key_;
    std::string label_;
};

}  // namespace

std::string checkScheduleArgs(ReadArgs args) {
    if (args.size() != 1) {
        return "schedule takes one argument: MONTH (1..12)";
    }
    if (!parseMonthArg(args[0])) {
        return badMonthMessage(args[0]);
    }
    return {};
}

void runSchedule(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body) {
    Schedule schedule;  // the other months stay 0, as the window would save them
    if (const std::optional<int> month = args.empty() ? std::nullopt : parseMonthArg(args[0])) {
        schedule.monthIndex = *month - 1;
    }
    schedule.read(runner);
    ReportFields fields(report, runner);
    const Schedule::ReadSteps steps = Schedule::readSteps();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Schedule::ReadStep& step = steps[i];
        const DayTariffs& day = schedule.at(schedule.monthIndex, step.dayType);
        const bool got = i < runner.outcomes().size() && runner.outcomes()[i].ok;
        DayFields add(fields, step, i, got);
        switch (step.part) {
            case Schedule::kHalfPeakPart:
                add.start("halfPeakStart", "Начало полупикового тарифа", day.halfPeakStart);
                break;
            case Schedule::kOffPeakPart:
                add.start("offPeakStart", "Начало льготного тарифа", day.offPeakStart);
                break;
            default: {
                const int number = step.part - Schedule::kFirstPeakPart + 1;
                add.peak(number, day.peaks.at(static_cast<std::size_t>(number - 1)));
            }
        }
    }
    if (body != nullptr) {
        *body = schedule.fileBody();
    }
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
