// The six value reads of the command line against the simulated meter: the values match
// the meter's state, the commands go out in the page's order, and a lost reply costs only
// its own values, which carry the system's message.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Reads.h"
#include "protocol/ReplyCheck.h"
#include "protocol/ValueText.h"
#include "serial/PortResult.h"
#include "sim/Faults.h"
#include "tests/meter/SimulatedMeters.h"

namespace quillet::cli {
namespace {

using F = sim::Fault;
using namespace std::string_literals;

struct Expected {
    std::string key;
    Value value;
    std::string text;
    // A clock value: its last digit runs on during the read.
    bool running = false;
};

struct ValuesCase {
    const char* read;
    std::vector<std::size_t> commands;  // in the page's order
    std::function<void(sim::MeterModel&)> set;
    std::function<std::vector<Expected>(sim::MeterModel&)> expected;
};

struct FailureCase {
    const char* read;
    std::vector<F> faults;  // of the replies in order
    std::size_t command;    // the one that fails
    std::string (*message)(std::size_t command);
    std::vector<std::string> lost;  // the keys it costs
};

std::string isoDateTime(const MeterDateTime& at) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", at.year, at.month, at.day,
                  at.hours, at.minutes, at.seconds);
    return text;
}

const std::vector<ValuesCase> kValueCases = {
    {"service",
     {33, 49, 51, 52, 53, 54, 35},
     [](sim::MeterModel& m) { m.settings().lastGroupExecuted = true; },
     [](sim::MeterModel& m) {
         const auto event = [&m](const char* key, sim::MeterEvent e) {
             const MeterDateTime at = m.dateTimeAt(m.eventTime(e));
             return Expected{key, isoDateTime(at),
                             formatEventTime(at.hours, at.minutes, at.seconds, at.weekday, at.day,
                                             at.month, at.year)};
         };
         char serial[16];
         std::snprintf(serial, sizeof serial, "%012llX",
                       static_cast<unsigned long long>(m.serialNumber()));
         return std::vector<Expected>{
             {"selfTest", true, "прибор исправен"},
             {"version", std::string(m.version()), std::string(m.version())},
             {"serial", std::string(serial), serial},
             event("coverOpened", sim::MeterEvent::CoverOpened),
             event("powerOn", sim::MeterEvent::PowerOn),
             event("powerOff", sim::MeterEvent::PowerOff),
             {"groupCommand", true, "успешно выполнена"}};
     }},
    {"clock",
     {36, 50},
     [](sim::MeterModel& m) {
         m.setDate(5, 3, 2024);
         m.setTime(9, 5, 1);
         m.settings().summerTime = false;
     },
     [](sim::MeterModel&) {
         return std::vector<Expected>{{"date", "2024-03-05"s, "5/03/2024"},
                                      {"time", "09:05:01"s, "9:05:01", true},
                                      {"summerTime", false, "Не учитывать"}};
     }},
    {"thresholds",
     {40, 41, 77},
     [](sim::MeterModel& m) {
         m.settings().powerThresholdKw = 4.1;
         m.settings().energyThresholdKwh = 1234;
         m.settings().transformationRatio = 15000;
     },
     [](sim::MeterModel& m) {
         const sim::MeterSettings& s = m.settings();
         return std::vector<Expected>{{"power", s.powerThresholdKw, "4.1"},
                                      {"energy", double(s.energyThresholdKwh), "1234"},
                                      {"ratio", s.transformationRatio, "15000"}};
     }},
    {"display",
     {56},
     [](sim::MeterModel& m) {
         m.settings().displayModes = {1, 1, 0, 0, 0, 0, 0, 1};
         m.settings().displayCycleSeconds = 42;
     },
     [](sim::MeterModel& m) {
         std::vector<Expected> modes;
         for (std::size_t i = 0; i < 8; ++i) {
             const bool on = m.settings().displayModes[i] != 0;
             modes.push_back({"modes." + std::to_string(i + 1), on, on ? "да" : "нет"});
         }
         modes.push_back({"cycleSeconds", 42LL, "42"});
         return modes;
     }},
    {"tariffs",
     {75, 66},
     [](sim::MeterModel& m) {
         m.settings().singleTariff = true;
         m.settings().penaltyTariff = false;
     },
     [](sim::MeterModel&) {
         return std::vector<Expected>{{"singleTariff", true, "да"},
                                      {"penaltyTariff", false, "нет"}};
     }},
    {"payment",
     {70, 71, 72, 73, 64},
     [](sim::MeterModel& m) {
         // Night: the paid rows do not shrink during the read (a credit of 0 cannot).
         m.setDate(15, 3, 2025);
         m.setTime(3, 0, 0);
         m.setPayment(sim::PaymentRow::HalfPeak, 15, 3, 2001, 12.5);
         m.setPayment(sim::PaymentRow::OffPeak, 0, 1, 2000, 7);
         m.setPayment(sim::PaymentRow::Peak, 28, 2, 2024, 1234567.8);
         m.setPayment(sim::PaymentRow::Credit, 1, 12, 2024, 0);
         m.settings().loadMode = 3;
     },
     [](sim::MeterModel& m) {
         const auto balance = [&m](sim::PaymentRow row) { return m.payment(row).balance; };
         return std::vector<Expected>{
             {"halfPeak.paid", true, "оплачено"},
             {"halfPeak.date", "2001-03-15"s, "15/03/2001"},
             {"halfPeak.balance", balance(sim::PaymentRow::HalfPeak), "12.5"},
             {"offPeak.paid", false, "неоплачено"},
             {"offPeak.date", {}, "неоплачено"},  // no payment: missing, yet nothing failed
             {"offPeak.balance", {}, "-"},
             {"peak.paid", true, "оплачено"},
             {"peak.date", "2024-02-28"s, "28/02/2024"},
             {"peak.balance", balance(sim::PaymentRow::Peak), "1234567.8"},
             {"credit.paid", true, "оплачено"},
             {"credit.date", "2024-12-01"s, "1/12/2024"},
             {"credit.balance", balance(sim::PaymentRow::Credit), "0"},
             {"loadMode", 3LL, "Контроль нагрузки"}};
     }},
};

