#include "meter/HalfHourGraph.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>
#include <variant>

#include "protocol/LocalClock.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

// The meter's counter has four digits of 10^exponent Wh: one full turn, as the power of a
// half-hour.
double wrapPower(double exponent) {
    return 20.0 * std::pow(10.0, exponent);
}

// 2 x the counter difference (kW over half an hour), one turn of the counter added to
// a negative one; still negative means the readings do not fit together.
double powerBetween(double from, double to, double exponent) {
    double power = 2.0 * (to - from);
    if (power < 0) {
        power += wrapPower(exponent);
    }
    return power;
}

// "%d/%d": true when both numbers convert.
bool scanDate(std::string_view line, int& day, int& month) {
    std::array<double, 2> values{};
    if (scanLine(line, "%d/%d", values) < 2) {
        return false;
    }
    day = static_cast<int>(values[0]);
    month = static_cast<int>(values[1]);
    return true;
}

// "%lg %d": true when both numbers convert.
bool scanValue(std::string_view line, double& value, int& flag) {
    std::array<double, 2> values{};
    if (scanLine(line, "%lg %d", values) < 2) {
        return false;
    }
    value = values[0];
    flag = static_cast<int>(values[1]);
    return true;
}

// The readings around half-hour `k` that its power rests on: its own two, or with `fill`
// the nearest valid ones on either side of its gap (-1 or kReadings where there is none).
std::pair<int, int> readingsAround(const std::array<bool, HalfHourGraph::kReadings>& valid, int k,
                                   bool fill) {
    const auto isValid = [&valid](int r) { return valid[static_cast<std::size_t>(r)]; };
    int before = k;
    int after = k + 1;
    if (fill) {
        while (before >= 0 && !isValid(before)) {
            --before;
        }
        while (after < HalfHourGraph::kReadings && !isValid(after)) {
            ++after;
        }
    }
    return {before, after};
}

}  // namespace

HalfHourGraph::HalfHourGraph() {
    const LocalDateTime now = localNow();
    day = now.day;
    month = now.month;
}

HalfHourGraph& HalfHourGraph::shared() {
    static HalfHourGraph graph;
    return graph;
}

GraphPointQuery HalfHourGraph::query(int k) const {
    if (k < kHalfHours) {
        return {month, day, k};
    }
    int nextDay = day;
    int nextMonth = month;
    advanceDay(nextDay, nextMonth);
    return {nextMonth, nextDay, 0};
}

void HalfHourGraph::setReading(int k, const GraphPoint* point) {
    const auto at = static_cast<std::size_t>(k);
    lost.at(at) = point == nullptr;
    if (point == nullptr) {
        valid.at(at) = false;
        exponent.at(at) = 0;
        counter.at(at) = 0;
        return;
    }
    // The meter marks a record with the month it was made in, modulo its four months of
    // memory: another mark is a record of another year's day.
    valid.at(at) = point->marker == (query(k).month - 1) % 4;
    exponent.at(at) = point->exponent;
    counter.at(at) = point->value;
}

void HalfHourGraph::read(CommandRunner& runner, const std::function<void(int done)>& progress) {
    for (int k = 0; k < kReadings; ++k) {
        if (progress) {
            progress(k);
        }
        const std::optional<GraphPoint> point =
            runner.read<GraphPoint>(kReadPointCommand, query(k));
        setReading(k, point ? &*point : nullptr);
    }
    compute(fillGaps);
}

void HalfHourGraph::clearValues() {
    power.fill(0);
    shown.fill(0);
    scaleMax = 1.0;
}

