#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "serial/LineDevice.h"

namespace quillet {

// How long one byte (start bit, eight data bits, stop bit) takes on the line.
inline std::chrono::steady_clock::duration lineByteTime(int baudRate) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::nanoseconds(10'000'000'000LL / (baudRate > 0 ? baudRate : 1)));
}

// The far end of a simulated line: what the devices make of the bytes the port sends,
// and what they send back, byte by byte on the line's clock.
class LinePeer {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~LinePeer() = default;

    // Bytes sent by the port at `baudRate`; the last one is fully on the line at `at`.
    virtual void receive(std::span<const std::uint8_t> bytes, int baudRate,
                         Clock::time_point at) = 0;
    // Bytes for the port whose last bit has arrived by `now`, oldest first.
    virtual std::vector<std::uint8_t> takeDue(Clock::time_point now) = 0;
    // When the next byte for the port arrives; empty when none is on its way.
    virtual std::optional<Clock::time_point> nextDue() const = 0;
    // ModemStatus bits as the devices drive them.
    virtual unsigned modemLines(Clock::time_point now) = 0;
    // Faults the port's receiver has seen so far (a wrong speed gives framing errors).
    virtual LineFaultCounts faultCounts() const { return {}; }
    // False once the line is unplugged: an open port then sees it gone.
    virtual bool connected() const { return true; }
};

// A peer and the lock that serialises everyone who talks to it; at most one port has it
// open at a time, as with a real device.
struct SharedLine {
    explicit SharedLine(std::shared_ptr<LinePeer> linePeer) : peer(std::move(linePeer)) {}

    std::mutex mutex;
    std::shared_ptr<LinePeer> peer;
    bool inUse = false;  // guarded by mutex
    // The line runs this many times faster than the port is set to, so that long runs
    // take little time; the devices must then listen at the multiplied speed.
    int speedFactor = 1;  // guarded by mutex
};

}  // namespace quillet
