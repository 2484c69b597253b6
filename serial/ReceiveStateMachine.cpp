#include "serial/ReceiveStateMachine.h"

#include "serial/ExchangeLog.h"

namespace quillet {

void ReceiveStateMachine::begin(std::span<char> reply, std::uint8_t startChar,
                                std::uint8_t endChar) {
    reply_ = reply;
    startChar_ = startChar;
    endChar_ = endChar;
    length_ = 0;
    result_ = PortResult::Ok;
    // Emptied before any byte can arrive, so a fast device's first byte is never lost.
    reply_[0] = '\0';
    markerPending_ = true;
    state_ = ReceiveState::WaitStart;
}

void ReceiveStateMachine::logReplyMarker() {
    if (markerPending_) {
        markerPending_ = false;
        log_.appendRecordStart(ExchangeLog::kReplyTag);
    }
}

void ReceiveStateMachine::logReceived(std::uint8_t byte) {
    logReplyMarker();
    log_.append(byte == 0x00 ? std::uint8_t{0x20} : byte);
}

void ReceiveStateMachine::finish(PortResult result) {
    result_ = result;
    state_ = ReceiveState::Idle;
}

void ReceiveStateMachine::stop() {
    markerPending_ = false;
    state_ = ReceiveState::Idle;
}

bool ReceiveStateMachine::accept(std::uint8_t byte) {
    switch (state_) {
        case ReceiveState::Idle:
            return true;

        case ReceiveState::WaitStart:
            logReceived(byte);
            if (length_++ > kStartLimit) {
                finish(PortResult::TooMuchBeforeStart);
                return false;
            }
            if (startChar_ == 0 || byte == startChar_) {
                reply_[0] = static_cast<char>(byte);
                if (reply_.size() > 1) {
                    reply_[1] = '\0';
                }
                length_ = 1;
                state_ = ReceiveState::InReply;
            }
            return true;

        case ReceiveState::InReply:
            // Room for this byte and the terminating zero, one byte to spare.
            if (length_ + 2 >= reply_.size()) {
                finish(PortResult::ReplyOverflow);
                return false;
            }
            logReceived(byte);
            reply_[length_++] = static_cast<char>(byte);
            // Kept terminated at every step: a caller never reads past a partial reply.
            reply_[length_] = '\0';
            if (byte == endChar_ || byte == 0x00) {
                finish(PortResult::Ok);
            }
            return true;
    }
    return true;
}

}  // namespace quillet
