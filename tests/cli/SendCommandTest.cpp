#include <gtest/gtest.h>

#include "cli/SendCommand.h"
#include "protocol/CommandTable.h"
#include "protocol/RecordFields.h"
#include "sim/Faults.h"
#include "tests/meter/SimulatedMeters.h"

namespace quillet::cli {
namespace {

// The texts of a record's values, to compare records.
std::vector<std::string> texts(const LayoutRecord& record) {
    std::vector<std::string> out;
    visitFields(record,
                [&](std::string_view, const FieldValue& v) { out.push_back(fieldText(v)); });
    return out;
}

struct SendParseCase {
    std::vector<std::string> words;
    std::size_t index = 0;  // when the words make a request
    LayoutRecord params{};  // when they do
    std::string message{};  // the start of the message when they do not
};

class SendParse : public ::testing::TestWithParam<SendParseCase> {};

TEST_P(SendParse, GivesTheRequestOrSaysWhatTheWordsLack) {
    const SendParseCase& c = GetParam();
    const auto parsed = parseSend(c.words);
    if (c.message.empty()) {
        ASSERT_TRUE(std::holds_alternative<SendRequest>(parsed)) << std::get<std::string>(parsed);
        const auto& request = std::get<SendRequest>(parsed);
        EXPECT_EQ(request.index, c.index);
        EXPECT_EQ(request.params.index(), c.params.index());
        EXPECT_EQ(texts(request.params), texts(c.params));
    } else {
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
        EXPECT_EQ(std::get<std::string>(parsed).substr(0, c.message.size()), c.message);
    }
}

const std::string kGraph = std::string(commandName(74));

// clang-format off
INSTANTIATE_TEST_SUITE_P(SendCommand, SendParse, ::testing::Values(
    SendParseCase{{"74", "3", "15", "10"}, 74, GraphPointQuery{3, 15, 10}},
    SendParseCase{{"51"}, 51, std::monostate{}},
    SendParseCase{{"10", "1", "0", "1", "0", "0", "0", "0", "1"}, 10, DisplayModes{{1, 0, 1, 0, 0, 0, 0, 1}}},
    SendParseCase{{}, 0, {}, "send needs the index of a command: send INDEX [PARAMS]"},
    SendParseCase{{"x"}, 0, {}, "send: \"x\" is not a command index"},
    SendParseCase{{"-1"}, 0, {}, "send: \"-1\" is not a command index"},
    SendParseCase{{"142"}, 0, {}, "send: command 142 is outside the command table (0..141)"},
    SendParseCase{{"99999999999999999999999"}, 0, {}, "send: command 99999999999999999999999 is outside"},
    SendParseCase{{"14"}, 0, {}, "send: command 14 is an empty slot of the command table"},
    SendParseCase{{"74", "3", "15"}, 0, {},
                  "send: takes 3 values, got 2; command 74 (" + kGraph + ") takes: month day halfHour"},
    SendParseCase{{"74", "3", "15", "4294967306"}, 0, {},
                  "send: halfHour: \"4294967306\" is outside -2147483648..2147483647; command 74"},
    SendParseCase{{"51", "1"}, 0, {}, "send: takes no values, got 1; command 51 ("}));
// clang-format on

using testing::SimulatedMeters;

struct SendRun {
    SimulatedMeters line;
    RecordingRunner runner{line.executor, [this] { return line.executor.lastFailure(); }};
    MeterReport report;

    void send(std::vector<std::string> words) {
        runSend(runner, std::get<SendRequest>(parseSend(words)), report);
    }
};

struct ReadCase {
    const char* name;
    std::vector<std::string> (*words)(sim::MeterModel& meter);
    LayoutRecord (*state)(sim::MeterModel& meter);  // what the reply must show
};

class SendRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SendRead, ReportsTheCommandAndEachValueOfTheDecodedReply) {
    SendRun run;
    const std::vector<std::string> words = GetParam().words(run.line.meter());
    run.send(words);
    const std::size_t index = std::stoul(words.front());
    std::vector<std::pair<std::string, std::string>> expected{
        {"command", words.front() + " " + std::string(commandName(index))}};
    visitFields(GetParam().state(run.line.meter()),
                [&](std::string_view name, const FieldValue& v) {
                    expected.emplace_back("reply." + std::string(name), fieldText(v));
                });
    std::vector<std::pair<std::string, std::string>> seen;
    for (const Field& f : run.report.fields) {
        seen.emplace_back(f.key, f.text);
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(run.report.fields[0].value, Value(static_cast<long long>(index)));
    EXPECT_TRUE(run.report.complete);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(SendCommand, SendRead, ::testing::Values(
    ReadCase{"SerialNumber",
             [](sim::MeterModel&) { return std::vector<std::string>{"51"}; },
             [](sim::MeterModel& m) -> LayoutRecord {
                 return SerialNumber{static_cast<std::uint32_t>(m.serialNumber()),
                                     static_cast<std::int32_t>(m.serialNumber() >> 32)};
             }},
    // Midnight of the meter's today has passed, so the meter holds the point.
    ReadCase{"GraphPoint",
             [](sim::MeterModel& m) {
                 const auto today = m.clock();
                 return std::vector<std::string>{"74", std::to_string(today.month),
                                                 std::to_string(today.day), "0"};
             },
             [](sim::MeterModel& m) -> LayoutRecord {
                 return m.graphPoint(m.clock().month, m.clock().day, 0);
             }}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST(SendCommand, ReportsACommandWithoutReplyAsSentAndAnAcknowledgementAsSuch) {
    SendRun run;
    run.send({"6", "0"});  // to every meter, no reply
    run.send({"67", "1"});
    EXPECT_FALSE(run.line.meter().settings().summerTime);
    EXPECT_TRUE(run.line.meter().settings().penaltyTariff);
    ASSERT_EQ(run.report.fields.size(), 4u);
    EXPECT_EQ(run.report.fields[1].value, Value(std::string("sent")));
    EXPECT_EQ(run.report.fields[3].value, Value(std::string("acknowledged")));
    EXPECT_TRUE(run.report.complete);
}

TEST(SendCommand, ReportsAFailedReplyAsMissingWithTheMessage) {
    SendRun run;
    run.line.simulator->faults().script({sim::Fault::Refusal});
    run.send({"51"});
    ASSERT_EQ(run.report.fields.size(), 2u);
    const Field& reply = run.report.fields[1];
    EXPECT_EQ(reply.key, "reply");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(reply.value));
    EXPECT_NE(reply.failure.find("Счетчик ответил отказом"), std::string::npos) << reply.failure;
    EXPECT_NE(reply.failure.find(commandName(51)), std::string::npos) << reply.failure;
    EXPECT_FALSE(run.report.complete);
}

}  // namespace
}  // namespace quillet::cli
