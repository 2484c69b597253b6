// The meter tables without a meter: the month rows of the readings, the graph's powers
// from its readings, its axis scale, its next day, and which failed reading costs a
// half-hour its power.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "meter/HalfHourGraph.h"
#include "meter/ReadingsTables.h"
#include "protocol/LocalClock.h"

namespace quillet {
namespace {

using Graph = HalfHourGraph;
using Tables = ReadingsTables;

// The computer's clock at a fixed moment while it lives.
struct FixedClock {
    explicit FixedClock(LocalDateTime now) {
        setLocalClock([now] { return now; });
    }
    ~FixedClock() { setLocalClock({}); }
};

TEST(ReadingsTables, MonthRowText) {
    // clang-format off
    for (const auto& [mode, monthIndex, currentMonth, total, atStart, atNextStart, shown] :
         std::vector<std::tuple<int, int, int, double, double, double, std::string>>{
             {0, 2, 3, 500, 123456.789, 130, "123456.79"},
             {1, 2, 3, 150.25, 100, 0, "50.25"},  // the current month runs to the total
             {1, 2, 3, 150, 100, -1, "-"},        // yet needs the next reading
             {1, 2, 3, -1, 100, 130, "-"},
             {1, 2, 3, 150, -1, 0, "-"},          // not total + 1 from the start's -1
             {1, 2, 4, 150, 100, 130.5, "30.5"},
             {1, 2, 4, 150, 100, 90, "-"}}) {
        // clang-format on
        Tables t;
        t.mode = mode;
        t.monthIndex = monthIndex;
        t.totals[2] = total;
        t.months[2][std::size_t(monthIndex)] = atStart;
        t.months[2][std::size_t(t.followingMonth() - 1)] = atNextStart;
        EXPECT_EQ(t.monthText(2, currentMonth), shown)
            << mode << " " << currentMonth << " " << total << " " << atStart << " " << atNextStart;
    }
}

// Readings of 15 June (marker 1): a counter going up 0.25 kWh a half-hour from `start`,
// turning over at 10 x 10^exponent kWh, so every half-hour draws 0.5 kW, but where a case
// sets other counters, fails readings or gives them a foreign marker.
TEST(HalfHourGraph, PowersFromTheReadings) {
    struct Case {
        const char* name;
        double start;
        int exponent;
        std::map<int, double> counters;
        std::vector<int> failed, foreign;
        bool fill;
        std::vector<std::tuple<int, int, double, int>> runs;  // from, to: power, shown
        double scaleMax;                                      // elsewhere 0.5 kW, complete
    };
    // clang-format off
    for (const Case& c : std::vector<Case>{
             {"all valid, the counter turning over", 95, 1, {}, {}, {}, false, {}, 0.5},
             {"gap filling changes nothing", 95, 1, {}, {}, {}, true, {}, 0.5},
             {"9.99 to 0.01 kWh", 0, 0, {{5, 9.99}, {6, 0.01}}, {}, {}, false,
              {{4, 4, 17.98, 1}, {5, 5, 0.04, 1}, {6, 6, 3.48, 1}}, 50},
             {"a foreign marker", 95, 1, {}, {}, {20}, false, {{19, 20, 0, 0}}, 0.5},
             {"10 to 13 missing", 95, 1, {}, {10, 11, 12, 13}, {}, false, {{9, 13, 0, 0}}, 0.5},
             {"10 to 13 filled", 95, 1, {}, {10, 11, 12, 13}, {}, true,
              {{9, 9, 1.25, 1}, {10, 12, 0, 1}, {13, 13, 1.25, 1}}, 5},
             // The energy of a gap stays when the reading after its end is missing too.
             {"10 to 13 and 15 filled", 95, 1, {}, {10, 11, 12, 13, 15}, {}, true,
              {{9, 9, 1.25, 1}, {10, 12, 0, 1}, {13, 13, 1.25, 1}}, 5},
             {"a gap over the counter's turn", 95, 1, {}, {19, 20, 21}, {}, true,
              {{18, 18, 1, 1}, {19, 20, 0, 1}, {21, 21, 1, 1}}, 1},
             {"the first reading missing", 95, 1, {}, {0}, {}, true, {{0, 0, 0, 1}}, 0.5},
             {"40 to 48 missing", 95, 1, {}, {40, 41, 42, 43, 44, 45, 46, 47, 48}, {}, true,
              {{39, 47, 0, 1}}, 0.5},
             // A valid last half-hour after a gap keeps its own value.
             {"46 missing", 95, 1, {{48, 7.75}}, {46}, {}, true, {{47, 47, 2, 1}}, 5},
             {"47 missing, closed by the next day", 95, 1, {}, {47}, {}, true, {}, 0.5}}) {
        // clang-format on
        Graph g;
        g.day = 15, g.month = 6;
        const double turn = 10 * std::pow(10, c.exponent);
        for (int k = 0; k < Graph::kReadings; ++k) {
            const double counter =
                c.counters.contains(k) ? c.counters.at(k) : std::fmod(c.start + 0.25 * k, turn);
            const GraphPoint point{std::ranges::count(c.foreign, k) ? 2 : 1, double(c.exponent),
                                   counter};
            g.setReading(k, std::ranges::count(c.failed, k) ? nullptr : &point);
        }
        g.compute(c.fill);
        std::vector<std::pair<double, int>> expected(48, {0.5, 1});
        for (const auto& [from, to, power, shown] : c.runs) {
            std::fill(&expected[std::size_t(from)], &expected[std::size_t(to)] + 1,
                      std::pair(power, shown));
        }
        for (std::size_t k = 0; k < Graph::kHalfHours; ++k) {
            EXPECT_NEAR(g.power[k], expected[k].first, 1e-9) << c.name << " " << k;
            EXPECT_EQ(g.shown[k], expected[k].second) << c.name << " " << k;
        }
        EXPECT_DOUBLE_EQ(g.scaleMax, c.scaleMax) << c.name;
    }
}

TEST(HalfHourGraph, ScaleEndsAtHalfOrAWholePowerOfTen) {
    // clang-format off
    for (const auto& [value, scale] : std::vector<std::pair<double, double>>{
             {3.7, 5}, {6, 10}, {0.42, 0.5}, {0.6, 1}, {1, 1}, {12, 50}, {0, 1}, {-2, 1},
             {NAN, 1}, {1e306, 1e306}}) {
        // clang-format on
        EXPECT_DOUBLE_EQ(Graph::scaleFor(value), scale) << value;
    }
}

// The marker of the last reading is the next day's month's: the read of 31/12 checks it.
TEST(HalfHourGraph, LastReadingIsTheNextDaysFirst) {
    // clang-format off
    for (const auto& [year, day, month, nextDay, nextMonth] : std::vector<std::array<int, 5>>{
             {2025, 15, 6, 16, 6}, {2025, 31, 12, 1, 1}, {2024, 28, 2, 29, 2},
             {2025, 28, 2, 1, 3}, {2024, 29, 2, 1, 3}, {2025, 30, 4, 1, 5}}) {
        // clang-format on
        FixedClock pc({year, 6, 1});
        Graph g;
        g.day = day, g.month = month;
        const GraphPointQuery next = g.query(48);
        EXPECT_EQ(std::tuple(next.day, next.month, next.halfHour),
                  std::tuple(nextDay, nextMonth, 0));
    }
}

// Readings of 15 June: `failed` commands, `foreign` records, the rest valid. The
// half-hours listed have no power from readings, for the failed reading given (-1: no
// failure had a part); every other one has.
TEST(HalfHourGraph, MissingPowersAndTheFailedCommandBehindThem) {
    struct Case {
        const char* name;
        std::vector<int> failed, foreign;
        bool fill;
        std::map<int, int> missing;  // half-hour: reading
    };
    const auto range = [](int from, int to) {
        std::vector<int> readings(std::size_t(to - from + 1));
        std::iota(readings.begin(), readings.end(), from);
        return readings;
    };
    const auto missing = [](int from, int to, int reading) {
        std::map<int, int> halfHours;
        for (int k = from; k <= to; ++k) {
            halfHours[k] = reading;
        }
        return halfHours;
    };
    // clang-format off
    for (const Case& c : std::vector<Case>{
             {"one failed, not filled", {10}, {}, false, {{9, 10}, {10, 10}}},
             {"one failed, filled from both sides", {10}, {}, true, {}},
             {"the next day's first failed", {48}, {}, true, {{47, 48}}},
             {"the first failed", {0}, {}, true, {{0, 0}}},
             {"a foreign end, then a failure", {48}, range(40, 47), true, missing(39, 47, 48)},
             {"foreign only, not filled", {}, {20}, false, {{19, -1}, {20, -1}}},
             {"no record after noon, filled", {}, range(25, 48), true, missing(24, 47, -1)},
             {"every command failed", range(0, 48), {}, true, missing(0, 47, 0)}}) {
        // clang-format on
        Graph g;
        g.day = 15, g.month = 6;
        for (int k = 0; k < Graph::kReadings; ++k) {
            const GraphPoint point{std::ranges::count(c.foreign, k) ? 2 : 1, 1, 0.25 * k};
            g.setReading(k, std::ranges::count(c.failed, k) ? nullptr : &point);
        }
        g.compute(c.fill);
        for (int k = 0; k < Graph::kHalfHours; ++k) {
            EXPECT_EQ(g.measured(k, c.fill), !c.missing.contains(k)) << c.name << " " << k;
            EXPECT_EQ(g.lostReading(k, c.fill), c.missing.contains(k) ? c.missing.at(k) : -1)
                << c.name << " " << k;
        }
    }
}

}  // namespace
}  // namespace quillet
