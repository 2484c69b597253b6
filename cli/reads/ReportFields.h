#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "cli/RecordingRunner.h"
#include "cli/Report.h"
#include "protocol/LayoutRecords.h"

// What the value reads share: adding a field with the failure that cost it, and the
// formats scripts get dates and times in.
namespace quillet::cli {

// Appends the fields of one read to its report.
class ReportFields {
public:
    ReportFields(MeterReport& report, const RecordingRunner& runner)
        : report_(report), runner_(runner) {}

    // A value got from the read's `step`-th command; a missing one takes that command's
    // failure (none when the command succeeded and the meter simply has no such value).
    void add(std::size_t step, std::string key, std::string label, Value value, std::string text) {
        std::string failure;
        if (std::holds_alternative<std::monostate>(value)) {
            failure = runner_.failure(step);
        }
        report_.fields.push_back(
            {std::move(key), std::move(label), std::move(value), std::move(text), failure});
    }

private:
    MeterReport& report_;
    const RecordingRunner& runner_;
};

// The value of an optional, missing when empty; whole numbers as long long.
template <typename T>
Value valueOf(const std::optional<T>& value) {
    if (!value) {
        return {};
    }
    if constexpr (std::is_same_v<T, int>) {
        return static_cast<long long>(*value);
    } else {
        return *value;
    }
}

// "YYYY-MM-DD".
inline std::string isoDate(int day, int month, int year) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

// "hh:mm:ss".
inline std::string isoTime(int hours, int minutes, int seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, seconds);
    return text;
}

// "YYYY-MM-DD hh:mm:ss".
inline std::string isoDateTime(const MeterDateTime& at) {
    return isoDate(at.day, at.month, at.year) + ' ' + isoTime(at.hours, at.minutes, at.seconds);
}

// A check box of the page, ticked or not (UTF-8).
inline std::string boxText(bool ticked) {
    return ticked ? "да" : "нет";
}

}  // namespace quillet::cli
