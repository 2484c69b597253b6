#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

namespace quillet::sim {

namespace {

using Clock = LinePeer::Clock;

}  // namespace

PtyServer::PtyServer(std::shared_ptr<SharedLine> line) : line_(std::move(line)) {
    terminalSide_ = ::open(pty_.terminalPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminalSide_ < 0) {
        throw std::system_error(errno, std::generic_category(), "terminal side");
    }
    // Raw until the program sets the line up: no echo, no line editing.
    termios tio{};
    if (::tcgetattr(terminalSide_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        ::tcsetattr(terminalSide_, TCSANOW, &tio);
    }
}

PtyServer::~PtyServer() {
    stop();
    ::close(terminalSide_);
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
    pollfd pfd{pty_.descriptor(), POLLIN, 0};
    const int ready = ::poll(&pfd, 1, waitMs);
    std::lock_guard lock(line_->mutex);
    LinePeer& peer = *line_->peer;
    if (ready > 0 && (pfd.revents & POLLIN)) {
        std::array<std::uint8_t, 4096> buffer;
        const ssize_t n = ::read(pty_.descriptor(), buffer.data(), buffer.size());
        if (n > 0) {
            const int baud = pty_.terminalBaudRate();
            const auto now = Clock::now();
            inboundEnd_ = std::max(now, inboundEnd_) + lineByteTime(baud) * n;
            peer.receive(std::span(buffer.data(), static_cast<std::size_t>(n)), baud, inboundEnd_);
        }
    }
    const std::vector<std::uint8_t> due = peer.takeDue(Clock::now());
    if (!due.empty() && peer.connected()) {
        pty_.write(due);
    }
}

}  // namespace quillet::sim
