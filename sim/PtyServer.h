#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "serial/LinePeer.h"
#include "serial/PseudoTerminal.h"

namespace quillet::sim {

// Serves a simulated line on a pseudo-terminal, so that the program reaches it through
// its real terminal path. A pseudo-terminal delivers at once, so the server keeps the
// line's time itself: a request counts as arrived when its bytes would have crossed the
// line at the speed the program set, and every reply byte is written when it would have
// arrived.
class PtyServer {
public:
    // Opens the pair; throws std::system_error when none can be had.
    explicit PtyServer(std::shared_ptr<SharedLine> line);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // The device path the program opens.
    const std::string& terminalPath() const { return pty_.terminalPath(); }

    // Serves on a thread of its own until stop().
    void start();
    void stop();
    // Serves on the calling thread until `stopRequested` turns true.
    void run(const std::atomic<bool>& stopRequested);

private:
    void serveOnce(int waitMs);

    std::shared_ptr<SharedLine> line_;
    PseudoTerminal pty_;
    int terminalSide_ = -1;  // kept open so the program can close and reopen the port
    LinePeer::Clock::time_point inboundEnd_{};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace quillet::sim