void PrintTo(const ValuesCase& c, std::ostream* os) {
    *os << c.read;
}
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.read;
}

class ValueReads : public ::testing::Test {
protected:
    // The simulator's side of the line, while its delivery thread stays out.
    template <typename Do>
    auto withMeter(Do&& what) {
        std::lock_guard lock(meters.line->mutex);
        return what(meters.meter());
    }
    MeterReport run(const char* name) {
        MeterReport report;
        if (const ReadSpec* read = findRead(name)) {
            read->run(runner, {}, report, nullptr);
        } else {
            ADD_FAILURE() << "no read " << name;
        }
        return report;
    }
    std::vector<std::size_t> sent() const {
        std::vector<std::size_t> indices;
        for (const CommandOutcome& outcome : runner.outcomes()) {
            indices.push_back(outcome.index);
        }
        return indices;
    }

    testing::SimulatedMeters meters;
    RecordingRunner runner{meters.executor, [this] { return meters.executor.lastFailure(); }};
};

class ValueReadsOfState : public ValueReads, public ::testing::WithParamInterface<ValuesCase> {};

TEST_P(ValueReadsOfState, ValuesMatchTheMeterAndCommandsGoOutInThePageOrder) {
    const ValuesCase& c = GetParam();
    withMeter(c.set);
    const MeterReport report = run(c.read);
    EXPECT_EQ(sent(), c.commands);
    EXPECT_TRUE(report.complete);

    const std::vector<Expected> expected = withMeter(c.expected);
    ASSERT_EQ(report.fields.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Field& got = report.fields[i];
        const Expected& want = expected[i];
        SCOPED_TRACE(want.key);
        EXPECT_EQ(got.key, want.key);
        EXPECT_FALSE(got.label.empty());
        EXPECT_EQ(got.failure, "");
        if (want.running) {  // the last digit may have moved on
            const auto& text = std::get<std::string>(want.value);
            ASSERT_TRUE(std::holds_alternative<std::string>(got.value));
            EXPECT_EQ(std::get<std::string>(got.value).substr(0, text.size() - 1),
                      text.substr(0, text.size() - 1));
            EXPECT_EQ(got.text.substr(0, want.text.size() - 1),
                      want.text.substr(0, want.text.size() - 1));
            continue;
        }
        if (const auto* number = std::get_if<double>(&want.value)) {
            ASSERT_TRUE(std::holds_alternative<double>(got.value));
            EXPECT_DOUBLE_EQ(std::get<double>(got.value), *number);
        } else {
            EXPECT_EQ(got.value, want.value);
        }
        EXPECT_EQ(got.text, want.text);
    }
}

