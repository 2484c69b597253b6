#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "serial/ExchangeLog.h"
#include "serial/PortMap.h"
#include "serial/PortResult.h"
#include "serial/PortTables.h"
#include "serial/PseudoTerminal.h"
#include "serial/SerialPort.h"

namespace quillet {
namespace {

TEST(ExchangeLog, WrapsAtCapacityKeepingTheNewestBytesInOrder) {
    for (const std::size_t appended : {0, 16383, 16384, 16385, 3 * 16384 + 7}) {
        ExchangeLog log;
        std::vector<std::uint8_t> all;
        for (std::size_t i = 0; i < appended; ++i) {
            all.push_back(static_cast<std::uint8_t>(i * 7));
            log.append(all.back());
        }
        EXPECT_EQ(log.writePosition(), appended % 16384) << appended;
        EXPECT_EQ(log.wrapped(), appended >= 16384) << appended;
        const std::size_t kept = std::min<std::size_t>(appended, 16384);
        EXPECT_EQ(log.snapshot().inOrder(), std::vector(all.end() - kept, all.end())) << appended;

        log.clear();
        EXPECT_EQ(log.writePosition(), 0u);
        EXPECT_FALSE(log.wrapped());
        log.appendRecordStart(0xFF);
        EXPECT_EQ(log.snapshot().inOrder(), (std::vector<std::uint8_t>{0x00, 0xFF}));
    }
}

TEST(PortTables, BaudIndexOfFindsOnlyTableRates) {
    int index = 0;
    for (const int rate : {300, 600, 1200, 2400, 4800, 9600}) {
        EXPECT_EQ(baudIndexOf(rate), index++) << rate;
    }
    for (const int rate : {19200, 0, -300}) {
        EXPECT_EQ(baudIndexOf(rate), -1) << rate;
    }
}

TEST(PortTables, ResultTexts) {
    // Text 1 begins with a Latin O, as operators have always seen it.
    EXPECT_EQ(portResultText(1).substr(0, 1), "O");
    EXPECT_EQ(portResultText(PortResult::Ok), "OK");
    EXPECT_EQ(portResultText(7),
              "COM-порт занят предыдущей операцией обмена.\r\nПодождите и повторите операцию.");
    for (int code : {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1000}) {
        EXPECT_EQ(portResultText(code).empty(), code < 0 || code > 7) << code;
    }
}

TEST(PortMap, DefaultsAndOverrides) {
    PortMap ports;
    EXPECT_EQ(ports.device(0), "/dev/ttyS0");
    EXPECT_EQ(ports.device(3), "/dev/ttyS3");
    EXPECT_EQ(ports.device(4), "");
    ports.setDevice(1, "sim");
    ports.setDevice(7, "/dev/ttyUSB0");
    EXPECT_EQ(ports.device(1), "sim");
    ports.setDevice(1, "");
    EXPECT_EQ(ports.device(1), "/dev/ttyS1");
}

using namespace std::chrono_literals;

constexpr std::string_view kRequest = "#000Q7K2MS12\r";
const std::vector<std::uint8_t> kRequestBytes(kRequest.begin(), kRequest.end());
constexpr std::uint8_t kTag = 51;
constexpr int kTimeoutMs = 800;

// The log records of exchanges: each request under its tag, then its reply under 0xFF.
std::vector<std::uint8_t> records(std::initializer_list<std::string_view> replies) {
    std::vector<std::uint8_t> log;
    for (const std::string_view reply : replies) {
        log.insert(log.end(), {0x00, kTag});
        log.insert(log.end(), kRequest.begin(), kRequest.end());
        log.insert(log.end(), {0x00, 0xFF});
        log.insert(log.end(), reply.begin(), reply.end());
    }
    return log;
}

class SerialPortTest : public ::testing::Test {
protected:
    SerialPortTest() {
        PortMap ports;
        ports.setDevice(0, pty.terminalPath());
        port = std::make_unique<SerialPort>(ports);
        port->configure(0, kDefaultBaudIndex, kTimeoutMs);
    }
    ~SerialPortTest() override { join(); }

