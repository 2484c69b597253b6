#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "serial/PseudoTerminal.h"
#include "serial/SerialPort.h"

namespace quillet {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kRequest = "#000Q7K2MS12\r";
constexpr std::uint8_t kTag = 51;
constexpr int kTimeoutMs = 800;

std::string noise(std::size_t count) {
    return std::string(count, 'x');
}

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

// The far end of the line: waits for the whole request, then plays its answer.
class Peer {
public:
    explicit Peer(PseudoTerminal& pty) : pty_(pty) {}
    ~Peer() { join(); }

    void answer(std::string reply, bool hangUpAfter = false) {
        thread_ = std::thread([this, reply = std::move(reply), hangUpAfter] {
            request_ = pty_.read(kRequest.size(), 2s);
            if (!reply.empty()) {
                pty_.write(reply);
            }
            if (hangUpAfter) {
                // A hang-up discards what the terminal side has not read yet.
                std::this_thread::sleep_for(50ms);
                pty_.close();
            }
        });
    }
    void join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    const std::vector<std::uint8_t>& request() const { return request_; }

private:
    PseudoTerminal& pty_;
    std::thread thread_;
    std::vector<std::uint8_t> request_;
};

class SerialPortTest : public ::testing::Test {
protected:
    SerialPortTest() {
        PortMap ports;
        ports.setDevice(0, pty.terminalPath());
        port = std::make_unique<SerialPort>(ports);
        port->configure(0, kDefaultBaudIndex, kTimeoutMs);
    }

    PortResult exchange(std::string_view reply, std::size_t capacity = 100,
                        std::uint8_t start = '~', std::uint8_t end = '\r') {
        peer.answer(std::string(reply));
        buffer.assign(capacity, '\x55');
        const PortResult result = port->transact(kTag, kRequest, buffer, start, end);
        peer.join();
        return result;
    }
    std::string replyText() const { return std::string(buffer.data()); }
    std::vector<std::uint8_t> logged() const { return port->log().snapshot().inOrder(); }

    PseudoTerminal pty;
    Peer peer{pty};
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

void PrintTo(const ReplyCase& c, std::ostream* out) {
    *out << c.name;
}

class ReplyResultTest : public SerialPortTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReplyResultTest, EndsWithTheExpectedResult) {
    const ReplyCase& c = GetParam();
    EXPECT_EQ(exchange(c.reply, c.capacity, c.start), c.result);
    if (c.result == PortResult::Ok) {
        EXPECT_EQ(replyText(), c.stored);
    }
    EXPECT_EQ(peer.request(), bytesOf(kRequest));
}

const std::string k98 = "~" + std::string(96, 'A') + "\r";
const std::string k99 = "~" + std::string(97, 'A') + "\r";
const std::string k253 = "~" + std::string(251, 'A') + "\r";

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ReplyResultTest,
    ::testing::Values(
        ReplyCase{"Plain", "~ABC\r", 100, '~', PortResult::Ok, "~ABC\r"},
        ReplyCase{"NoiseBeforeStartIsSkipped", "xy~AB\r", 100, '~', PortResult::Ok, "~AB\r"},
        ReplyCase{"StartAsByte101", noise(100) + "~A\r", 100, '~', PortResult::Ok, "~A\r"},
        ReplyCase{"StartAsByte102", noise(101) + "~A\r", 100, '~', PortResult::TooMuchBeforeStart,
                  ""},
        ReplyCase{"LongNoise", noise(300), 100, '~', PortResult::TooMuchBeforeStart, ""},
        ReplyCase{"Silence", "", 100, '~', PortResult::NoReplyStart, ""},
        ReplyCase{"OnlyNoise", "xyz", 100, '~', PortResult::NoReplyStart, ""},
        ReplyCase{"NoEnd", "~ABC", 100, '~', PortResult::NoReplyEnd, ""},
        ReplyCase{"Reply98AtCapacity100", k98, 100, '~', PortResult::Ok, k98},
        ReplyCase{"Reply99AtCapacity100", k99, 100, '~', PortResult::ReplyOverflow, ""},
        ReplyCase{"Reply253AtCapacity255", k253, 255, '~', PortResult::Ok, k253},
        ReplyCase{"AnyFirstByteStartsWithStart0", "\r\nOK\r\n", 255, 0, PortResult::Ok, "\r\nOK\r"},
        ReplyCase{"NulEndsTheReply", std::string("~A\0B\r", 5), 100, '~', PortResult::Ok, "~A"}),
    [](const auto& test) { return test.param.name; });