INSTANTIATE_TEST_SUITE_P(EachRead, ValueReadsOfState, ::testing::ValuesIn(kValueCases),
                         [](const auto& test) { return std::string(test.param.read); });

// The message the executor gives for a reply that never came, or for a refusal.
std::string noReply(std::size_t command) {
    return commandErrorMessage(portResultText(PortResult::NoReplyStart), command);
}
std::string refused(std::size_t command) {
    return replyFaultMessage(ReplyFault::MeterRefused, command);
}

const std::vector<FailureCase> kFailureCases = {
    {"service", {F::None, F::None, F::NoReply}, 51, noReply, {"serial"}},
    {"clock", {F::NoReply}, 36, noReply, {"date", "time"}},
    {"thresholds", {F::None, F::Refusal}, 41, refused, {"energy"}},
    {"display",
     {F::Refusal},
     56,
     refused,
     {"modes.1", "modes.2", "modes.3", "modes.4", "modes.5", "modes.6", "modes.7", "modes.8",
      "cycleSeconds"}},
    {"tariffs", {F::None, F::NoReply}, 66, noReply, {"penaltyTariff"}},
    {"payment",
     {F::None, F::None, F::Refusal},
     72,
     refused,
     {"peak.paid", "peak.date", "peak.balance"}},
};

class ValueReadsWithFailure : public ValueReads,
                              public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ValueReadsWithFailure, ALostReplyCostsItsOwnValuesWithTheSystemMessage) {
    const FailureCase& c = GetParam();
    // The state of the values case, where every value exists.
    const ValuesCase& page =
        *std::find_if(kValueCases.begin(), kValueCases.end(),
                      [&](const ValuesCase& v) { return std::string_view(v.read) == c.read; });
    withMeter([&](sim::MeterModel& meter) {
        page.set(meter);
        for (const F fault : c.faults) {
            meters.simulator->faults().script({fault});
        }
    });
    const MeterReport report = run(c.read);
    EXPECT_EQ(sent(), page.commands);  // the rest still goes out
    EXPECT_FALSE(report.complete);
    const std::vector<Expected> expected = withMeter(page.expected);
    ASSERT_EQ(report.fields.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Field& field = report.fields[i];
        SCOPED_TRACE(field.key);
        const bool lost = std::find(c.lost.begin(), c.lost.end(), field.key) != c.lost.end();
        // An unpaid row has no date even when nothing failed.
        const bool absent = std::holds_alternative<std::monostate>(expected[i].value);
        EXPECT_EQ(std::holds_alternative<std::monostate>(field.value), lost || absent);
        EXPECT_EQ(field.failure, lost ? c.message(c.command) : "");
    }
    EXPECT_FALSE(c.message(c.command).empty());
}

INSTANTIATE_TEST_SUITE_P(EachRead, ValueReadsWithFailure, ::testing::ValuesIn(kFailureCases),
                         [](const auto& test) { return std::string(test.param.read); });

TEST(ValueReadArguments, NoneIsTaken) {
    const std::vector<std::string> one = {"1"};
    for (const char* name : {"service", "clock", "thresholds", "display", "tariffs", "payment"}) {
        const ReadSpec* read = findRead(name);
        ASSERT_NE(read, nullptr) << name;
        EXPECT_EQ(read->checkArgs({}), "") << name;
        EXPECT_NE(read->checkArgs(one), "") << name;
    }
}

}  // namespace
}  // namespace quillet::cli