    // The far end of the line waits for the whole request, then plays its answer. A hang-up
    // discards what the terminal side has not read yet.
    void answer(std::string reply, bool hangUpAfter = false) {
        peer = std::thread([this, reply = std::move(reply), hangUpAfter] {
            request = pty.read(kRequest.size(), 2s);
            if (!reply.empty()) {
                pty.write(reply);
            }
            if (hangUpAfter) {
                std::this_thread::sleep_for(50ms);
                pty.close();
            }
        });
    }
    void join() {
        if (peer.joinable()) {
            peer.join();
        }
    }
    PortResult transact(std::size_t capacity = 100, std::uint8_t start = '~') {
        buffer.assign(capacity, '\x55');
        return port->transact(kTag, kRequest, buffer, start, '\r');
    }
    PortResult exchange(std::string_view reply, std::size_t capacity = 100,
                        std::uint8_t start = '~') {
        answer(std::string(reply));
        const PortResult result = transact(capacity, start);
        join();
        return result;
    }
    std::vector<std::uint8_t> logged() const { return port->log().snapshot().inOrder(); }

    PseudoTerminal pty;
    std::thread peer;
    std::vector<std::uint8_t> request;  // as the far end received it
    std::unique_ptr<SerialPort> port;
    std::vector<char> buffer;
};

struct ReplyCase {
    const char* name;
    std::string reply;
    std::size_t capacity;
    std::uint8_t start;
    PortResult result;
    std::string stored;  // the zero-terminated reply, when the result is Ok
};

class ReplyResultTest : public SerialPortTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReplyResultTest, EndsWithTheExpectedResult) {
    const ReplyCase& c = GetParam();
    EXPECT_EQ(exchange(c.reply, c.capacity, c.start), c.result);
    if (c.result == PortResult::Ok) {
        EXPECT_EQ(std::string(buffer.data()), c.stored);
    }
    EXPECT_EQ(request, kRequestBytes);
}

const std::string x100(100, 'x');
const std::string k98 = "~" + std::string(96, 'A') + "\r";
const std::string k99 = "~" + std::string(97, 'A') + "\r";
const std::string k253 = "~" + std::string(251, 'A') + "\r";

// Plain replies, silence, a missing end and noise before the start are met again through
// the simulator (FaultTest of the integration tests).
// clang-format off
INSTANTIATE_TEST_SUITE_P(Boundaries, ReplyResultTest, ::testing::Values(
    ReplyCase{"StartAsByte101", x100 + "~A\r", 100, '~', PortResult::Ok, "~A\r"},
    ReplyCase{"StartAsByte102", x100 + "x~A\r", 100, '~', PortResult::TooMuchBeforeStart, ""},
    ReplyCase{"LongNoise", std::string(300, 'x'), 100, '~', PortResult::TooMuchBeforeStart, ""},
    ReplyCase{"OnlyNoise", "xyz", 100, '~', PortResult::NoReplyStart, ""},
    ReplyCase{"Reply98AtCapacity100", k98, 100, '~', PortResult::Ok, k98},
    ReplyCase{"Reply99AtCapacity100", k99, 100, '~', PortResult::ReplyOverflow, ""},
    ReplyCase{"Reply253AtCapacity255", k253, 255, '~', PortResult::Ok, k253},
    ReplyCase{"AnyFirstByteStartsWithStart0", "\r\nOK\r\n", 255, 0, PortResult::Ok, "\r\nOK\r"},
    ReplyCase{"NulEndsTheReply", std::string("~A\0B\r", 5), 100, '~', PortResult::Ok, "~A"}),
    [](const auto& test) { return test.param.name; });
// clang-format on

TEST_F(SerialPortTest, LogHoldsTheReplyThroughItsLastAcceptedByte) {
    ASSERT_EQ(exchange(std::string("zz~A\0B\rtail", 11)), PortResult::Ok);
    ASSERT_EQ(exchange(x100 + "x~ABC\r"), PortResult::TooMuchBeforeStart);
    // Noise before the start is logged, the NUL that ends a reply as a space, a refused 102nd
    // byte (here the start character) as it came, and nothing after either. What was dropped
    // may still be on its way to the monitor; it must never be logged.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(logged(), records({"zz~A ", x100 + "x~"}));
}

TEST_F(SerialPortTest, RequestWithoutReplyReturnsAfterTheWriteAndLogsOnlyTheRequest) {
    EXPECT_EQ(port->transact(kTag, kRequest), PortResult::Ok);
    EXPECT_EQ(pty.read(kRequest.size(), 1s), kRequestBytes);
    EXPECT_EQ(logged().size(), 2 + kRequest.size());
    EXPECT_EQ(port->flags.txSeen.load(), 1);
}

TEST_F(SerialPortTest, WriteThatCannotCompleteInTimeFails) {
    // Output suspended on the terminal (as by a stuck transmitter): the write times out.
    const int other = ::open(pty.terminalPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    ASSERT_EQ(port->open(), 0);
    ASSERT_EQ(::tcflow(other, TCOOFF), 0);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(transact(), PortResult::WriteFailed);
    // 13 bytes at 9600 bit/s: 2 ms a byte and 100 ms more.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 126ms);
    // The request is logged, no reply marker follows it.
    EXPECT_EQ(logged().size(), 2 + kRequest.size());

    ASSERT_EQ(::tcflow(other, TCOON), 0);
    ::close(other);
    EXPECT_EQ(exchange("~A\r"), PortResult::Ok);
}

TEST_F(SerialPortTest, ReplyEndingAfterTheTimeOutWasReachedIsLate) {
    // The pump outlasts the time-out while the whole reply arrives: the time-out wins.
    bool first = true;
    port->setPumpHook([&] {
        if (std::exchange(first, false)) {
            pty.write("~AB\r");
            std::this_thread::sleep_for(std::chrono::milliseconds(kTimeoutMs + 100));
        }
        return true;
    });
    EXPECT_EQ(transact(), PortResult::NoReplyEnd);
}

TEST_F(SerialPortTest, PumpsWhileWaitingAndStopsWhenTheApplicationQuits) {
    int pumps = 0;
    port->setPumpHook([&] { return ++pumps < 3; });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(transact(), PortResult::NoReplyStart);
    EXPECT_EQ(pumps, 3);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(kTimeoutMs));

    pumps = -1000;  // keep pumping through a whole time-out
    EXPECT_EQ(transact(), PortResult::NoReplyStart);
    EXPECT_GE(pumps + 1000, kTimeoutMs / 20);
}

TEST_F(SerialPortTest, NestedExchangeIsRefusedWithoutTouchingPortOrLog) {
    PortResult nested = PortResult::Ok;
    std::size_t logBefore = 0;
    std::size_t logAfter = 0;
    port->setPumpHook([&] {
        if (logBefore == 0) {
            logBefore = port->log().writePosition();
            nested = port->transact(kTag, kRequest);
            logAfter = port->log().writePosition();
        }
        return true;
    });
    EXPECT_EQ(exchange("~A\r"), PortResult::Ok);
    EXPECT_EQ(nested, PortResult::PortBusy);
    EXPECT_EQ(logAfter, logBefore);
    EXPECT_TRUE(pty.read(1, 50ms).empty());  // only the outer request went out
}

TEST_F(SerialPortTest, ManyExchangesInARowKeepTheLogInOrder) {
    // The far end answers at once, often before the write has returned: the reply record
    // must still follow its request record.
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 100; ++i) {
        const std::string reply = "~" + std::to_string(i) + "\r";
        ASSERT_EQ(exchange(reply), PortResult::Ok) << i;
        ASSERT_EQ(std::string(buffer.data()), reply);
        (void)port->flags.rxSeen.exchange(0);  // as the main window's timer does
        const std::vector<std::uint8_t> one = records({reply});
        expected.insert(expected.end(), one.begin(), one.end());
    }
    EXPECT_EQ(logged(), expected);
}

