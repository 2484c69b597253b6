#include "serial/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

#include "serial/TermiosLineDevice.h"

namespace quillet {

namespace {

using Clock = std::chrono::steady_clock;

// Clears the in-exchange mark on every way out of transact().
class ExchangeMark {
public:
    explicit ExchangeMark(bool& mark) : mark_(mark) { mark_ = true; }
    ~ExchangeMark() { mark_ = false; }
    ExchangeMark(const ExchangeMark&) = delete;
    ExchangeMark& operator=(const ExchangeMark&) = delete;

private:
    bool& mark_;
};

void closeDescriptor(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

void LineFlags::clear() {
    for (auto* flag : {&ctsOn, &dsrOn, &ringOn, &dcdOn, &rxSeen, &txSeen, &errorSeen, &breakSeen}) {
        flag->store(0);
    }
}

std::unique_ptr<LineDevice> SerialPort::makeDefaultLineDevice(const std::string& device) {
    return makeTermiosLineDevice(device);
}

SerialPort::SerialPort(PortMap ports, LineDeviceFactory factory)
    : portMap_(std::move(ports)), factory_(std::move(factory)) {}

SerialPort::~SerialPort() {
    close();
}

int SerialPort::configure(int portIndex, int baudIndex, int replyTimeoutMs) {
    if (portIndex != portIndex_ || baudIndex != baudIndex_ || replyTimeoutMs != replyTimeoutMs_) {
        close();
        portIndex_ = portIndex;
        baudIndex_ = baudIndex;
        replyTimeoutMs_ = replyTimeoutMs;
    }
    return 0;
}

int SerialPort::open() {
    close();
    if (!isValidPortIndex(portIndex_) || !isValidBaudIndex(baudIndex_) || !factory_) {
        return 1;
    }
    device_ = factory_(portMap_.device(portIndex_));
    if (!device_ || !device_->open(BaudRateTable[static_cast<std::size_t>(baudIndex_)].rate)) {
        close();
        return 1;
    }
    if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        close();
        return 1;
    }
    lineLost_ = false;
    try {
        // The counts at opening are the baseline: faults of the first exchange must show
        // even when they come before the thread has run.
        monitor_ = std::thread(&SerialPort::monitorLoop, this, device_->faultCounts());
    } catch (const std::system_error&) {
        close();
        return 1;
    }
    open_ = true;
    return 0;
}

void SerialPort::close() {
    if (monitor_.joinable()) {
        const char stop = 1;
        while (::write(stopPipe_[1], &stop, 1) < 0 && errno == EINTR) {
        }
        monitor_.join();
    }
    closeDescriptor(stopPipe_[0]);
    closeDescriptor(stopPipe_[1]);
    if (device_) {
        device_->close();
        device_.reset();
    }
    open_ = false;
    lineLost_ = false;
    flags.clear();
}

unsigned SerialPort::modemStatus() const {
    return device_ ? device_->modemStatus() : 0;
}

PortResult SerialPort::transact(std::uint8_t logTag, std::string_view request,
                                std::span<char> reply, std::uint8_t startChar,
                                std::uint8_t endChar) {
    // A second exchange started from the pump of a first would corrupt both.
    if (inExchange_) {
        return PortResult::PortBusy;
    }
    ExchangeMark mark(inExchange_);

    // A line that vanished (unplugged adapter) gets a fresh open, which may find it back.
    if ((!isOpen() || lineLost_) && open() != 0) {
        return PortResult::OpenFailed;
    }
    device_->purge();

    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(request.data()),
                                              request.size());
    log_.appendRecordStart(logTag);
    log_.append(bytes);
    if (trace_) {
        trace_(true, bytes);
    }

    const bool awaitsReply = !reply.empty();
    if (awaitsReply) {
        std::lock_guard lock(exchangeMutex_);
        receiver_.begin(reply, startChar, endChar);
    }

    const int rate = BaudRateTable[static_cast<std::size_t>(baudIndex_)].rate;
    const auto writeTimeout =
        std::chrono::milliseconds(static_cast<long>(request.size()) * (10000 / rate + 1) + 100);
    if (!device_->write(bytes, writeTimeout)) {
        {
            std::lock_guard lock(exchangeMutex_);
            receiver_.stop();
        }
        resetLine();
        return PortResult::WriteFailed;
    }
    flags.txSeen = 1;

