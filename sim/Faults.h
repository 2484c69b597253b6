#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::sim {

// What can go wrong with one reply on the line.
enum class Fault {
    None,
    NoReply,           // the device stays silent
    CutShort,          // the reply stops half-way, without its end character
    BadChecksum,       // one checksum digit is wrong
    OtherAddress,      // a well-formed reply from another meter address
    Refusal,           // the device answers "N"
    NoiseBeforeStart,  // line noise before the start character
    OverlongReply,     // a reply longer than any reply buffer
    NulByte,           // a NUL byte in the middle of the reply
    DelayPastTimeout,  // the reply comes, but late
};

std::string_view faultName(Fault fault);
std::optional<Fault> faultFromName(std::string_view name);

// Which fault hits the next reply: a script first, then at random with a fixed seed.
struct FaultOptions {
    std::deque<Fault> script;
    double rate = 0;           // share of replies hit after the script, 0..1
    std::vector<Fault> kinds;  // drawn from at random; empty: every kind
    std::uint32_t seed = 1;
    std::chrono::milliseconds delay{3000};  // how late DelayPastTimeout answers
};

class FaultInjector {
public:
    explicit FaultInjector(FaultOptions options = {});

    // The fault for the next reply.
    Fault next();
    // Queues faults for the next replies, ahead of the random ones.
    void script(std::initializer_list<Fault> faults);
    std::chrono::milliseconds delay() const { return options_.delay; }

    // Applies a fault that changes the bytes of a reply frame (start character through
    // end character, possibly a controller frame around a meter frame).
    std::string apply(Fault fault, std::string reply);

private:
    FaultOptions options_;
    std::mt19937 random_;
};

}  // namespace quillet::sim
