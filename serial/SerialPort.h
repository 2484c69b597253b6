#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>

#include "serial/ExchangeLog.h"
#include "serial/LineDevice.h"
#include "serial/PortMap.h"
#include "serial/PortResult.h"
#include "serial/PortTables.h"
#include "serial/ReceiveStateMachine.h"

namespace quillet {

// Eight flags for the monitor lights: four line levels (0 or the ModemStatus bit) kept up
// to date by the line monitor, and four latched events that the reader resets.
struct LineFlags {
    std::atomic<std::int32_t> ctsOn{0};
    std::atomic<std::int32_t> dsrOn{0};
    std::atomic<std::int32_t> ringOn{0};
    std::atomic<std::int32_t> dcdOn{0};
    std::atomic<std::int32_t> rxSeen{0};
    std::atomic<std::int32_t> txSeen{0};
    std::atomic<std::int32_t> errorSeen{0};
    std::atomic<std::int32_t> breakSeen{0};

    void clear();
};

// Keeps the caller's window alive while transact() waits: called between short blocking
// waits. Returns false once the application has been asked to quit.
using PumpHook = std::function<bool()>;

// Sees every byte that passes the port: what is sent (`sent` true) from the caller's thread
// as it goes out, what is received from the line monitor's as it comes in.
using LineTrace = std::function<void(bool sent, std::span<const std::uint8_t> bytes)>;

// The program's one serial port: opens and sets up the line, sends a request and collects
// the framed reply that the line monitor thread assembles, keeping the line flags and the
// exchange log. Every call but the flags' readers belongs to one (the caller's) thread.
class SerialPort {
public:
    static constexpr int kDefaultReplyTimeoutMs = 500;
    // How long transact() blocks before it pumps the caller's events again.
    static constexpr std::chrono::milliseconds kPumpSlice{10};
    // How often the monitor refreshes the line levels when nothing happens.
    static constexpr std::chrono::milliseconds kLevelRefresh{100};
    // How long the line must stay quiet after a missed or rejected reply before the next
    // request: the rest of that reply, or a reply that came late, would otherwise be taken
    // for the next request's.
    static constexpr std::chrono::milliseconds kSettleQuiet{50};
    // A line that never goes quiet (noise) is given up on after this.
    static constexpr std::chrono::milliseconds kSettleLimit{1000};

    explicit SerialPort(PortMap ports = PortMap(),
                        LineDeviceFactory factory = makeDefaultLineDevice);
    virtual ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Stores the line settings; the port is closed when any of them changed and reopens
    // with the new ones at the next exchange. Returns 0.
    int configure(int portIndex, int baudIndex, int replyTimeoutMs);
    // 0 on success, 1 on any failure (the port is then closed).
    int open();
    void close();
    bool isOpen() const { return open_.load(); }

    // Sends `request` logged under `logTag` and, when `reply` is not empty, awaits a reply
    // from `startChar` (0: any byte) through `endChar` into it, zero-terminated.
    PortResult transact(std::uint8_t logTag, std::string_view request, std::span<char> reply,
                        std::uint8_t startChar, std::uint8_t endChar);
    PortResult transact(std::uint8_t logTag, std::string_view request) {
        return transact(logTag, request, {}, 0, 0);
    }

    // Waits until no byte has arrived for kSettleQuiet (at most kSettleLimit), dropping
    // what comes meanwhile; the caller's events are pumped as in transact().
    void settleLine();

    void clearLog() { log_.clear(); }
    ExchangeLog& log() { return log_; }
    const ExchangeLog& log() const { return log_; }

    // Read and changed without closing the port (the modem layer times single lines).
    int replyTimeoutMs() const { return replyTimeoutMs_; }
    void setReplyTimeoutMs(int ms) { replyTimeoutMs_ = ms; }
    int portIndex() const { return portIndex_; }
    int baudIndex() const { return baudIndex_; }

    // ModemStatus bits of the open port, read now; 0 when closed.
    unsigned modemStatus() const;
    // The line monitor runs exactly while the port is open.
    bool monitorRunning() const { return monitor_.joinable(); }

    void setPumpHook(PumpHook hook) { pumpHook_ = std::move(hook); }
    // Set while the port is closed: the line monitor reads it without a lock.
    void setTrace(LineTrace trace) { trace_ = std::move(trace); }
    PortMap& portMap() { return portMap_; }

    LineFlags flags;

    // Terminal devices by path; other names come from factories installed later.
    static std::unique_ptr<LineDevice> makeDefaultLineDevice(const std::string& device);

private:
    PortResult awaitReply();
    void monitorLoop(std::optional<LineFaultCounts> lastCounts);
    void refreshLevels(std::optional<LineFaultCounts>& lastCounts);
    void drainInput();
    void resetLine();
    void lineGone();

    PortMap portMap_;
    LineDeviceFactory factory_;
    ExchangeLog log_;
    int portIndex_ = 0;
    int baudIndex_ = kDefaultBaudIndex;
    int replyTimeoutMs_ = kDefaultReplyTimeoutMs;
    PumpHook pumpHook_;
    LineTrace trace_;

    std::unique_ptr<LineDevice> device_;
    std::atomic<bool> open_{false};
    std::atomic<bool> lineLost_{false};
    // When the monitor last received a byte, as a steady clock count.
    std::atomic<std::chrono::steady_clock::rep> lastInputAt_{0};
    int stopPipe_[2] = {-1, -1};
    std::thread monitor_;

    // Guards the receive state machine and the reply buffer it writes, so that nothing
    // touches a buffer after transact() returned.
    std::mutex exchangeMutex_;
    std::condition_variable replyEnded_;
    ReceiveStateMachine receiver_{log_};
    bool inExchange_ = false;
};

}  // namespace quillet
