// The port against the simulator, through the simulated line device and through a
// pseudo-terminal: replies, every injected fault, speed mismatches, lost lines, and the
// modem dialogue.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "protocol/Frame.h"
#include "protocol/ReplyCheck.h"
#include "serial/ModemLink.h"
#include "serial/PseudoTerminal.h"
#include "serial/SerialPort.h"
#include "serial/SimulatedLineDevice.h"
#include "sim/LineSimulator.h"
#include "sim/PtyServer.h"

namespace quillet {
namespace {

using namespace std::chrono_literals;

enum class Transport { SimulatedLine, PseudoTerminal };

const auto kTransports = ::testing::Values(Transport::SimulatedLine, Transport::PseudoTerminal);

std::string transportName(Transport transport) {
    return transport == Transport::SimulatedLine ? "SimulatedLine" : "PseudoTerminal";
}

// A port on COM1 wired to the simulator: in process through the simulated line device,
// or through a pseudo-terminal served by the simulator and opened through termios.
class SimLine {
public:
    explicit SimLine(sim::SimulatorOptions options = {}, int timeoutMs = 500,
                     Transport transport = Transport::SimulatedLine)
        : simulator(std::make_shared<sim::LineSimulator>(std::move(options))),
          line(std::make_shared<SharedLine>(simulator)) {
        PortMap ports;
        ports.setDevice(0, kSimulatedDeviceName);
        if (transport == Transport::PseudoTerminal) {
            server = std::make_unique<sim::PtyServer>(line);
            ports.setDevice(0, server->terminalPath());
            server->start();
        }
        port = std::make_unique<SerialPort>(ports, makeSimulatedLineFactory(line));
        port->configure(0, kDefaultBaudIndex, timeoutMs);
    }
    // Runs `change` on the simulator while nobody else touches it.
    template <typename Change>
    void withSimulator(Change change) {
        std::lock_guard lock(line->mutex);
        change(*simulator);
    }

