#include "serial/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace quillet {

namespace {

using Clock = std::chrono::steady_clock;

int msUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0) {
        throw std::system_error(errno, std::generic_category(), "posix_openpt");
    }
    char name[128] = {};
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        const int error = errno;
        ::close(master_);
        throw std::system_error(error, std::generic_category(), "pseudo-terminal set-up");
    }
    terminalPath_ = name;
    // Raw both ways until the port sets the terminal side up itself.
    termios tio{};
    if (::tcgetattr(master_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(master_, TCSANOW, &tio);
    }
}

PseudoTerminal::~PseudoTerminal() {
    close();
}

void PseudoTerminal::close() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

bool PseudoTerminal::write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd{master_, POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

bool PseudoTerminal::write(std::string_view text) {
    return write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::uint8_t> PseudoTerminal::read(std::size_t count,
                                               std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::vector<std::uint8_t> got;
    while (got.size() < count) {
        std::uint8_t byte = 0;
        const ssize_t n = ::read(master_, &byte, 1);
        if (n == 1) {
            got.push_back(byte);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            break;  // EIO: nobody holds the terminal side
        }
        pollfd pfd{master_, POLLIN, 0};
        const int wait = msUntil(deadline);
        if (wait == 0 || ::poll(&pfd, 1, wait) <= 0) {
            break;
        }
    }
    return got;
}

std::string PseudoTerminal::readUntil(char terminator, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string got;
    while (got.empty() || got.back() != terminator) {
        const std::vector<std::uint8_t> byte =
            read(1, std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
        if (byte.empty()) {
            break;
        }
        got += static_cast<char>(byte[0]);
    }
    return got;
}

int PseudoTerminal::terminalBaudRate() const {
    // On the controlling side, the terminal attributes are those of the terminal side.
    termios tio{};
    if (::tcgetattr(master_, &tio) != 0) {
        return 0;
    }
    switch (::cfgetospeed(&tio)) {
        case B300:
            return 300;
        case B600:
            return 600;
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        default:
            return 0;
    }
}

}  // namespace quillet
