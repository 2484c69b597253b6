#pragma once

#include <linux/serial.h>

#include <string>

#include "serial/LineDevice.h"

namespace quillet {

// A terminal device (/dev/ttyS*, /dev/ttyUSB*, a pseudo-terminal) through termios.
class TermiosLineDevice final : public LineDevice {
public:
    explicit TermiosLineDevice(std::string path);
    ~TermiosLineDevice() override;

    bool open(int baudRate) override;
    void close() override;
    int pollDescriptor() const override { return fd_; }
    LineRead read(std::span<std::uint8_t> buffer) override;
    bool write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout) override;
    void purge() override;
    void clearBreak() override;
    unsigned modemStatus() override;
    std::optional<LineFaultCounts> faultCounts() override;

    const std::string& path() const { return path_; }

private:
    bool setUpLine(int baudRate);
    void setUpRtsControl();
    void setRts(bool on);
    bool waitUntilSent(std::chrono::steady_clock::time_point deadline);

    std::string path_;
    int fd_ = -1;
    int baudRate_ = 9600;
    bool kernelRtsControl_ = false;  // the driver raises RTS around sending itself
    serial_rs485 savedRs485_{};
};

// The default factory: every name is a terminal device path.
std::unique_ptr<LineDevice> makeTermiosLineDevice(const std::string& path);

}  // namespace quillet