TEST_F(SerialPortTest, OpensAtTheConfiguredSpeed) {
    for (int index = 0; index < static_cast<int>(BaudRateTable.size()); ++index) {
        port->configure(0, index, kTimeoutMs);
        ASSERT_EQ(port->open(), 0);
        EXPECT_EQ(pty.terminalBaudRate(), BaudRateTable[static_cast<std::size_t>(index)].rate);
    }
}

TEST_F(SerialPortTest, ConfigureClosesOnlyWhenASettingChanged) {
    struct Row {
        int port, baud, timeout;
        bool staysOpen;
    };
    const int baud = kDefaultBaudIndex;
    for (const Row& r : {Row{0, baud, kTimeoutMs, true}, Row{1, baud, kTimeoutMs, false},
                         Row{0, baud - 1, kTimeoutMs, false}, Row{0, baud, 301, false}}) {
        port->configure(0, baud, kTimeoutMs);
        ASSERT_EQ(port->open(), 0);
        EXPECT_EQ(port->configure(r.port, r.baud, r.timeout), 0);
        EXPECT_EQ(port->isOpen(), r.staysOpen) << r.port << " " << r.baud << " " << r.timeout;
        EXPECT_EQ(port->monitorRunning(), r.staysOpen);
        EXPECT_EQ(port->replyTimeoutMs(), r.timeout);
    }
}

