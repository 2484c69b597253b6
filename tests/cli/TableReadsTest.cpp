// The table reads of the command line against a simulated meter: the values it holds,
// the commands in the page's order, a refused command's values missing with its message
// while the rest is read, the data file read back by the window's reader, and arguments
// that do not fit.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <tuple>

#include "app/DataFiles.h"
#include "cli/Reads.h"
#include "meter/HalfHourGraph.h"
#include "meter/HolidayTable.h"
#include "meter/ReadingsTables.h"
#include "meter/TariffSchedule.h"
#include "protocol/Frame.h"
#include "protocol/LocalClock.h"
#include "protocol/ReplyCheck.h"
#include "protocol/ValueText.h"
#include "tests/meter/SimulatedMeters.h"

namespace quillet::cli {
namespace {

using Sent = std::vector<std::pair<std::size_t, std::string>>;  // slot and parameter text

std::string format(const char* pattern, int a, int b, int c = 0) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

struct FixedClock {
    explicit FixedClock(LocalDateTime now) {
        setLocalClock([now] { return now; });
    }
    ~FixedClock() { setLocalClock({}); }
};

class TableReadsTest : public ::testing::Test {
protected:
    template <typename Action>
    auto withMeter(Action action) {
        std::lock_guard lock(meters.line->mutex);
        return action(meters.meter());
    }
    void setMeterClock(int day, int month, int year, int hours) {
        withMeter([&](sim::MeterModel& m) {
            m.setDate(day, month, year);
            m.setTime(hours, 0, 0);
        });
    }
    // The `n`-th reply from now on is a refusal.
    void refuseReply(int n) {
        std::lock_guard lock(meters.line->mutex);
        for (int i = 1; i < n; ++i) {
            meters.simulator->faults().script({sim::Fault::None});
        }
        meters.simulator->faults().script({sim::Fault::Refusal});
    }
    static std::string refused(std::size_t slot) {
        return replyFaultMessage(ReplyFault::MeterRefused, slot);
    }

    // Runs the read as the command line does; the frames it sent.
    std::vector<std::string> run(std::string_view name, std::vector<std::string> args) {
        const ReadSpec* read = findRead(name);
        EXPECT_EQ(read->checkArgs(args), "");
        const std::size_t before = framesSeen().size();
        read->run(runner, args, report, &body);
        const std::vector<std::string> all = framesSeen();
        return {all.begin() + std::ptrdiff_t(before), all.end()};
    }
    std::vector<std::string> framesSeen() {
        std::lock_guard lock(meters.line->mutex);
        const auto& seen = meters.simulator->framesSeen();
        return {seen.begin(), seen.end()};
    }
    std::vector<std::string> framesOf(const Sent& sent) {
        std::vector<std::string> frames;
        for (const auto& [slot, params] : sent) {
            frames.push_back(buildRequestFrame(slot, params, meters.settings.link()).value());
        }
        return frames;
    }

    const Field& field(const std::string& key) {
        for (const Field& f : report.fields) {
            if (f.key == key) {
                return f;
            }
        }
        ADD_FAILURE() << "no field " << key;
        static const Field none;
        return none;
    }
    // Missing, with `failure` for the reason.
    void expectMissing(const std::string& key, const std::string& failure) {
        EXPECT_TRUE(std::holds_alternative<std::monostate>(field(key).value)) << key;
        EXPECT_EQ(field(key).failure, failure) << key;
    }
    // There, of type T, with no failure.
    template <typename T>
    T valueOf(const std::string& key) {
        const Field& f = field(key);
        EXPECT_TRUE(std::holds_alternative<T>(f.value)) << key;
        EXPECT_EQ(f.failure, "") << key;
        return std::holds_alternative<T>(f.value) ? std::get<T>(f.value) : T{};
    }

    // The file body saved as the window saves it, then its lines as the window's reader
    // gives them after the header.
    std::function<std::optional<std::string>()> savedAndReopened() {
        const QString path = dir.filePath("data");
        EXPECT_TRUE(saveDataFile(path, meters.settings, QString::fromStdString(body)));
        reader = std::make_unique<DataFileReader>(path);
        EXPECT_TRUE(reader->ok());
        reader->skipHeader();
        return [this] { return reader->nextLine(); };
    }

