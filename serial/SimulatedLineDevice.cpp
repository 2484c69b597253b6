#include "serial/SimulatedLineDevice.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "serial/TermiosLineDevice.h"

namespace quillet {

namespace {

using Clock = LinePeer::Clock;

}  // namespace

SimulatedLineDevice::SimulatedLineDevice(std::shared_ptr<SharedLine> line)
    : line_(std::move(line)) {}

SimulatedLineDevice::~SimulatedLineDevice() {
    close();
}

bool SimulatedLineDevice::open(int baudRate) {
    close();
    if (!line_ || !line_->peer) {
        return false;
    }
    {
        std::lock_guard lock(line_->mutex);
        if (line_->inUse || !line_->peer->connected()) {
            return false;
        }
        if (::pipe2(notifyPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
            return false;
        }
        line_->inUse = true;
        baudRate_ = baudRate * std::max(1, line_->speedFactor);
        stopping_ = false;
        signalled_ = false;
        hungUp_ = false;
        input_.clear();
    }
    delivery_ = std::thread(&SimulatedLineDevice::deliveryLoop, this);
    return true;
}

void SimulatedLineDevice::close() {
    if (delivery_.joinable()) {
        {
            std::lock_guard lock(line_->mutex);
            stopping_ = true;
        }
        wake_.notify_all();
        delivery_.join();
    }
    if (notifyPipe_[0] >= 0) {
        std::lock_guard lock(line_->mutex);
        line_->inUse = false;
        for (int& fd : notifyPipe_) {
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
        }
        input_.clear();
    }
}

void SimulatedLineDevice::signalReadable() {
    if (!signalled_ && notifyPipe_[1] >= 0) {
        const char byte = 1;
        signalled_ = ::write(notifyPipe_[1], &byte, 1) == 1;
    }
}

void SimulatedLineDevice::drainSignal() {
    char sink[16];
    while (::read(notifyPipe_[0], sink, sizeof sink) > 0) {
    }
    signalled_ = false;
}

void SimulatedLineDevice::deliveryLoop() {
    std::unique_lock lock(line_->mutex);
    while (!stopping_) {
        LinePeer& peer = *line_->peer;
        if (!peer.connected()) {
            // Unplugged: the port's poll sees the descriptor hung up.
            if (!hungUp_ && notifyPipe_[1] >= 0) {
                ::close(notifyPipe_[1]);
                notifyPipe_[1] = -1;
                hungUp_ = true;
            }
            wake_.wait_for(lock, std::chrono::milliseconds(100));
            continue;
        }
        const std::vector<std::uint8_t> due = peer.takeDue(Clock::now());
        if (!due.empty()) {
            input_.insert(input_.end(), due.begin(), due.end());
            signalReadable();
        }
        const std::optional<Clock::time_point> next = peer.nextDue();
        // Modem lines and hang-ups change without bytes; look again now and then.
        const auto limit = Clock::now() + std::chrono::milliseconds(50);
        wake_.wait_until(lock, next ? std::min(*next, limit) : limit);
    }
}

LineRead SimulatedLineDevice::read(std::span<std::uint8_t> buffer) {
    std::lock_guard lock(line_->mutex);
    if (hungUp_) {
        return {0, LineRead::Status::Gone};
    }
    drainSignal();
    const std::size_t count = std::min(buffer.size(), input_.size());
    std::copy_n(input_.begin(), count, buffer.begin());
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(count));
    if (!input_.empty()) {
        signalReadable();
    }
    return {count, LineRead::Status::Ok};
}

bool SimulatedLineDevice::write(std::span<const std::uint8_t> bytes,
                                std::chrono::milliseconds timeout) {
    // The bytes take their time on the line, as through a real transmitter.
    const auto sendTime = lineByteTime(baudRate_) * static_cast<long>(bytes.size());
    const auto sent = Clock::now() + sendTime;
    {
        std::lock_guard lock(line_->mutex);
        if (hungUp_ || !line_->peer->connected()) {
            return false;
        }
        line_->peer->receive(bytes, baudRate_, sent);
    }
    wake_.notify_all();
    if (sendTime > timeout) {
        std::this_thread::sleep_for(timeout);
        return false;
    }
    std::this_thread::sleep_until(sent);
    return true;
}

void SimulatedLineDevice::purge() {
    std::lock_guard lock(line_->mutex);
    input_.clear();
    if (notifyPipe_[0] >= 0) {
        drainSignal();
    }
}

unsigned SimulatedLineDevice::modemStatus() {
    std::lock_guard lock(line_->mutex);
    return hungUp_ ? 0 : line_->peer->modemLines(Clock::now());
}

std::optional<LineFaultCounts> SimulatedLineDevice::faultCounts() {
    std::lock_guard lock(line_->mutex);
    return line_->peer->faultCounts();
}

LineDeviceFactory makeSimulatedLineFactory(std::shared_ptr<SharedLine> line) {
    return [line](const std::string& device) -> std::unique_ptr<LineDevice> {
        if (device == kSimulatedDeviceName) {
            return std::make_unique<SimulatedLineDevice>(line);
        }
        return makeTermiosLineDevice(device);
    };
}

}  // namespace quillet
