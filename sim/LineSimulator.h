#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "serial/LinePeer.h"
#include "sim/DeviceLine.h"
#include "sim/Faults.h"
#include "sim/HayesModem.h"

namespace quillet::sim {

struct SimulatorOptions {
    DeviceLineOptions devices;
    // A Hayes modem between the port and the controller.
    std::optional<ModemOptions> modem;
    // Between the end of a request and the first bit of the reply.
    std::chrono::milliseconds turnaround{20};
    FaultOptions faults;
};

// Everything on the far side of the port: the devices behind the line, paced at the line
// speed, optionally behind a modem, with faults injected into their replies. Not thread-
// safe: its owner serialises the calls (the line device does, through its lock).
class LineSimulator final : public LinePeer {
public:
    explicit LineSimulator(SimulatorOptions options = {});

    void receive(std::span<const std::uint8_t> bytes, int baudRate, Clock::time_point at) override;
    std::vector<std::uint8_t> takeDue(Clock::time_point now) override;
    std::optional<Clock::time_point> nextDue() const override;
    unsigned modemLines(Clock::time_point now) override;
    LineFaultCounts faultCounts() const override { return faultCounts_; }
    bool connected() const override { return connected_; }

    // Pulls the plug (false) or puts it back.
    void setConnected(bool connected) { connected_ = connected; }
    DeviceLine& devices() { return devices_; }
    FaultInjector& faults() { return faults_; }
    HayesModem* modem() { return modem_ ? &*modem_ : nullptr; }
    // Frames the devices have received, oldest first (for tests and the log).
    const std::deque<std::string>& framesSeen() const { return framesSeen_; }
    // The fault that hit the reply to the latest frame; empty when that frame got none.
    std::optional<Fault> lastReplyFault() const { return lastReplyFault_; }

private:
    void lineBytes(std::string_view bytes, int baudRate, Clock::time_point at);
    void frameComplete(Clock::time_point at);
    void send(std::string_view bytes, Clock::time_point from, int baudRate);

    SimulatorOptions options_;
    DeviceLine devices_;
    FaultInjector faults_;
    std::optional<HayesModem> modem_;
    bool connected_ = true;
    std::string frame_;
    std::deque<std::pair<Clock::time_point, std::uint8_t>> outbound_;
    Clock::time_point lineBusyUntil_{};
    int portBaud_ = 9600;  // the speed the port last sent at
    LineFaultCounts faultCounts_;
    std::deque<std::string> framesSeen_;
    std::optional<Fault> lastReplyFault_;
};

}  // namespace quillet::sim