    std::shared_ptr<sim::LineSimulator> simulator;
    std::shared_ptr<SharedLine> line;
    std::unique_ptr<sim::PtyServer> server;  // outlives the port that uses its terminal
    std::unique_ptr<SerialPort> port;
};

// --- Exchanges ---------------------------------------------------------------------------

struct Outcome {
    PortResult port;
    ReplyFault reply;  // looked at only when the port result is Ok
};

// Reads the meter's serial number (command 51) as the program does.
Outcome readSerial(SerialPort& port) {
    constexpr std::size_t kReadSerial = 51;
    const LinkSettings link{"Q7K2M", "Q7K2M", 0, '0', 0};
    std::array<char, kReplyCapacity> reply{};
    const PortResult result =
        port.transact(kReadSerial, *buildRequestFrame(kReadSerial, "", link), reply, kReplyStart,
                      static_cast<std::uint8_t>(awaitedEndChar(kReadSerial, link)));
    LayoutRecord record;
    return {result, result == PortResult::Ok ? checkReply(kReadSerial, reply.data(), link, &record)
                                             : ReplyFault::None};
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
    EXPECT_EQ(outcome.port, row.port);
    if (row.port == PortResult::Ok) {
        EXPECT_EQ(outcome.reply, row.reply);
    }
    // Whatever the fault left on the line, the next exchange is clean.
    std::this_thread::sleep_for(row.fault == sim::Fault::DelayPastTimeout ? 500ms : 0ms);
    const Outcome next = readSerial(*line.port);
    EXPECT_EQ(next.port, PortResult::Ok);
    EXPECT_EQ(next.reply, ReplyFault::None);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Faults, FaultTest, ::testing::Combine(kTransports, ::testing::Values(
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
        std::string name = transportName(std::get<0>(test.param)) + "_" +
                           std::string(sim::faultName(std::get<1>(test.param).fault));
        std::ranges::replace(name, '-', '_');
        return name;
    });
// clang-format on

class TransportTest : public ::testing::TestWithParam<Transport> {};

TEST_P(TransportTest, WrongSpeedGivesGarbageUntilThePortFollows) {
    SimLine line({}, 300, GetParam());
    line.port->configure(0, baudIndexOf(4800), 300);
    EXPECT_EQ(readSerial(*line.port).port, PortResult::NoReplyStart);
    line.withSimulator([](sim::LineSimulator& s) { s.devices().setLineBaud(4800); });
    EXPECT_EQ(readSerial(*line.port).port, PortResult::Ok);
}

INSTANTIATE_TEST_SUITE_P(Transports, TransportTest, kTransports,
                         [](const auto& test) { return transportName(test.param); });

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
    SerialPort second(line.port->portMap(), makeSimulatedLineFactory(line.line));
    EXPECT_EQ(second.open(), 1);
    line.port->close();
    EXPECT_EQ(second.open(), 0);
}

// --- The modem dialogue -------------------------------------------------------------------

// The modem's pauses, five times shorter; the simulated modem's guard time matches.
void shortWait(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration / 5);
}

sim::SimulatorOptions withModem(sim::DialOutcome outcome = sim::DialOutcome::Connect,
                                bool echo = false) {
    sim::SimulatorOptions options;
    options.modem = sim::ModemOptions{};
    options.modem->echo = echo;
    options.modem->dialOutcomes = {outcome};
    options.modem->dialTime = 150ms;
    options.modem->guardTime = 120ms;
    return options;
}

using Lines = std::vector<std::string>;

// The AT lines the port sent, in order. Every modem record is tagged 0xFF; each line is
// followed by the record of its answer.
Lines linesSent(const SerialPort& port) {
    const std::vector<std::uint8_t> log = port.log().snapshot().inOrder();
    const std::string text(log.begin(), log.end());
    const std::string mark("\0\xFF", 2);
    Lines sent;
    bool line = true;
    for (std::size_t at = text.find(mark); at != std::string::npos; line = !line) {
        const std::size_t next = text.find(mark, at + 2);
        if (line) {
            sent.push_back(text.substr(at + 2, next == std::string::npos ? next : next - at - 2));
        }
        at = next;
    }
    return sent;
}

TEST(ModemLink, AnswersAreSearchedInTableOrder) {
    for (const auto& [reply, result] : {std::pair{"\r\nNO CARRIER\r\n", ModemResult::NoCarrier},
                                        {"\r\nOK CONNECT\r\n", ModemResult::Ok},
                                        {"\r\nCONNECT 9600\r\n", ModemResult::Connect},
                                        {"\r\nRING\r\n", ModemResult::Ring},
                                        {"ATZ\r\nOK\r\n", ModemResult::Unknown}}) {
        PseudoTerminal far;
        PortMap ports;
        ports.setDevice(0, far.terminalPath());
        SerialPort port(ports);
        port.configure(0, kDefaultBaudIndex, 500);
        std::thread modem([&] {
            far.read(4, 1s);
            far.write(reply);
        });
        EXPECT_EQ(ModemLink(port, shortWait).modemCommand("ATZ\r"), result) << reply;
        modem.join();
    }
}

TEST(ModemLink, InitWithEchoOnIsAnUnknownAnswer) {
    SimLine line(withModem(sim::DialOutcome::Connect, /*echo=*/true));
    ModemLink link(*line.port, shortWait);
    const std::string init = "AT&F1&B1M3E0Q0&D0";
    EXPECT_EQ(link.modemInit(init), ModemResult::Unknown);
    EXPECT_EQ(link.modemInit(init), ModemResult::Ok);  // the init string switched echo off
    EXPECT_EQ(linesSent(*line.port), (Lines{"ATH\r\n", init + "\r\n", init + "\r\n"}));
}

TEST(ModemLink, DialOutcomes) {
    using enum sim::DialOutcome;
    const std::string dial = "ATDP123\r\n";
    const std::string hangUp = "ATH\r\n";
    struct Row {
        sim::DialOutcome outcome;
        ModemResult result;
        int carrier;
        Lines lines;
    };
    // The closed port is opened and the modem hung up first; no dial tone is tried three times.
    for (const Row& r : {Row{Connect, ModemResult::Connect, 1, {hangUp, dial}},
                         Row{Busy, ModemResult::Busy, 2, {hangUp, dial}},
                         Row{NoAnswer, ModemResult::NoAnswer, 2, {hangUp, dial}},
                         Row{NoDialTone,
                             ModemResult::NoDialTone,
                             2,
                             {hangUp, dial, hangUp, dial, hangUp, dial, hangUp}}}) {
        SimLine line(withModem(r.outcome));
        ModemLink link(*line.port, shortWait);
        EXPECT_EQ(link.modemDial("ATDP123"), r.result);
        EXPECT_EQ(link.carrierState(), r.carrier);
        EXPECT_EQ(linesSent(*line.port), r.lines);
    }
}

TEST(ModemLink, HangUpEscapesOnlyWithTheCarrierOn) {
    SimLine line(withModem());
    ModemLink link(*line.port, shortWait);
    EXPECT_EQ(link.modemHangUp(), ModemResult::NoReply);  // closed: not even opened
    EXPECT_FALSE(line.port->isOpen());

    ASSERT_EQ(link.modemDial("ATDP123"), ModemResult::Connect);
    EXPECT_EQ(link.carrierState(), 1);
    line.port->clearLog();
    // Its result is not looked at: the LF that ends the escape's "OK" may come after the
    // hang-up line's purge and make its answer unreadable.
    link.modemHangUp();
    EXPECT_EQ(linesSent(*line.port), (Lines{"+++", "ATH\r\n"}));
    EXPECT_EQ(link.carrierState(), 2);

    line.port->clearLog();
    EXPECT_EQ(link.modemHangUp(), ModemResult::Ok);
    EXPECT_EQ(linesSent(*line.port), (Lines{"ATH\r\n"}));
}

TEST(ModemLink, SilentModemIsNoReply) {
    SimLine line({}, 200);  // no modem: nothing answers an AT line
    ModemLink link(*line.port, shortWait);
    EXPECT_EQ(link.modemInit("ATZ"), ModemResult::NoReply);
    EXPECT_EQ(link.modemCommandTimed("ATZ\r\n", 100), ModemResult::NoReply);
    EXPECT_EQ(line.port->replyTimeoutMs(), 200);  // restored after the timed line
}

TEST(ModemLink, Messages) {
    EXPECT_EQ(modemMessageText("Дозвон", ModemResult::Busy),
              "Дозвон\nМодем ответил: \"Номер занят\" (короткие гудки)");
    EXPECT_EQ(modemMessage(ModemResult::Unknown),
              "Неизвестный ответ модема (возможно включен режим эха)");
    EXPECT_EQ(modemMessage(ModemResult::NoReply), "Ошибка передачи данных (модем не отвечает)");
}

}  // namespace
}  // namespace quillet
