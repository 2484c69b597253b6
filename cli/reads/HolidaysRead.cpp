#include "cli/reads/ReadFunctions.h"
#include "cli/reads/ReportFields.h"
#include "cli/reads/TableArgs.h"
#include "meter/HolidayTable.h"
#include "protocol/ValueText.h"

namespace quillet::cli {

std::string checkHolidaysArgs(ReadArgs args) {
    return noArgs(args);
}

void runHolidays(RecordingRunner& runner, ReadArgs, MeterReport& report, std::string* body) {
    HolidayTable table;
    table.read(runner);
    ReportFields fields(report, runner);
    // Entry i is the read's command i. An empty entry is an empty text, one whose command
    // failed is missing.
    for (int i = 0; i < HolidayTable::kCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const HolidayDate& date = table.at(i);
        const bool got = at < runner.outcomes().size() && runner.outcomes()[at].ok;
        const std::string text =
            date.empty() ? "-"
                         : std::to_string(date.day) + ' ' +
                               std::string(MonthNames.at(static_cast<std::size_t>(date.month - 1)));
        Value value;
        if (got) {
            value = date.empty() ? std::string() : dayMonth(date.day, date.month);
        }
        fields.add(at, "holidays." + std::to_string(i + 1), "Праздник " + std::to_string(i + 1),
                   std::move(value), text);
    }
    if (body != nullptr) {
        *body = table.fileBody();
    }
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
