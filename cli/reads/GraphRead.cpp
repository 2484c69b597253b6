#include "cli/reads/ReadFunctions.h"
#include "cli/reads/ReportFields.h"
#include "cli/reads/TableArgs.h"
#include "meter/HalfHourGraph.h"
#include "protocol/ValueText.h"

namespace quillet::cli {

namespace {

// The day and month as the page's date field takes them; empty when they name no day of
// a month.
std::optional<std::pair<int, int>> parseDate(std::string_view text) {
    int day = 0;
    int month = 0;
    if (!parseDayMonth(text, day, month)) {
        return std::nullopt;
    }
    return std::pair(day, month);
}

}  // namespace

std::string checkGraphArgs(ReadArgs args) {
    if (args.size() != 1) {
        return "graph takes one argument: DAY/MONTH (e.g. 15/03)";
    }
    if (!parseDate(args[0])) {
        return "\"" + args[0] + "\" is no day of a month: DAY/MONTH, e.g. 15/03";
    }
    return {};
}

void runGraph(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body) {
    HalfHourGraph graph;  // gaps filled, as the page's "Полные данные" starts
    if (const auto date = args.empty() ? std::nullopt : parseDate(args[0])) {
        std::tie(graph.day, graph.month) = *date;
    }
    graph.read(runner);
    ReportFields fields(report, runner);
    fields.add(0, "date", "Дата", dayMonth(graph.day, graph.month), graph.dateText());
    for (int k = 0; k < HalfHourGraph::kHalfHours; ++k) {
        const auto at = static_cast<std::size_t>(k);
        const int hours = k / 2;
        const int minutes = k % 2 != 0 ? 30 : 0;
        const std::string key = "halfHours." + clockTime(hours, minutes);
        const std::string time = formatHourMinute(hours, minutes);
        // A power that comes from no readings is missing, with the failure of a reading it
        // lacks where there is one; reading k is the read's command k.
        const int lost = graph.lostReading(k, graph.fillGaps);
        const std::size_t step = static_cast<std::size_t>(lost >= 0 ? lost : k);
        const bool complete = graph.shown[at] != 0;
        fields.add(step, key + ".power", "Потребление в " + time,
                   graph.measured(k, graph.fillGaps) ? Value(graph.power[at]) : Value(),
                   formatDouble(graph.power[at]) + " КВт*ч");
        fields.add(step, key + ".complete", "Полные данные в " + time, complete, boxText(complete));
    }
    if (body != nullptr) {
        *body = graph.fileBody();
    }
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
