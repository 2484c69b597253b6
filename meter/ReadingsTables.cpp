#include "meter/ReadingsTables.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include "protocol/LayoutRecords.h"
#include "protocol/LocalClock.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

using Tables = ReadingsTables;

bool isKnown(double value) {
    return value >= 0;
}

// One register from the meter; unknown when the command fails. The record starts as "no
// value", so a valid reply that carries none (a register the meter does not keep) leaves
// the value unknown instead of 0 or an earlier reading.
double readEnergy(CommandRunner& runner, std::size_t slot, const LayoutRecord& params) {
    LayoutRecord reply = EnergyValue{Tables::kNoValue};
    if (runner.execute(slot, params, &reply) != 1) {
        return Tables::kNoValue;
    }
    const auto* energy = std::get_if<EnergyValue>(&reply);
    if (energy == nullptr || !std::isfinite(energy->energyKwh) || !isKnown(energy->energyKwh)) {
        return Tables::kNoValue;
    }
    return energy->energyKwh;
}

// Both constnesses of the value lookups.
template <typename Self>
auto& fileValueOf(Self& tables, std::size_t index) {
    if (index < Tables::kTotalRows) {
        return tables.totals.at(index);
    }
    const std::size_t at = index - Tables::kTotalRows;
    return tables.months.at(at / Tables::kMonths).at(at % Tables::kMonths);
}

template <typename Self>
auto& stepValueOf(Self& tables, const Tables::ReadStep& step) {
    if (step.total) {
        return tables.totals.at(step.row);
    }
    return tables.months.at(step.row).at(static_cast<std::size_t>(step.month - 1));
}

}  // namespace

ReadingsTables::ReadingsTables() : monthIndex(std::clamp(localNow().month, 1, 12) - 1) {
    clearValues();
}

ReadingsTables& ReadingsTables::shared() {
    static ReadingsTables tables;
    return tables;
}

void ReadingsTables::clearValues() {
    totals.fill(kNoValue);
    for (auto& row : months) {
        row.fill(kNoValue);
    }
}

double& ReadingsTables::fileValue(std::size_t index) {
    return fileValueOf(*this, index);
}

double ReadingsTables::fileValue(std::size_t index) const {
    return fileValueOf(*this, index);
}

int ReadingsTables::followingMonth() const {
    return monthIndex + 1 == 12 ? 1 : monthIndex + 2;
}

ReadingsTables::ReadSteps ReadingsTables::readSteps() const {
    ReadSteps steps{};
    std::size_t at = 0;
    for (std::size_t row = 0; row < kTotalRows; ++row) {
        steps[at++] = {true, row, 0};
    }
    for (const int month : {followingMonth(), monthIndex + 1}) {
        for (std::size_t row = 0; row < kMonthRows; ++row) {
            steps[at++] = {false, row, month};
        }
    }
    return steps;
}

double& ReadingsTables::valueOf(const ReadStep& step) {
    return stepValueOf(*this, step);
}

double ReadingsTables::valueOf(const ReadStep& step) const {
    return stepValueOf(*this, step);
}

void ReadingsTables::read(CommandRunner& runner,
                          const std::function<void(const ReadStep&)>& settled) {
    for (const ReadStep& step : readSteps()) {
        const RowInfo& info = step.total ? kTotalRowInfo.at(step.row) : kMonthRowInfo.at(step.row);
        const LayoutRecord params =
            step.total ? LayoutRecord{} : LayoutRecord{MonthNumber{step.month}};
        valueOf(step) = readEnergy(runner, info.slot, params);
        if (settled) {
            settled(step);
        }
    }
}

std::string ReadingsTables::valueText(double value) {
    return isKnown(value) ? formatDouble(value, 8) : "-";
}

std::string ReadingsTables::totalText(std::size_t row) const {
    return valueText(totals.at(row));
}

double ReadingsTables::monthRowValue(std::size_t row, int currentMonth) const {
    if (row >= kMonthRows || monthIndex < 0 || monthIndex >= static_cast<int>(kMonths)) {
        return kNoValue;
    }
    const auto& readings = months[row];
    const double atStart = readings[static_cast<std::size_t>(monthIndex)];
    if (mode == kAtMonthStart) {
        return atStart;
    }
    const double atNextStart = readings[static_cast<std::size_t>(followingMonth() - 1)];
    // Without the start reading there is no consumption either: the difference from a
    // missing value's -1 would pass for one.
    if (!isKnown(atNextStart) || !isKnown(atStart)) {
        return kNoValue;
    }
    if (monthIndex + 1 == currentMonth) {
        return isKnown(totals[row]) ? totals[row] - atStart : kNoValue;
    }
    return atNextStart - atStart;
}

std::string ReadingsTables::monthText(std::size_t row, int currentMonth) const {
    return valueText(monthRowValue(row, currentMonth));
}

std::string ReadingsTables::fileBody() const {
    std::string body;
    for (std::size_t i = 0; i < kFileValues; ++i) {
        body += formatDouble(fileValue(i), 6);
        body += '\n';
    }
    return body;
}

bool ReadingsTables::loadFileLines(const std::function<std::optional<std::string>()>& nextLine) {
    bool complete = true;
    // Every line is tried: one bad value costs that value only.
    for (std::size_t i = 0; i < kFileValues; ++i) {
        const std::optional<std::string> line = nextLine();
        if (!line) {
            continue;
        }
        const std::optional<double> value = scanDouble(*line);
        if (!value) {
            continue;
        }
        // Overflowing or "nan" lines are no readings either: they would show as such.
        if (std::isfinite(*value) && (*value >= 0 || *value == kNoValue)) {
            fileValue(i) = *value + 0.0;  // no "-0" in the list
        } else {
            complete = false;
        }
    }
    return complete;
}

}  // namespace quillet
