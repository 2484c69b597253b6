#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "SimLine.h"
#include "serial/ModemLink.h"
#include "serial/PseudoTerminal.h"

namespace quillet {
namespace {

using namespace std::chrono_literals;
using testing::SimLine;

// The modem's pauses, five times shorter; the simulated modem's guard time matches.
void shortWait(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration / 5);
}

sim::SimulatorOptions withModem(std::deque<sim::DialOutcome> outcomes = {sim::DialOutcome::Connect},
                                bool echo = false) {
    sim::SimulatorOptions options;
    sim::ModemOptions modem;
    modem.echo = echo;
    modem.dialOutcomes = std::move(outcomes);
    modem.dialTime = 150ms;
    modem.guardTime = 120ms;
    options.modem = modem;
    return options;
}

// The AT lines the port sent, in order (records tagged 0xFF that came from the port).
std::vector<std::string> linesSent(const SerialPort& port) {
    const std::vector<std::uint8_t> log = port.log().snapshot().inOrder();
    std::vector<std::string> records;
    for (std::size_t i = 0; i + 1 < log.size();) {
        if (log[i] != 0x00 || log[i + 1] != 0xFF) {
            ++i;
            continue;
        }
        std::size_t end = i + 2;
        while (end + 1 < log.size() && !(log[end] == 0x00 && log[end + 1] == 0xFF)) {
            ++end;
        }
        if (end + 1 >= log.size()) {
            end = log.size();
        }
        records.emplace_back(log.begin() + static_cast<std::ptrdiff_t>(i + 2),
                             log.begin() + static_cast<std::ptrdiff_t>(end));
        i = end;
    }
    // Requests and replies alternate; replies follow each request that awaited one.
    std::vector<std::string> sent;
    for (std::size_t i = 0; i < records.size(); i += 2) {
        sent.push_back(records[i]);
    }
    return sent;
}

TEST(ModemLink, AnswersAreSearchedInTableOrder) {
    struct Row {
        std::string reply;
        ModemResult result;
    };
    for (const Row& r :
         {Row{"\r\nNO CARRIER\r\n", ModemResult::NoCarrier},
          Row{"\r\nOK CONNECT\r\n", ModemResult::Ok},
          Row{"\r\nCONNECT 9600\r\n", ModemResult::Connect}, Row{"\r\nRING\r\n", ModemResult::Ring},
          Row{"ATZ\r\nOK\r\n", ModemResult::Unknown}}) {
        PseudoTerminal far;
        PortMap ports;
        ports.setDevice(0, far.terminalPath());
        SerialPort port(ports);
        port.configure(0, kDefaultBaudIndex, 500);
        std::thread modem([&] {
            far.read(4, 1s);
            far.write(r.reply);
        });
        ModemLink link(port, shortWait);
        EXPECT_EQ(link.modemCommand("ATZ\r"), r.result) << r.reply;
        modem.join();
    }
}

TEST(ModemLink, InitWithEchoOnIsAnUnknownAnswer) {
    SimLine line(withModem({sim::DialOutcome::Connect}, /*echo=*/true));
    ModemLink link(*line.port, shortWait);
    EXPECT_EQ(link.modemInit("AT&F1&B1M3E0Q0&D0"), ModemResult::Unknown);
    // The init string switched echo off.
    EXPECT_EQ(link.modemInit("AT&F1&B1M3E0Q0&D0"), ModemResult::Ok);
    EXPECT_EQ(linesSent(*line.port), (std::vector<std::string>{"ATH\r\n", "AT&F1&B1M3E0Q0&D0\r\n",
                                                               "AT&F1&B1M3E0Q0&D0\r\n"}));
}

TEST(ModemLink, DialOutcomes) {
    struct Row {
        sim::DialOutcome outcome;
        ModemResult result;
        int carrier;
    };
    for (const Row& r : {Row{sim::DialOutcome::Connect, ModemResult::Connect, 1},
                         Row{sim::DialOutcome::Busy, ModemResult::Busy, 2},
                         Row{sim::DialOutcome::NoAnswer, ModemResult::NoAnswer, 2}}) {
        SimLine line(withModem({r.outcome}));
        ModemLink link(*line.port, shortWait);
        EXPECT_EQ(link.modemDial("ATDP123"), r.result);
        EXPECT_EQ(link.carrierState(), r.carrier);
    }
}

TEST(ModemLink, NoDialToneIsTriedThreeTimes) {
    SimLine line(withModem({sim::DialOutcome::NoDialTone}));
    ASSERT_EQ(line.port->open(), 0);  // open with the carrier off: no hang-up first
    ModemLink link(*line.port, shortWait);
    EXPECT_EQ(link.modemDial("ATDP123"), ModemResult::NoDialTone);
    EXPECT_EQ(linesSent(*line.port),
              (std::vector<std::string>{"ATDP123\r\n", "ATH\r\n", "ATDP123\r\n", "ATH\r\n",
                                        "ATDP123\r\n", "ATH\r\n"}));
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
    EXPECT_EQ(linesSent(*line.port), (std::vector<std::string>{"+++", "ATH\r\n"}));
    EXPECT_EQ(link.carrierState(), 2);

    line.port->clearLog();
    EXPECT_EQ(link.modemHangUp(), ModemResult::Ok);
    EXPECT_EQ(linesSent(*line.port), (std::vector<std::string>{"ATH\r\n"}));
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