void HalfHourGraph::compute(bool fill) {
    bool inGap = false;
    int last = 0;  // the reading before the gap, -1 when the gap starts the day
    for (int k = 0; k < kHalfHours; ++k) {
        const auto at = static_cast<std::size_t>(k);
        // Without both readings there is no energy to show: a failed command leaves a
        // counter of 0, and a foreign record belongs to another day.
        shown[at] = valid[at] && valid[at + 1] ? 1 : 0;
        const double d =
            shown[at] != 0 ? powerBetween(counter[at], counter[at + 1], exponent[at]) : 0.0;
        if (d < 0) {
            power[at] = 0;
            shown[at] = 0;
        } else {
            power[at] = d;
        }
        if (!fill) {
            continue;
        }
        if (!inGap && !valid[at]) {
            last = k - 1;
            inGap = true;
        }
        if (!inGap || !(valid[at] || k == kHalfHours - 1)) {
            continue;
        }
        // The gap ends at the next valid reading, the next day's first one included; its
        // energy is the one between the readings on both sides. Without a reading on
        // either side it carries none. A valid last half-hour keeps its own value.
        int next = valid[at] ? k : -1;
        if (next < 0 && valid[kHalfHours]) {
            next = kHalfHours;
        }
        double a = 0;
        if (last >= 0 && next >= 0) {
            const auto to = static_cast<std::size_t>(next);
            a = std::max(0.0, powerBetween(counter[static_cast<std::size_t>(last)], counter[to],
                                           exponent[to]));
        }
        const int start = std::max(last, 0);
        const int end = valid[at] ? k : kHalfHours;
        for (int j = start; j < end; ++j) {
            shown[static_cast<std::size_t>(j)] = 1;
            power[static_cast<std::size_t>(j)] = 0;
        }
        // Half at each end of the gap; a gap of one half-hour gets all of it.
        power[static_cast<std::size_t>(start)] = a * 0.5;
        power[static_cast<std::size_t>(end - 1)] += a * 0.5;
        inGap = false;
    }
    updateScaleMax();
}

bool HalfHourGraph::measured(int k, bool fill) const {
    if (k < 0 || k >= kHalfHours) {
        return false;
    }
    const auto [before, after] = readingsAround(valid, k, fill);
    return before >= 0 && after < kReadings && valid[static_cast<std::size_t>(before)] &&
           valid[static_cast<std::size_t>(after)];
}

int HalfHourGraph::lostReading(int k, bool fill) const {
    if (k < 0 || k >= kHalfHours || measured(k, fill)) {
        return -1;
    }
    const auto [before, after] = readingsAround(valid, k, fill);
    // Without filling, the half-hour's own readings; with it, the gap between the valid
    // ones.
    const int from = fill ? before + 1 : k;
    const int to = fill ? after - 1 : k + 1;
    for (int r = from; r <= to; ++r) {
        if (lost[static_cast<std::size_t>(r)]) {
            return r;
        }
    }
    return -1;
}

void HalfHourGraph::updateScaleMax() {
    scaleMax = scaleFor(*std::max_element(power.begin(), power.end()));
}

double HalfHourGraph::scaleFor(double maxValue) {
    if (!(maxValue > 0)) {
        return 1.0;
    }
    const double watts = maxValue * 1000;
    const double power = std::pow(10.0, std::ceil(std::log10(watts)));
    const double half = power * 0.5;
    const double scale = half * std::ceil(watts / half) * 0.001;
    // At the ends of the double range the rounding overflows or underflows: the value
    // itself is then the top of the axis.
    return scale > 0 && std::isfinite(scale) ? scale : maxValue;
}

std::string HalfHourGraph::infoText(int k) const {
    if (k < 0 || k >= kHalfHours) {
        return {};
    }
    return "Время: " + formatHourMinute(k / 2, k % 2 != 0 ? 30 : 0) +
           " Потребление: " + formatDouble(power[static_cast<std::size_t>(k)]) + " КВт*ч";
}

std::string HalfHourGraph::dateText() const {
    return std::to_string(day) + '/' + (month < 10 ? "0" : "") + std::to_string(month);
}

std::string HalfHourGraph::fileBody() const {
    std::string body = dateText() + '\n';
    for (std::size_t k = 0; k < kHalfHours; ++k) {
        body += formatDouble(power[k]) + ' ' + std::to_string(shown[k]) + '\n';
    }
    return body;
}

HalfHourGraph::LoadOutcome HalfHourGraph::loadFileLines(
    const std::function<std::optional<std::string>()>& nextLine) {
    LoadOutcome outcome;
    const std::optional<std::string> dateLine = nextLine();
    int d = 0;
    int m = 0;
    if (dateLine && scanDate(*dateLine, d, m)) {
        // A date that is no day of a month makes the whole file suspect.
        if (!isValidDayOfMonth(d, m, 0)) {
            outcome.result = LoadResult::InvalidDate;
            return outcome;
        }
        day = d;
        month = m;
        outcome.dateRead = true;
    }
    clearValues();
    for (std::size_t k = 0; k < kHalfHours; ++k) {
        const std::optional<std::string> line = nextLine();
        double value = 0;
        int flag = 0;
        // Overflowing or "inf" lines are no powers either: they would wreck the scale.
        if (line && scanValue(*line, value, flag) && value >= 0 && std::isfinite(value)) {
            power[k] = value + 0.0;  // no "-0" written back
            shown[k] = flag;
        } else {
            outcome.result = LoadResult::Incomplete;
        }
    }
    updateScaleMax();
    return outcome;
}

}  // namespace quillet