TEST_F(SerialPortTest, LogsRequestAndReplyRecords) {
    ASSERT_EQ(exchange(std::string("zz~A\0B\rtail", 11)), PortResult::Ok);
    std::vector<std::uint8_t> expected{0x00, kTag};
    expected.insert(expected.end(), kRequest.begin(), kRequest.end());
    // Noise before the start is logged, the NUL that ends the reply as a space, and
    // nothing after it.
    for (std::uint8_t b : std::string_view("\x00\xFFzz~A ", 7)) {
        expected.push_back(b);
    }
    // The tail may still be on its way to the monitor; it must never be logged.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(logged(), expected);
}

TEST_F(SerialPortTest, RefusedByteEndsTheLogAndTheRestOfTheReadIsDropped) {
    ASSERT_EQ(exchange(noise(101) + "~ABC\r"), PortResult::TooMuchBeforeStart);
    const std::vector<std::uint8_t> log = logged();
    const std::size_t requestRecord = 2 + kRequest.size();
    // The 102nd byte, here the start character, is logged before it is refused; nothing
    // after it.
    ASSERT_EQ(log.size(), requestRecord + 2 + 102);
    EXPECT_EQ(log[requestRecord + 2 + 101], '~');
}

TEST_F(SerialPortTest, RequestWithoutReplyReturnsAfterTheWriteAndLogsOnlyTheRequest) {
    EXPECT_EQ(port->transact(kTag, kRequest), PortResult::Ok);
    EXPECT_EQ(pty.read(kRequest.size(), 1s), bytesOf(kRequest));
    EXPECT_EQ(logged().size(), 2 + kRequest.size());
    EXPECT_EQ(port->flags.txSeen.load(), 1);
}

TEST_F(SerialPortTest, WriteThatCannotCompleteInTimeFails) {
    // Output suspended on the terminal (as by a stuck transmitter): the write times out.
    const int other = ::open(pty.terminalPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    ASSERT_EQ(port->open(), 0);
    ASSERT_EQ(::tcflow(other, TCOOFF), 0);

    buffer.assign(100, 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(port->transact(kTag, kRequest, buffer, '~', '\r'), PortResult::WriteFailed);
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
        if (first) {
            first = false;
            pty.write("~AB\r");
            std::this_thread::sleep_for(std::chrono::milliseconds(kTimeoutMs + 100));
        }
        return true;
    });
    buffer.assign(100, 0);
    EXPECT_EQ(port->transact(kTag, kRequest, buffer, '~', '\r'), PortResult::NoReplyEnd);
}

