#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace quillet {

// Modem line bits as the port reports them.
namespace ModemStatus {
inline constexpr unsigned kCtsOn = 0x10;
inline constexpr unsigned kDsrOn = 0x20;
inline constexpr unsigned kRingOn = 0x40;
inline constexpr unsigned kDcdOn = 0x80;  // carrier detect (RLSD)
}  // namespace ModemStatus

// Running totals of line faults, for drivers that count them.
struct LineFaultCounts {
    std::uint64_t errors = 0;  // framing, parity and overrun errors
    std::uint64_t breaks = 0;

    bool operator==(const LineFaultCounts&) const = default;
};

struct LineRead {
    enum class Status { Ok, Failed, Gone };
    std::size_t count = 0;
    Status status = Status::Ok;
};

// One serial line: a real terminal device or a simulated one. The port calls write, purge
// and modemStatus from its caller's thread while the line monitor reads, so those must be
// safe to run at the same time.
class LineDevice {
public:
    virtual ~LineDevice() = default;

    // Opens the line exclusively, raw 8N1 at the given rate, no flow control, DTR on.
    virtual bool open(int baudRate) = 0;
    virtual void close() = 0;

    // poll() reports it readable while input is queued and hung up once the line is gone.
    virtual int pollDescriptor() const = 0;
    // Takes what is queued without blocking; a count of 0 means nothing was.
    virtual LineRead read(std::span<std::uint8_t> buffer) = 0;
    // Writes every byte and waits until they left the line, RTS raised meanwhile.
    // False when that did not happen within the time-out.
    virtual bool write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout) = 0;
    // Discards both queues.
    virtual void purge() = 0;
    virtual void clearBreak() = 0;

    // ModemStatus bits; 0 for a line without modem lines.
    virtual unsigned modemStatus() = 0;
    // Empty when the driver does not count faults.
    virtual std::optional<LineFaultCounts> faultCounts() = 0;
};

// Makes the device for a name of the port map; null when the name cannot be served.
using LineDeviceFactory = std::function<std::unique_ptr<LineDevice>(const std::string& device)>;

}  // namespace quillet
