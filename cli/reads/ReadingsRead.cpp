#include <string_view>

#include "cli/reads/ReadFunctions.h"
#include "cli/reads/ReportFields.h"
#include "cli/reads/TableArgs.h"
#include "meter/ReadingsTables.h"
#include "protocol/ValueText.h"

namespace quillet::cli {

namespace {

using Tables = ReadingsTables;

std::string keyOf(const Tables::ReadStep& step) {
    if (step.total) {
        return std::string("totals.") + Tables::kTotalRowInfo.at(step.row).key;
    }
    return "months." + std::to_string(step.month) + '.' + Tables::kMonthRowInfo.at(step.row).key;
}

std::string labelOf(const Tables::ReadStep& step) {
    if (step.total) {
        return Tables::kTotalRowInfo.at(step.row).name;
    }
    const std::string_view month = MonthNames.at(static_cast<std::size_t>(step.month - 1));
    return std::string(Tables::kMonthRowInfo.at(step.row).name) + " на начало месяца (" +
           std::string(month) + ')';
}

}  // namespace

std::string checkReadingsArgs(ReadArgs args) {
    if (args.size() > 1) {
        return "readings takes at most one argument: MONTH (1..12)";
    }
    if (!args.empty() && !parseMonthArg(args[0])) {
        return badMonthMessage(args[0]);
    }
    return {};
}

void runReadings(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body) {
    Tables tables;  // the computer's month unless one is given
    if (const std::optional<int> month = args.empty() ? std::nullopt : parseMonthArg(args[0])) {
        tables.monthIndex = *month - 1;
    }
    tables.read(runner);
    ReportFields fields(report, runner);
    const Tables::ReadSteps steps = tables.readSteps();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const double value = tables.valueOf(steps[i]);
        fields.add(i, keyOf(steps[i]), labelOf(steps[i]), value >= 0 ? Value(value) : Value(),
                   Tables::valueText(value));
    }
    if (body != nullptr) {
        *body = tables.fileBody();
    }
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