    testing::SimulatedMeters meters;
    RecordingRunner runner{meters.executor, [this] { return meters.executor.lastFailure(); }};
    MeterReport report;
    std::string body;
    QTemporaryDir dir;
    std::unique_ptr<DataFileReader> reader;
};

constexpr std::array<const char*, 7> kTotalKeys = {
    "halfPeak", "offPeak", "peak", "penalty", "halfPeakExcess", "offPeakExcess", "peakExcess"};
constexpr std::array<sim::EnergyRegister, 7> kTotalRegisters = {
    sim::EnergyRegister::HalfPeak,       sim::EnergyRegister::OffPeak,
    sim::EnergyRegister::Peak,           sim::EnergyRegister::Penalty,
    sim::EnergyRegister::HalfPeakExcess, sim::EnergyRegister::OffPeakExcess,
    sim::EnergyRegister::PeakExcess};

TEST_F(TableReadsTest, ReadingsGiveTheTotalsAndTheTwoMonthsOfThePage) {
    setMeterClock(15, 3, 2025, 3);
    struct Case {
        std::vector<std::string> args;
        int pcMonth, selected, following;
        int refusedReply;
        std::string missingKey;
    };
    for (const Case& c : std::vector<Case>{{{"3"}, 7, 3, 4, 9, "months.4.offPeak"},
                                           {{}, 12, 12, 1, 1, "totals.halfPeak"}}) {
        SCOPED_TRACE(c.missingKey);
        FixedClock pc({2025, c.pcMonth, 10});
        report = {};
        runner.clear();
        refuseReply(c.refusedReply);
        const auto totals = [&] { return withMeter([](auto& m) { return m.totals(); }); };
        const sim::EnergyTotals before = totals();
        const std::vector<std::string> sent = run("readings", c.args);
        const sim::EnergyTotals after = totals();

        Sent expected = {{42, ""}, {44, ""}, {46, ""}, {48, ""}, {43, ""}, {45, ""}, {47, ""}};
        for (const int month : {c.following, c.selected}) {
            for (std::size_t slot = 59; slot <= 62; ++slot) {
                expected.emplace_back(slot, format("%02d", month, 0));
            }
        }
        EXPECT_EQ(sent, framesOf(expected));

        ReadingsTables loaded;
        EXPECT_TRUE(loaded.loadFileLines(savedAndReopened()));
        for (std::size_t r = 0; r < kTotalKeys.size(); ++r) {
            const std::string key = std::string("totals.") + kTotalKeys[r];
            if (key == c.missingKey) {
                expectMissing(key, refused(expected[r].first));
                EXPECT_EQ(loaded.totals[r], ReadingsTables::kNoValue);
                continue;
            }
            const double value = valueOf<double>(key);
            EXPECT_GE(value, sim::at(before, kTotalRegisters[r]) - 0.001) << key;
            EXPECT_LE(value, sim::at(after, kTotalRegisters[r]) + 0.001) << key;
            EXPECT_NEAR(loaded.totals[r], value, value * 1e-5) << key;
        }
        for (const int month : {c.selected, c.following}) {
            const auto held = withMeter([&](auto& m) { return m.monthReadings(month); });
            for (std::size_t r = 0; r < 4; ++r) {
                const std::string key = "months." + std::to_string(month) + '.' + kTotalKeys[r];
                const double file = loaded.months[r][std::size_t(month - 1)];
                if (key == c.missingKey) {
                    expectMissing(key, refused(59 + r));
                    EXPECT_EQ(file, ReadingsTables::kNoValue);
                    continue;
                }
                const double value = valueOf<double>(key);
                EXPECT_NEAR(value, held[r], 0.0006) << key;
                EXPECT_NEAR(file, value, value * 1e-5) << key;
            }
        }
        EXPECT_EQ(report.fields.size(), 15u);
        EXPECT_FALSE(report.complete);
    }
}

// 15 June read with the meter's clock at noon of the day after, the next day's first
// reading refused; then at noon of the day itself, the afternoon still to come.
TEST_F(TableReadsTest, GraphGivesThePowersOfTheDayAndMissesWhatHasNoReadings) {
    struct Case {
        int meterDay, refusedReply;
        int firstMissing;  // the half-hours from here on have no power
        std::string failure;
    };
    const std::string refusal = refused(HalfHourGraph::kReadPointCommand);
    for (const Case& c : std::vector<Case>{{16, 49, 47, refusal}, {15, 0, 24, ""}}) {
        SCOPED_TRACE(c.meterDay);
        report = {};
        runner.clear();
        setMeterClock(c.meterDay, 6, 2025, 12);
        if (c.refusedReply > 0) {
            refuseReply(c.refusedReply);
        }
        const std::vector<std::string> sent = run("graph", {"15/06"});
        Sent expected;
        for (int k = 0; k <= 48; ++k) {
            expected.emplace_back(HalfHourGraph::kReadPointCommand,
                                  k < 48 ? format("%02d%02d%02d", 6, 15, k) : "061600");
        }
        EXPECT_EQ(sent, framesOf(expected));
        EXPECT_EQ(valueOf<std::string>("date"), "15/06");
        EXPECT_EQ(report.complete, c.failure.empty());

        HalfHourGraph loaded;
        const HalfHourGraph::LoadOutcome outcome = loaded.loadFileLines(savedAndReopened());
        EXPECT_EQ(outcome.result, HalfHourGraph::LoadResult::Complete);
        EXPECT_EQ(std::pair(loaded.day, loaded.month), std::pair(15, 6));
        // The counter has four digits of 10 Wh: it turns over at 100 kWh.
        const auto counter = [&](int k) {
            return withMeter([&](auto& m) { return m.graphPoint(6, 15, k).value; });
        };
        for (int k = 0; k < 48; ++k) {
            const std::string key = "halfHours." + format("%02d:%02d", k / 2, k % 2 * 30);
            // The page's flag: the afternoon to come is filled in as complete.
            const bool complete = valueOf<bool>(key + ".complete");
            EXPECT_EQ(complete, k < c.firstMissing || c.failure.empty()) << key;
            EXPECT_EQ(loaded.shown[std::size_t(k)], complete ? 1 : 0) << key;
            if (k >= c.firstMissing) {
                expectMissing(key + ".power", c.failure);
                EXPECT_EQ(loaded.power[std::size_t(k)], 0) << key;
                continue;
            }
            const double power = valueOf<double>(key + ".power");
            EXPECT_NEAR(power, 2 * std::fmod(counter(k + 1) - counter(k) + 100, 100), 1e-9) << key;
            EXPECT_NEAR(loaded.power[std::size_t(k)], power, power * 1e-5) << key;
        }
    }
    EXPECT_EQ(field("halfHours.07:30.power").text,
              formatDouble(valueOf<double>("halfHours.07:30.power")) + " КВт*ч");
}

// A day of May whose numbers tell the day types apart, every value in range.
sim::DaySchedule sample(int d) {
    return {{d, 5}, {20 + d % 4, 50 + d}, {{{5, d, 10 * d, d % 2}, {12, d, 255, 1}, {23, d + 5}}}};
}

TEST_F(TableReadsTest, ScheduleGivesEveryDayTypeOfTheMonth) {
    withMeter([](sim::MeterModel& m) {
        for (int d = 0; d < 8; ++d) {
            m.settings().schedule[4][std::size_t(d)] = sample(d);
        }
    });
    refuseReply(8);  // Monday's peak 1
    const std::vector<std::string> sent = run("schedule", {"5"});
    Sent expected;
    for (int d = 0; d < 8; ++d) {
        const std::string day = std::to_string(d);
        expected.insert(expected.end(), {{TariffSchedule::kReadHalfPeakStart, day + "05"},
                                         {TariffSchedule::kReadOffPeakStart, day + "05"},
                                         {TariffSchedule::kReadPeak, day + "105"},
                                         {TariffSchedule::kReadPeak, day + "205"},
                                         {TariffSchedule::kReadPeak, day + "305"}});
    }
    EXPECT_EQ(sent, framesOf(expected));

    TariffSchedule loaded;
    EXPECT_EQ(loaded.loadFileLines(savedAndReopened()), TariffSchedule::LoadResult::Complete);
    const std::array<std::string, 8> days = {"sunday",   "monday", "tuesday",  "wednesday",
                                             "thursday", "friday", "saturday", "holiday"};
    for (int d = 0; d < 8; ++d) {
        const std::string day = "days." + days[std::size_t(d)] + '.';
        const sim::DaySchedule held = sample(d);
        const auto time = [](int h, int m) { return format("%02d:%02d", h, m); };
        EXPECT_EQ(valueOf<std::string>(day + "halfPeakStart"),
                  time(held.halfPeakStart.hours, held.halfPeakStart.minutes));
        EXPECT_EQ(valueOf<std::string>(day + "offPeakStart"),
                  time(held.offPeakStart.hours, held.offPeakStart.minutes));
        DayTariffs expectedDay{{held.halfPeakStart.hours, held.halfPeakStart.minutes},
                               {held.offPeakStart.hours, held.offPeakStart.minutes}};
        for (std::size_t p = 0; p < 3; ++p) {
            const std::string peak = day + "peak" + std::to_string(p + 1) + '.';
            const PeakInterval& h = held.peaks[p];
            if (d == 1 && p == 0) {
                for (const char* part : {"start", "durationMin", "peak"}) {
                    expectMissing(peak + part, refused(TariffSchedule::kReadPeak));
                }
                continue;
            }
            EXPECT_EQ(valueOf<std::string>(peak + "start"), time(h.hours, h.minutes));
            EXPECT_EQ(valueOf<long long>(peak + "durationMin"), h.durationMin);
            EXPECT_EQ(valueOf<bool>(peak + "peak"), h.isPeak != 0);
            expectedDay.peaks[p] = {h.hours, h.minutes, h.durationMin, h.isPeak};
        }
        EXPECT_EQ(loaded.at(4, d), expectedDay) << d;
        EXPECT_EQ(loaded.at(3, d), DayTariffs{}) << d;
    }
    EXPECT_EQ(report.fields.size(), 8u * 11);
    EXPECT_FALSE(report.complete);
}

TEST_F(TableReadsTest, HolidaysGiveDatesEmptyEntriesAndTheRefusedOneMissing) {
    withMeter([](sim::MeterModel& m) {
        auto& held = m.settings().holidays;
        held = {{{8, 3, 0}, {29, 2, 1}, {5, 5, 0}}};
        held[15] = {31, 12, 0};
    });
    refuseReply(3);
    const std::vector<std::string> sent = run("holidays", {});
    Sent expected;
    for (int i = 1; i <= 16; ++i) {
        expected.emplace_back(HolidayTable::kReadHoliday, format("%02d", i, 0));
    }
    EXPECT_EQ(sent, framesOf(expected));

    HolidayTable loaded;
    EXPECT_EQ(loaded.loadFileLines(savedAndReopened()), HolidayTable::LoadResult::Complete);
    const std::map<int, HolidayDate> dates = {{1, {8, 3}}, {2, {29, 2}}, {16, {31, 12}}};
    for (int i = 1; i <= 16; ++i) {
        const std::string key = "holidays." + std::to_string(i);
        const HolidayDate date = dates.contains(i) ? dates.at(i) : HolidayDate{};
        if (i == 3) {
            expectMissing(key, refused(HolidayTable::kReadHoliday));
        } else {
            EXPECT_EQ(valueOf<std::string>(key),
                      date.empty() ? "" : format("%02d/%02d", date.day, date.month));
        }
        EXPECT_EQ(loaded.at(i - 1), date) << key;
    }
    EXPECT_EQ(field("holidays.2").text, "29 февраль");
    EXPECT_FALSE(report.complete);
}

TEST(TableReadArgs, OnlyWhatThePageTakes) {
    // clang-format off
    for (const auto& [name, args, complaint] :
         std::vector<std::tuple<const char*, std::vector<std::string>, const char*>>{
             {"readings", {}, ""}, {"readings", {"12"}, ""}, {"readings", {"03"}, ""},
             {"readings", {"13"}, "MONTH"}, {"readings", {"0"}, "MONTH"}, {"readings", {"-1"}, "MONTH"},
             {"readings", {"3x"}, "MONTH"}, {"readings", {"3", "4"}, "MONTH"},
             {"graph", {"29/02"}, ""}, {"graph", {"1.12"}, ""},
             {"graph", {}, "DAY/MONTH"}, {"graph", {"31/04"}, "DAY/MONTH"}, {"graph", {"15"}, "DAY/MONTH"},
             {"graph", {"15/13"}, "DAY/MONTH"}, {"graph", {"15/03", "16/03"}, "DAY/MONTH"},
             {"schedule", {"1"}, ""}, {"schedule", {}, "MONTH"}, {"schedule", {"13"}, "MONTH"},
             {"schedule", {"5", "6"}, "MONTH"},
             {"holidays", {}, ""}, {"holidays", {"1"}, "no arguments"}}) {
        // clang-format on
        const std::string message = findRead(name)->checkArgs(args);
        const std::string words = args.empty() ? "" : args[0];
        if (*complaint == '\0') {
            EXPECT_EQ(message, "") << name << " " << words;
        } else {
            EXPECT_NE(message.find(complaint), std::string::npos)
                << name << " " << words << ": " << message;
        }
    }
}

}  // namespace
}  // namespace quillet::cli
