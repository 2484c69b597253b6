#include "serial/TermiosLineDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

namespace quillet {

namespace {

using Clock = std::chrono::steady_clock;

bool speedFor(int baudRate, speed_t& speed) {
    switch (baudRate) {
        case 300:
            speed = B300;
            return true;
        case 600:
            speed = B600;
            return true;
        case 1200:
            speed = B1200;
            return true;
        case 2400:
            speed = B2400;
            return true;
        case 4800:
            speed = B4800;
            return true;
        case 9600:
            speed = B9600;
            return true;
        default:
            return false;
    }
}

int msUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool isGoneError(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

}  // namespace

TermiosLineDevice::TermiosLineDevice(std::string path) : path_(std::move(path)) {}

TermiosLineDevice::~TermiosLineDevice() {
    close();
}

bool TermiosLineDevice::open(int baudRate) {
    close();
    fd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        return false;
    }
    // TIOCEXCL does not stop a privileged second opener; the advisory lock does, for
    // every program that plays fair.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd_, TIOCEXCL) != 0 ||
        !setUpLine(baudRate)) {
        close();
        return false;
    }
    baudRate_ = baudRate;
    setUpRtsControl();
    int lines = TIOCM_DTR;
    ::ioctl(fd_, TIOCMBIS, &lines);  // a pseudo-terminal has no modem lines
    // USB adapters hold received bytes back for up to 16 ms unless asked not to.
    serial_struct serial{};
    if (::ioctl(fd_, TIOCGSERIAL, &serial) == 0 && !(serial.flags & ASYNC_LOW_LATENCY)) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd_, TIOCSSERIAL, &serial);
    }
    purge();
    return true;
}

bool TermiosLineDevice::setUpLine(int baudRate) {
    speed_t speed{};
    termios tio{};
    if (!speedFor(baudRate, speed) || ::tcgetattr(fd_, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) {
        return false;
    }
    return ::tcsetattr(fd_, TCSANOW, &tio) == 0;
}

void TermiosLineDevice::setUpRtsControl() {
    // Prefer the driver's own RS-485 mode: it switches RTS exactly at the first and the
    // last bit. Otherwise RTS is raised around each write by hand.
    serial_rs485 rs485{};
    kernelRtsControl_ = false;
    if (::ioctl(fd_, TIOCGRS485, &rs485) == 0) {
        savedRs485_ = rs485;
        rs485.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
        rs485.flags &= ~static_cast<__u32>(SER_RS485_RTS_AFTER_SEND);
        kernelRtsControl_ = ::ioctl(fd_, TIOCSRS485, &rs485) == 0;
    }
    if (!kernelRtsControl_) {
        setRts(false);
    }
}

void TermiosLineDevice::setRts(bool on) {
    int lines = TIOCM_RTS;
    ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &lines);
}

void TermiosLineDevice::close() {
    if (fd_ < 0) {
        return;
    }
    if (kernelRtsControl_) {
        ::ioctl(fd_, TIOCSRS485, &savedRs485_);
        kernelRtsControl_ = false;
    }
    // Unsent output would make close() wait for the transmitter; drop it instead.
    ::tcflush(fd_, TCIOFLUSH);
    // Another holder of the terminal (a simulator keeping it open) must not inherit the
    // exclusive flag, or the next open of ours would be refused.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

LineRead TermiosLineDevice::read(std::span<std::uint8_t> buffer) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n >= 0) {
            return {static_cast<std::size_t>(n), LineRead::Status::Ok};
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN) {
            return {0, LineRead::Status::Ok};
        }
        return {0, isGoneError(errno) ? LineRead::Status::Gone : LineRead::Status::Failed};
    }
}

bool TermiosLineDevice::write(std::span<const std::uint8_t> bytes,
                              std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    if (!kernelRtsControl_) {
        setRts(true);
    }
    std::size_t written = 0;
    bool ok = true;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            ok = false;
            break;
        }
        pollfd pfd{fd_, POLLOUT, 0};
        const int wait = msUntil(deadline);
        if (wait == 0 || ::poll(&pfd, 1, wait) <= 0 || (pfd.revents & (POLLERR | POLLHUP))) {
            ok = false;
            break;
        }
    }
    ok = ok && waitUntilSent(deadline);
    if (!kernelRtsControl_) {
        setRts(false);
    }
    return ok;
}

bool TermiosLineDevice::waitUntilSent(Clock::time_point deadline) {
    // Bounded by the write time-out, unlike tcdrain(): a stuck transmitter must not
    // hang the caller.
    const auto byteTime = std::chrono::microseconds(10'000'000 / baudRate_);
    for (;;) {
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) {
            return true;  // the driver cannot say; what it accepted counts as sent
        }
        if (queued <= 0) {
            break;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(
            std::min<Clock::duration>(queued * byteTime, deadline - Clock::now()));
    }
    // The last byte may still be in the transmitter's shift register.
    for (;;) {
        unsigned lsr = 0;
        if (::ioctl(fd_, TIOCSERGETLSR, &lsr) != 0 || (lsr & TIOCSER_TEMT)) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(byteTime / 4);
    }
}

void TermiosLineDevice::purge() {
    if (fd_ >= 0) {
        ::tcflush(fd_, TCIOFLUSH);
    }
}

void TermiosLineDevice::clearBreak() {
    if (fd_ >= 0) {
        ::ioctl(fd_, TIOCCBRK);
    }
}

unsigned TermiosLineDevice::modemStatus() {
    int lines = 0;
    if (fd_ < 0 || ::ioctl(fd_, TIOCMGET, &lines) != 0) {
        return 0;
    }
    unsigned status = 0;
    if (lines & TIOCM_CTS)
        status |= ModemStatus::kCtsOn;
    if (lines & TIOCM_DSR)
        status |= ModemStatus::kDsrOn;
    if (lines & TIOCM_RNG)
        status |= ModemStatus::kRingOn;
    if (lines & TIOCM_CAR)
        status |= ModemStatus::kDcdOn;
    return status;
}

std::optional<LineFaultCounts> TermiosLineDevice::faultCounts() {
    serial_icounter_struct counters{};
    if (fd_ < 0 || ::ioctl(fd_, TIOCGICOUNT, &counters) != 0) {
        return std::nullopt;
    }
    LineFaultCounts counts;
    counts.errors = static_cast<std::uint64_t>(counters.frame) +
                    static_cast<std::uint64_t>(counters.parity) +
                    static_cast<std::uint64_t>(counters.overrun) +
                    static_cast<std::uint64_t>(counters.buf_overrun);
    counts.breaks = static_cast<std::uint64_t>(counters.brk);
    return counts;
}

std::unique_ptr<LineDevice> makeTermiosLineDevice(const std::string& path) {
    return std::make_unique<TermiosLineDevice>(path);
}

}  // namespace quillet
