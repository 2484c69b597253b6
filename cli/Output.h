#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/CliOptions.h"
#include "cli/Report.h"

namespace quillet::cli {

// Writes the reports of a run to standard output in the chosen format, meter by meter as
// they are read, so a long run shows its results while it goes on.
class ReportWriter {
public:
    virtual ~ReportWriter() = default;

    // `what`: the read ("service") or "send".
    virtual void begin(std::string_view what) = 0;
    virtual void write(const MeterReport& report) = 0;
    // `error`: what stopped the run before its meters (UTF-8), empty otherwise.
    virtual void end(const std::string& error) = 0;
};

std::unique_ptr<ReportWriter> makeReportWriter(OutputFormat format, std::ostream& out);

// A value as JSON and CSV give it: numbers to twelve significant digits.
std::string valueText(const Value& value);
// A text as a JSON string, quoted and escaped.
std::string jsonString(std::string_view text);
// A text as one CSV cell, quoted when it must be.
std::string csvCell(std::string_view text);

}  // namespace quillet::cli
