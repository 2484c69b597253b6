#include "sim/LineSimulator.h"

#include <algorithm>

namespace quillet::sim {

namespace {

using Clock = LinePeer::Clock;

constexpr std::size_t kFrameLimit = 512;  // longer without an end: line noise, dropped
constexpr std::size_t kSeenLimit = 1000;

}  // namespace

LineSimulator::LineSimulator(SimulatorOptions options)
    : options_(std::move(options)), devices_(options_.devices), faults_(options_.faults) {
    if (options_.modem) {
        modem_.emplace(*options_.modem);
    }
}

void LineSimulator::send(std::string_view bytes, Clock::time_point from, int baudRate) {
    Clock::time_point at = std::max(from, lineBusyUntil_);
    const Clock::duration step = lineByteTime(baudRate);
    for (char c : bytes) {
        at += step;
        outbound_.emplace_back(at, static_cast<std::uint8_t>(c));
    }
    lineBusyUntil_ = at;
}

void LineSimulator::receive(std::span<const std::uint8_t> bytes, int baudRate,
                            Clock::time_point at) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    portBaud_ = baudRate;
    if (!modem_) {
        lineBytes(text, baudRate, at);
        return;
    }
    // A modem adapts to the port's speed; its answers come at once.
    const HayesModem::Output out = modem_->receive(text, at);
    if (!out.toPort.empty()) {
        send(out.toPort, at, baudRate);
    }
    if (!out.toLine.empty()) {
        lineBytes(out.toLine, devices_.lineBaud(), at);
    }
}

void LineSimulator::lineBytes(std::string_view bytes, int baudRate, Clock::time_point at) {
    if (baudRate != devices_.lineBaud()) {
        // At the wrong speed every byte arrives as garbage with a framing error, and the
        // devices hear garbage too: nobody answers.
        std::string garbage;
        for (char c : bytes) {
            garbage += static_cast<char>(0x80 | (static_cast<unsigned char>(c) * 37 % 0x7F));
        }
        faultCounts_.errors += bytes.size();
        send(garbage, at, baudRate);
        frame_.clear();
        return;
    }
    for (char c : bytes) {
        if (frame_.empty() && c != '@' && c != '#' && c != '&') {
            continue;  // not the start of a frame
        }
        frame_ += c;
        // Controller frames end in LF (a meter frame inside them ends in CR).
        const char end = frame_.front() == '&' ? '\n' : '\r';
        if (c == end) {
            frameComplete(at);
        } else if (frame_.size() > kFrameLimit) {
            frame_.clear();
        }
    }
}

void LineSimulator::frameComplete(Clock::time_point at) {
    framesSeen_.push_back(frame_);
    if (framesSeen_.size() > kSeenLimit) {
        framesSeen_.pop_front();
    }
    // A speed change takes effect after its acknowledgement, which still goes at the
    // old speed.
    const int replyBaud = devices_.lineBaud();
    std::optional<std::string> reply = devices_.handleFrame(frame_);
    frame_.clear();
    lastReplyFault_.reset();
    if (!reply) {
        return;
    }
    const Fault fault = faults_.next();
    lastReplyFault_ = fault;
    if (fault == Fault::NoReply) {
        return;
    }
    Clock::time_point start = at + options_.turnaround;
    if (fault == Fault::DelayPastTimeout) {
        start = at + faults_.delay();
    } else {
        *reply = faults_.apply(fault, std::move(*reply));
    }
    send(*reply, start, replyBaud);
}

std::vector<std::uint8_t> LineSimulator::takeDue(Clock::time_point now) {
    if (modem_) {
        const std::string late = modem_->takeDue(now);
        if (!late.empty()) {
            send(late, now, portBaud_);
        }
    }
    std::vector<std::uint8_t> due;
    while (!outbound_.empty() && outbound_.front().first <= now) {
        due.push_back(outbound_.front().second);
        outbound_.pop_front();
    }
    return due;
}

std::optional<Clock::time_point> LineSimulator::nextDue() const {
    std::optional<Clock::time_point> next;
    if (!outbound_.empty()) {
        next = outbound_.front().first;
    }
    if (modem_) {
        const std::optional<Clock::time_point> modemNext = modem_->nextDue();
        if (modemNext && (!next || *modemNext < *next)) {
            next = modemNext;
        }
    }
    return next;
}

unsigned LineSimulator::modemLines(Clock::time_point) {
    if (!connected_) {
        return 0;
    }
    // The line's interface is powered: clear to send, data set ready.
    unsigned lines = ModemStatus::kCtsOn | ModemStatus::kDsrOn;
    if (modem_ && modem_->carrier()) {
        lines |= ModemStatus::kDcdOn;
    }
    return lines;
}

}  // namespace quillet::sim
