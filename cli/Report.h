#pragma once

#include <string>
#include <variant>
#include <vector>

namespace quillet::cli {

// A value as scripts get it: missing, a flag, a whole number, a number or a text.
using Value = std::variant<std::monostate, bool, long long, double, std::string>;

// One value of a read.
struct Field {
    // The name in JSON and CSV: ASCII, dots separate the levels of nested JSON objects
    // ("totals.halfPeak", "days.sunday.peak1.start").
    std::string key;
    // What the page calls the value (UTF-8), for the text output.
    std::string label;
    // Empty (std::monostate) when the value is missing.
    Value value;
    // The value as the page shows it (UTF-8); for a missing value what the page shows for
    // it ("-", "", "0:00"...).
    std::string text;
    // For a missing value: the system's message for the failure that lost it (UTF-8).
    std::string failure;
};

// What one read of one meter gave.
struct MeterReport {
    int address = 0;
    std::vector<Field> fields;
    // Every command of the read succeeded.
    bool complete = true;
};

}  // namespace quillet::cli
