// The port against the simulator, through the simulated line device and through a
// pseudo-terminal: replies, every injected fault, speed mismatches, lost lines.

#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "SimLine.h"
#include "protocol/Frame.h"
#include "protocol/ReplyCheck.h"

namespace quillet {
namespace {

using namespace std::chrono_literals;
using testing::SimLine;
using testing::Transport;

constexpr std::size_t kReadSerial = 51;

LinkSettings meterLink() {
    LinkSettings link;
    link.groupPassword = link.privatePassword = "Q7K2M";
    link.address = 0;
    link.controllerAddress = '0';
    return link;
}

struct Outcome {
    PortResult port;
    ReplyFault reply;  // looked at only when the port result is Ok
};

Outcome readSerial(SerialPort& port, LayoutRecord* record = nullptr) {
    const LinkSettings link = meterLink();
    std::array<char, kReplyCapacity> reply{};
    const PortResult result =
        port.transact(kReadSerial, *buildRequestFrame(kReadSerial, "", link), reply, kReplyStart,
                      static_cast<std::uint8_t>(awaitedEndChar(kReadSerial, link)));
    LayoutRecord scratch;
    const ReplyFault fault = result == PortResult::Ok ? checkReply(kReadSerial, reply.data(), link,
                                                                   record ? record : &scratch)
                                                      : ReplyFault::None;
    return {result, fault};
}

struct FaultRow {
    sim::Fault fault;
    PortResult port;
    ReplyFault reply;
};

class FaultTest : public ::testing::TestWithParam<std::tuple<Transport, FaultRow>> {};

TEST_P(FaultTest, EachFaultEndsAsTheProgramExpects) {
    const auto [transport, row] = GetParam();
    sim::SimulatorOptions options;
    options.faults.delay = 800ms;
    SimLine line(options, 400, transport);
    line.withSimulator([&](sim::LineSimulator& s) { s.faults().script({row.fault}); });
    const Outcome outcome = readSerial(*line.port);
    EXPECT_EQ(outcome.port, row.port) << sim::faultName(row.fault);
    if (row.port == PortResult::Ok) {
        EXPECT_EQ(outcome.reply, row.reply) << sim::faultName(row.fault);
    }
    // Whatever the fault left on the line, the next exchange is clean.
    std::this_thread::sleep_for(row.fault == sim::Fault::DelayPastTimeout ? 500ms : 0ms);
    const Outcome next = readSerial(*line.port);
    EXPECT_EQ(next.port, PortResult::Ok);
    EXPECT_EQ(next.reply, ReplyFault::None);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    ::testing::Combine(
        ::testing::Values(Transport::SimulatedLine, Transport::PseudoTerminal),
        ::testing::Values(
            FaultRow{sim::Fault::None, PortResult::Ok, ReplyFault::None},
            FaultRow{sim::Fault::NoReply, PortResult::NoReplyStart, {}},
            FaultRow{sim::Fault::CutShort, PortResult::NoReplyEnd, {}},
            FaultRow{sim::Fault::BadChecksum, PortResult::Ok, ReplyFault::WrongMeterReply},
            FaultRow{sim::Fault::OtherAddress, PortResult::Ok, ReplyFault::WrongMeterReply},
            FaultRow{sim::Fault::Refusal, PortResult::Ok, ReplyFault::MeterRefused},
            FaultRow{sim::Fault::NoiseBeforeStart, PortResult::Ok, ReplyFault::None},
            FaultRow{sim::Fault::OverlongReply, PortResult::ReplyOverflow, {}},
            FaultRow{sim::Fault::NulByte, PortResult::Ok, ReplyFault::WrongMeterReply},
            FaultRow{sim::Fault::DelayPastTimeout, PortResult::NoReplyStart, {}})),
    [](const auto& test) {
        std::string name = testing::transportName(std::get<0>(test.param)) + "_" +
                           std::string(sim::faultName(std::get<1>(test.param).fault));
        for (char& c : name) {
            c = c == '-' ? '_' : c;
        }
        return name;
    });

class TransportTest : public ::testing::TestWithParam<Transport> {};

TEST_P(TransportTest, SerialNumberArrivesDecoded) {
    SimLine line({}, 500, GetParam());
    LayoutRecord record;
    const Outcome outcome = readSerial(*line.port, &record);
    ASSERT_EQ(outcome.port, PortResult::Ok);
    ASSERT_EQ(outcome.reply, ReplyFault::None);
    EXPECT_TRUE(std::holds_alternative<SerialNumber>(record));
}

TEST_P(TransportTest, WrongSpeedGivesGarbageUntilThePortFollows) {
    SimLine line({}, 300, GetParam());
    line.port->configure(0, baudIndexOf(4800), 300);
    EXPECT_EQ(readSerial(*line.port).port, PortResult::NoReplyStart);
    line.withSimulator([](sim::LineSimulator& s) { s.devices().setLineBaud(4800); });
    EXPECT_EQ(readSerial(*line.port).port, PortResult::Ok);
}

INSTANTIATE_TEST_SUITE_P(Transports, TransportTest,
                         ::testing::Values(Transport::SimulatedLine, Transport::PseudoTerminal),
                         [](const auto& test) { return testing::transportName(test.param); });

TEST(SimulatedLine, DrivesTheModemLinesAndReportsFramingErrors) {
    SimLine line({}, 300);
    ASSERT_EQ(line.port->open(), 0);
    std::this_thread::sleep_for(250ms);  // at least one refresh of the levels
    EXPECT_NE(line.port->flags.ctsOn.load(), 0);
    EXPECT_NE(line.port->flags.dsrOn.load(), 0);
    EXPECT_EQ(line.port->flags.dcdOn.load(), 0);

    line.port->configure(0, baudIndexOf(2400), 300);
    EXPECT_EQ(readSerial(*line.port).port, PortResult::NoReplyStart);
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(line.port->flags.errorSeen.load(), 1);
}

TEST(SimulatedLine, UnpluggedLineIsLostAndFoundAgain) {
    SimLine line({}, 300);
    ASSERT_EQ(readSerial(*line.port).port, PortResult::Ok);
    line.withSimulator([](sim::LineSimulator& s) { s.setConnected(false); });
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(line.port->flags.errorSeen.load(), 1);
    EXPECT_EQ(line.port->flags.ctsOn.load(), 0);
    EXPECT_EQ(readSerial(*line.port).port, PortResult::OpenFailed);

    line.withSimulator([](sim::LineSimulator& s) { s.setConnected(true); });
    EXPECT_EQ(readSerial(*line.port).port, PortResult::Ok);
}

TEST(SimulatedLine, OnlyOnePortHasTheLine) {
    SimLine line({}, 300);
    ASSERT_EQ(line.port->open(), 0);
    SerialPort second(SimLine::ports(), makeSimulatedLineFactory(line.line));
    EXPECT_EQ(second.open(), 1);
    line.port->close();
    EXPECT_EQ(second.open(), 0);
}

}  // namespace
}  // namespace quillet
