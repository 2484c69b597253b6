#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "serial/PortResult.h"

namespace quillet {

class ExchangeLog;

enum class ReceiveState : int { WaitStart = 0, InReply = 1, Idle = 2 };

// Assembles one framed reply from the received bytes, one byte at a time, and logs them.
// Not thread-safe: the port serialises its callers.
class ReceiveStateMachine {
public:
    // Bytes accepted while waiting for the start character; the next one ends the wait.
    static constexpr std::size_t kStartLimit = 100;

    explicit ReceiveStateMachine(ExchangeLog& log) : log_(log) {}

    // Awaits a reply into `reply` (non-empty). The buffer is emptied at once; the reply
    // record's marker is logged with the first received byte or by logReplyMarker().
    void begin(std::span<char> reply, std::uint8_t startChar, std::uint8_t endChar);

    // False when the byte is refused: the exchange has then ended with an error and the
    // caller drops the rest of what it read.
    bool accept(std::uint8_t byte);

    // Logs the reply marker unless a received byte already did.
    void logReplyMarker();
    // Ends the exchange without a result (time-out, failed write).
    void stop();

    ReceiveState state() const { return state_; }
    PortResult result() const { return result_; }
    std::size_t length() const { return length_; }

private:
    void logReceived(std::uint8_t byte);
    void finish(PortResult result);

    ExchangeLog& log_;
    std::span<char> reply_;
    std::uint8_t startChar_ = 0;
    std::uint8_t endChar_ = 0;
    std::size_t length_ = 0;
    bool markerPending_ = false;
    PortResult result_ = PortResult::Ok;
    ReceiveState state_ = ReceiveState::Idle;
};

}  // namespace quillet
