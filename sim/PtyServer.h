#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
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
//
// The device can be unplugged and plugged in again, as a USB adapter can: the pair is
// closed (the program's open port sees the line gone) and a fresh one made. Its path then
// changes; a stable link to the current one, as /dev/serial/by-id keeps, lets the program
// find it again.
class PtyServer {
public:
    // Opens the pair; throws std::system_error when none can be had. With `linkPath`, a
    // symbolic link there names the terminal while the device is plugged in.
    explicit PtyServer(std::shared_ptr<SharedLine> line, std::string linkPath = {});
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // The path the program opens: the link when there is one, else the terminal.
    std::string devicePath() const;
    // The terminal's own path (empty while unplugged).
    std::string terminalPath() const;

    // Serves on a thread of its own until stop().
    void start();
    void stop();
    // Serves on the calling thread until `stopRequested` turns true.
    void run(const std::atomic<bool>& stopRequested);

    // Pulls the plug once `lineEnds` more reply line ends (CR or LF) and a few bytes
    // after them have gone to the program: half-way into a reply.
    void unplugMidReply(std::size_t lineEnds);
    // Pulls the plug now, or puts it back with a fresh pair.
    void unplug();
    void plugIn();
    bool pluggedIn() const;

    // Bytes let through after the last awaited line end before the plug is pulled.
    static constexpr std::size_t kBytesIntoReply = 3;

private:
    void serveOnce(int waitMs);
    void openPair();   // with stateMutex_ held
    void closePair();  // with stateMutex_ held

    std::shared_ptr<SharedLine> line_;
    std::string linkPath_;

    mutable std::mutex stateMutex_;  // guards what follows; held while serving
    std::unique_ptr<PseudoTerminal> pty_;
    int terminalSide_ = -1;  // kept open so the program can close and reopen the port
    std::optional<std::size_t> lineEndsBeforeUnplug_;
    std::size_t bytesBeforeUnplug_ = 0;
    LinePeer::Clock::time_point inboundEnd_{};

    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace quillet::sim