    if (!awaitsReply) {
        return PortResult::Ok;
    }
    {
        std::lock_guard lock(exchangeMutex_);
        receiver_.logReplyMarker();
    }
    return awaitReply();
}

PortResult SerialPort::awaitReply() {
    const auto started = Clock::now();
    const auto deadline = started + std::chrono::milliseconds(replyTimeoutMs_);
    bool quitting = false;
    std::unique_lock lock(exchangeMutex_);
    for (;;) {
        if (pumpHook_) {
            lock.unlock();
            if (!pumpHook_()) {
                quitting = true;
            }
            lock.lock();
        }
        replyEnded_.wait_until(lock, std::min(Clock::now() + kPumpSlice, deadline),
                               [this] { return receiver_.state() == ReceiveState::Idle; });
        // The time-out is checked first: a reply that ends just as it runs out is late.
        if (Clock::now() >= deadline) {
            break;
        }
        if (receiver_.state() == ReceiveState::Idle) {
            return receiver_.result();
        }
        if (quitting) {
            break;
        }
    }
    const PortResult late = receiver_.state() == ReceiveState::WaitStart ? PortResult::NoReplyStart
                                                                         : PortResult::NoReplyEnd;
    receiver_.stop();
    return late;
}

void SerialPort::settleLine() {
    if (!isOpen() || lineLost_) {
        return;
    }
    const auto started = Clock::now();
    const auto limit = started + kSettleLimit;
    for (;;) {
        const Clock::time_point lastInput{Clock::duration(lastInputAt_.load())};
        const auto quietFrom = std::max(started, lastInput) + kSettleQuiet;
        const auto now = Clock::now();
        if (now >= quietFrom || now >= limit) {
            return;
        }
        if (pumpHook_ && !pumpHook_()) {
            return;
        }
        std::this_thread::sleep_until(std::min({quietFrom, limit, Clock::now() + kPumpSlice}));
    }
}

void SerialPort::monitorLoop(std::optional<LineFaultCounts> lastCounts) {
    std::array<pollfd, 2> fds{};
    fds[0].events = POLLIN;
    fds[1] = {stopPipe_[0], POLLIN, 0};
    for (;;) {
        // A hung-up descriptor stays readable for ever; once gone it is left out.
        fds[0].fd = lineLost_ ? -1 : device_->pollDescriptor();
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(kLevelRefresh.count()));
        if (ready < 0 && errno != EINTR) {
            lineGone();
        }
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            return;
        }
        if (lineLost_) {
            flags.errorSeen = 1;  // held while the device is gone
            continue;
        }
        refreshLevels(lastCounts);
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            flags.rxSeen = 1;
            drainInput();
        }
        if (ready > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            lineGone();
        }
    }
}

void SerialPort::refreshLevels(std::optional<LineFaultCounts>& lastCounts) {
    const unsigned status = device_->modemStatus();
    flags.ctsOn = static_cast<std::int32_t>(status & ModemStatus::kCtsOn);
    flags.dsrOn = static_cast<std::int32_t>(status & ModemStatus::kDsrOn);
    flags.ringOn = static_cast<std::int32_t>(status & ModemStatus::kRingOn);
    flags.dcdOn = static_cast<std::int32_t>(status & ModemStatus::kDcdOn);

    const std::optional<LineFaultCounts> counts = device_->faultCounts();
    if (counts && lastCounts) {
        if (counts->errors != lastCounts->errors) {
            flags.errorSeen = 1;
        }
        if (counts->breaks != lastCounts->breaks) {
            flags.breakSeen = 1;
        }
    }
    lastCounts = counts;
}

void SerialPort::drainInput() {
    // The driver's input queue is 4 KiB; whatever is queued is taken in one go.
    std::array<std::uint8_t, 4096> buffer;
    for (;;) {
        const LineRead got = device_->read(buffer);
        if (got.status == LineRead::Status::Gone) {
            lineGone();
            return;
        }
        if (got.status == LineRead::Status::Failed) {
            resetLine();
            return;
        }
        if (got.count == 0) {
            return;
        }
        lastInputAt_ = Clock::now().time_since_epoch().count();
        if (trace_) {
            trace_(false, std::span<const std::uint8_t>(buffer.data(), got.count));
        }
        bool refused = false;
        bool ended = false;
        {
            std::lock_guard lock(exchangeMutex_);
            const bool wasAwaiting = receiver_.state() != ReceiveState::Idle;
            for (std::size_t i = 0; i < got.count && !refused; ++i) {
                refused = !receiver_.accept(buffer[i]);
            }
            ended = wasAwaiting && receiver_.state() == ReceiveState::Idle;
            if (refused) {
                // Purged before the exchange is seen to end: a later purge would throw
                // away the next exchange's request. The rest of this read goes too.
                resetLine();
            }
        }
        if (ended) {
            replyEnded_.notify_all();
        }
        if (refused) {
            return;
        }
        if (got.count < buffer.size()) {
            return;
        }
    }
}

void SerialPort::resetLine() {
    device_->purge();
    device_->clearBreak();
}

void SerialPort::lineGone() {
    lineLost_ = true;
    flags.errorSeen = 1;
    flags.ctsOn = 0;
    flags.dsrOn = 0;
    flags.ringOn = 0;
    flags.dcdOn = 0;
}

}  // namespace quillet
