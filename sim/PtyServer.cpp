#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <span>
#include <system_error>
#include <vector>

namespace quillet::sim {

namespace {

using Clock = LinePeer::Clock;

}  // namespace

PtyServer::PtyServer(std::shared_ptr<SharedLine> line, std::string linkPath)
    : line_(std::move(line)), linkPath_(std::move(linkPath)) {
    std::lock_guard lock(stateMutex_);
    openPair();
}

PtyServer::~PtyServer() {
    stop();
    std::lock_guard lock(stateMutex_);
    closePair();
}

void PtyServer::openPair() {
    auto pty = std::make_unique<PseudoTerminal>();
    const int terminalSide = ::open(pty->terminalPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminalSide < 0) {
        throw std::system_error(errno, std::generic_category(), "terminal side");
    }
    // Raw until the program sets the line up: no echo, no line editing.
    termios tio{};
    if (::tcgetattr(terminalSide, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        ::tcsetattr(terminalSide, TCSANOW, &tio);
    }
    if (!linkPath_.empty()) {
        // Made beside and renamed over the old one, so the link never names nothing.
        const std::string fresh = linkPath_ + ".new";
        ::unlink(fresh.c_str());
        if (::symlink(pty->terminalPath().c_str(), fresh.c_str()) != 0 ||
            ::rename(fresh.c_str(), linkPath_.c_str()) != 0) {
            const int error = errno;
            ::close(terminalSide);
            throw std::system_error(error, std::generic_category(), "device link");
        }
    }
    pty_ = std::move(pty);
    terminalSide_ = terminalSide;
    inboundEnd_ = {};
}

void PtyServer::closePair() {
    if (!pty_) {
        return;
    }
    // As an adapter pulled out: its node and link go, an open port sees the line hang up.
    if (!linkPath_.empty()) {
        ::unlink(linkPath_.c_str());
    }
    ::close(terminalSide_);
    terminalSide_ = -1;
    pty_.reset();
    lineEndsBeforeUnplug_.reset();
}

std::string PtyServer::devicePath() const {
    return linkPath_.empty() ? terminalPath() : linkPath_;
}

std::string PtyServer::terminalPath() const {
    std::lock_guard lock(stateMutex_);
    return pty_ ? pty_->terminalPath() : std::string();
}

void PtyServer::unplugMidReply(std::size_t lineEnds) {
    std::lock_guard lock(stateMutex_);
    lineEndsBeforeUnplug_ = lineEnds;
    bytesBeforeUnplug_ = kBytesIntoReply;
}

void PtyServer::unplug() {
    std::lock_guard lock(stateMutex_);
    closePair();
}

void PtyServer::plugIn() {
    std::lock_guard lock(stateMutex_);
    if (!pty_) {
        openPair();
    }
}

bool PtyServer::pluggedIn() const {
    std::lock_guard lock(stateMutex_);
    return pty_ != nullptr;
}

void PtyServer::start() {
    stopping_ = false;
    thread_ = std::thread([this] { run(stopping_); });
}

void PtyServer::stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void PtyServer::run(const std::atomic<bool>& stopRequested) {
    while (!stopRequested) {
        int waitMs = 20;
        {
            std::lock_guard lock(line_->mutex);
            if (const auto next = line_->peer->nextDue()) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
                waitMs = static_cast<int>(std::clamp<long long>(left, 0, 20));
            }
        }
        serveOnce(waitMs);
    }
}

void PtyServer::serveOnce(int waitMs) {
    // Held through the wait, so that nobody closes the descriptor being waited on.
    std::unique_lock state(stateMutex_);
    if (!pty_) {
        state.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        std::lock_guard lock(line_->mutex);
        line_->peer->takeDue(Clock::now());  // what the devices send goes nowhere
        return;
    }
    pollfd pfd{pty_->descriptor(), POLLIN, 0};
    const int ready = ::poll(&pfd, 1, waitMs);
    std::lock_guard lock(line_->mutex);
    LinePeer& peer = *line_->peer;
    if (ready > 0 && (pfd.revents & POLLIN)) {
        std::array<std::uint8_t, 4096> buffer;
        const ssize_t n = ::read(pty_->descriptor(), buffer.data(), buffer.size());
        if (n > 0) {
            const int baud = pty_->terminalBaudRate();
            const auto now = Clock::now();
            inboundEnd_ = std::max(now, inboundEnd_) + lineByteTime(baud) * n;
            peer.receive(std::span(buffer.data(), static_cast<std::size_t>(n)), baud, inboundEnd_);
        }
    }
    std::vector<std::uint8_t> due = peer.takeDue(Clock::now());
    if (due.empty() || !peer.connected()) {
        return;
    }
    if (!lineEndsBeforeUnplug_) {
        pty_->write(due);
        return;
    }
    // Counts down the awaited line ends, then the bytes after the last of them.
    std::size_t through = 0;
    for (; through < due.size(); ++through) {
        if (*lineEndsBeforeUnplug_ > 0) {
            if (due[through] == '\r' || due[through] == '\n') {
                --*lineEndsBeforeUnplug_;
            }
        } else if (bytesBeforeUnplug_-- == 0) {
            break;
        }
    }
    pty_->write(std::span(due.data(), through));
    if (through < due.size()) {
        closePair();
    }
}

}  // namespace quillet::sim