TEST_F(SerialPortTest, ClosingClearsAllLineFlags) {
    ASSERT_EQ(exchange("~A\r"), PortResult::Ok);
    EXPECT_EQ(port->flags.rxSeen.load(), 1);
    port->flags.errorSeen = 1;
    port->flags.dcdOn = 0x80;
    port->close();
    EXPECT_FALSE(port->isOpen());
    for (auto* flag : {&port->flags.ctsOn, &port->flags.dsrOn, &port->flags.ringOn,
                       &port->flags.dcdOn, &port->flags.rxSeen, &port->flags.txSeen,
                       &port->flags.errorSeen, &port->flags.breakSeen}) {
        EXPECT_EQ(flag->load(), 0);
    }
    port->close();  // harmless when closed
}

// On a fresh line: once the terminal side has been closed, the far end's reads fail until
// it is opened again, and the answer would go out before the request came.
TEST_F(SerialPortTest, ExchangeReopensAClosedPort) {
    port->close();
    EXPECT_EQ(exchange("~A\r"), PortResult::Ok);
    EXPECT_TRUE(port->isOpen());
}

TEST_F(SerialPortTest, PeerHangingUpMidReplyEndsByTimeOutAndMarksTheLine) {
    answer("~AB", /*hangUpAfter=*/true);
    EXPECT_EQ(transact(), PortResult::NoReplyEnd);
    join();
    EXPECT_EQ(port->flags.errorSeen.load(), 1);
    // The line is gone: the next exchange tries to open it again and cannot.
    EXPECT_EQ(transact(), PortResult::OpenFailed);
    EXPECT_FALSE(port->monitorRunning());
}

TEST_F(SerialPortTest, FailedOpenLeavesThePortClosedWithoutAThread) {
    ASSERT_EQ(port->open(), 0);  // holds the terminal
    for (const std::string& device :
         {pty.terminalPath(), std::string("/dev/quillet-no-such-port"), std::string("/dev/null")}) {
        PortMap ports;
        ports.setDevice(0, device);
        SerialPort other(ports);
        EXPECT_EQ(other.open(), 1) << device;
        EXPECT_FALSE(other.isOpen());
        EXPECT_FALSE(other.monitorRunning());
        std::vector<char> reply(100);
        EXPECT_EQ(other.transact(kTag, kRequest, reply, '~', '\r'), PortResult::OpenFailed);
        EXPECT_EQ(other.log().writePosition(), 0u);  // nothing logged or sent
    }
    // Port or speed outside the tables, on a terminal that would open.
    port->close();
    for (auto [portIndex, baudIndex] : {std::pair{-1, 5}, {4, 5}, {0, -1}, {0, 6}}) {
        SerialPort other(port->portMap());
        other.configure(portIndex, baudIndex, 500);
        EXPECT_EQ(other.open(), 1) << portIndex << " " << baudIndex;
        EXPECT_FALSE(other.monitorRunning());
    }
}

}  // namespace
}  // namespace quillet
