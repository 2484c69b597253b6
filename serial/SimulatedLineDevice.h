#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <thread>

#include "serial/LineDevice.h"
#include "serial/LinePeer.h"

namespace quillet {

// A serial line to a simulated peer, with the modem lines that a pseudo-terminal lacks.
// A delivery thread hands the peer's bytes to the port when their time has come.
class SimulatedLineDevice final : public LineDevice {
public:
    explicit SimulatedLineDevice(std::shared_ptr<SharedLine> line);
    ~SimulatedLineDevice() override;

    bool open(int baudRate) override;
    void close() override;
    int pollDescriptor() const override { return notifyPipe_[0]; }
    LineRead read(std::span<std::uint8_t> buffer) override;
    bool write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout) override;
    void purge() override;
    void clearBreak() override {}
    unsigned modemStatus() override;
    std::optional<LineFaultCounts> faultCounts() override;

private:
    void deliveryLoop();
    void signalReadable();  // with mutex held
    void drainSignal();     // with mutex held

    std::shared_ptr<SharedLine> line_;
    int baudRate_ = 9600;
    int notifyPipe_[2] = {-1, -1};
    std::thread delivery_;
    std::condition_variable wake_;
    bool stopping_ = false;           // guarded by line_->mutex
    bool signalled_ = false;          // guarded by line_->mutex
    bool hungUp_ = false;             // guarded by line_->mutex
    std::deque<std::uint8_t> input_;  // guarded by line_->mutex
};

// Serves the device name "sim" from `line`, every other name as a terminal device.
LineDeviceFactory makeSimulatedLineFactory(std::shared_ptr<SharedLine> line);

inline constexpr const char* kSimulatedDeviceName = "sim";

}  // namespace quillet