TEST_F(SerialPortTest, PumpsWhileWaitingAndStopsWhenTheApplicationQuits) {
    int pumps = 0;
    port->setPumpHook([&] { return ++pumps < 3; });
    buffer.assign(100, 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(port->transact(kTag, kRequest, buffer, '~', '\r'), PortResult::NoReplyStart);
    EXPECT_EQ(pumps, 3);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(kTimeoutMs));

    pumps = -1000;  // keep pumping through a whole time-out
    EXPECT_EQ(port->transact(kTag, kRequest, buffer, '~', '\r'), PortResult::NoReplyStart);
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
    // The far end answers at once, often before the write has returned: the reply
    // record must still follow its request record.
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 100; ++i) {
        const std::string reply = "~" + std::to_string(i) + "\r";
        ASSERT_EQ(exchange(reply), PortResult::Ok) << i;
        ASSERT_EQ(replyText(), reply);
        (void)port->flags.rxSeen.exchange(0);  // as the main window's timer does
        expected.insert(expected.end(), {0x00, kTag});
        expected.insert(expected.end(), kRequest.begin(), kRequest.end());
        expected.insert(expected.end(), {0x00, 0xFF});
        expected.insert(expected.end(), reply.begin(), reply.end());
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

struct ConfigureCase {
    const char* name;
    int port;
    int baud;
    int timeout;
    bool staysOpen;
};

void PrintTo(const ConfigureCase& c, std::ostream* out) {
    *out << c.name;
}

class ConfigureTest : public SerialPortTest, public ::testing::WithParamInterface<ConfigureCase> {};

TEST_P(ConfigureTest, ClosesOnlyWhenASettingChanged) {
    const ConfigureCase& c = GetParam();
    ASSERT_EQ(port->open(), 0);
    EXPECT_EQ(port->configure(c.port, c.baud, c.timeout), 0);
    EXPECT_EQ(port->isOpen(), c.staysOpen);
    EXPECT_EQ(port->monitorRunning(), c.staysOpen);
    EXPECT_EQ(port->replyTimeoutMs(), c.timeout);
}

INSTANTIATE_TEST_SUITE_P(Settings, ConfigureTest,
                         ::testing::Values(ConfigureCase{"Same", 0, 5, kTimeoutMs, true},
                                           ConfigureCase{"Port", 1, 5, kTimeoutMs, false},
                                           ConfigureCase{"Speed", 0, 4, kTimeoutMs, false},
                                           ConfigureCase{"TimeOutOnly", 0, 5, 301, false}),
                         [](const auto& test) { return test.param.name; });

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

TEST_F(SerialPortTest, ExchangeReopensAClosedPort) {
    port->close();
    EXPECT_EQ(exchange("~A\r"), PortResult::Ok);
    EXPECT_TRUE(port->isOpen());
}

TEST_F(SerialPortTest, PeerHangingUpMidReplyEndsByTimeOutAndMarksTheLine) {
    peer.answer("~AB", /*hangUpAfter=*/true);
    buffer.assign(100, 0);
    EXPECT_EQ(port->transact(kTag, kRequest, buffer, '~', '\r'), PortResult::NoReplyEnd);
    peer.join();
    EXPECT_EQ(port->flags.errorSeen.load(), 1);
    // The line is gone: the next exchange tries to open it again and cannot.
    EXPECT_EQ(port->transact(kTag, kRequest, buffer, '~', '\r'), PortResult::OpenFailed);
    EXPECT_FALSE(port->monitorRunning());
}

struct OpenFailureCase {
    const char* name;
    std::string device;  // empty: the terminal already held by another port
};

void PrintTo(const OpenFailureCase& c, std::ostream* out) {
    *out << c.name;
}

class OpenFailureTest : public SerialPortTest,
                        public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(OpenFailureTest, LeavesThePortClosedWithoutAThread) {
    const OpenFailureCase& c = GetParam();
    SerialPort holder(port->portMap());
    if (c.device.empty()) {
        ASSERT_EQ(holder.open(), 0);
    } else {
        port->portMap().setDevice(0, c.device);
    }
    EXPECT_EQ(port->open(), 1);
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(port->monitorRunning());

    buffer.assign(100, 0);
    EXPECT_EQ(port->transact(kTag, kRequest, buffer, '~', '\r'), PortResult::OpenFailed);
    EXPECT_EQ(port->log().writePosition(), 0u);  // nothing logged or sent
}

INSTANTIATE_TEST_SUITE_P(Devices, OpenFailureTest,
                         ::testing::Values(OpenFailureCase{"Missing", "/dev/quillet-no-such-port"},
                                           OpenFailureCase{"NotATerminal", "/dev/null"},
                                           OpenFailureCase{"HeldByAnotherPort", ""}),
                         [](const auto& test) { return test.param.name; });

TEST(SerialPortSettings, OutOfRangeIndicesFailToOpen) {
    for (auto [portIndex, baudIndex] : {std::pair{-1, 5}, {4, 5}, {0, -1}, {0, 6}}) {
        SerialPort port;
        port.configure(portIndex, baudIndex, 500);
        EXPECT_EQ(port.open(), 1);
        EXPECT_FALSE(port.monitorRunning());
    }
}

}  // namespace
}  // namespace quillet
