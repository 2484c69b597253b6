#include "sim/Faults.h"

#include <array>
#include <utility>

#include "protocol/Frame.h"

namespace quillet::sim {

namespace {

constexpr std::array<std::pair<Fault, std::string_view>, 10> kNames = {{
    {Fault::None, "none"},
    {Fault::NoReply, "no-reply"},
    {Fault::CutShort, "cut-short"},
    {Fault::BadChecksum, "bad-checksum"},
    {Fault::OtherAddress, "other-address"},
    {Fault::Refusal, "refusal"},
    {Fault::NoiseBeforeStart, "noise"},
    {Fault::OverlongReply, "overlong"},
    {Fault::NulByte, "nul"},
    {Fault::DelayPastTimeout, "delay"},
}};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A reply frame taken apart: start, header, body, end; a controller frame keeps its
// own header around the inner meter frame.
struct Parts {
    std::string outerHeader;  // "~" + controller address + "P" when wrapped
    std::string header;       // "~" and the address and code characters
    std::string body;
    char end = '\r';
    bool wrapped = false;
};

// Meter replies carry "~" + three digits + code; card and controller replies "~" + two.
std::size_t headerLength(std::string_view frame) {
    return frame.size() > 4 && isDigit(frame[1]) && isDigit(frame[2]) && isDigit(frame[3]) ? 5 : 3;
}

std::optional<Parts> split(std::string_view reply) {
    Parts parts;
    std::string_view frame = reply;
    if (reply.size() > 6 && reply[2] == 'P' && reply[3] == '~') {
        parts.outerHeader = std::string(reply.substr(0, 3));
        parts.wrapped = true;
        frame = reply.substr(3, reply.size() - 6);
    }
    const std::size_t header = headerLength(frame);
    if (frame.size() < header + 3) {
        return std::nullopt;
    }
    parts.header = std::string(frame.substr(0, header));
    parts.body = std::string(frame.substr(header, frame.size() - header - 3));
    parts.end = frame.back();
    return parts;
}

std::string join(const Parts& parts) {
    const std::string inner = appendChecksum('~', parts.header.substr(1) + parts.body, parts.end);
    if (!parts.wrapped) {
        return inner;
    }
    return appendChecksum('~', parts.outerHeader.substr(1) + inner, '\n');
}

}  // namespace

std::string_view faultName(Fault fault) {
    for (const auto& [kind, name] : kNames) {
        if (kind == fault) {
            return name;
        }
    }
    return {};
}

std::optional<Fault> faultFromName(std::string_view name) {
    for (const auto& [kind, text] : kNames) {
        if (text == name) {
            return kind;
        }
    }
    return std::nullopt;
}

FaultInjector::FaultInjector(FaultOptions options)
    : options_(std::move(options)), random_(options_.seed) {}

void FaultInjector::script(std::initializer_list<Fault> faults) {
    options_.script.insert(options_.script.end(), faults.begin(), faults.end());
}

Fault FaultInjector::next() {
    if (!options_.script.empty()) {
        const Fault fault = options_.script.front();
        options_.script.pop_front();
        return fault;
    }
    if (options_.rate <= 0) {
        return Fault::None;
    }
    if (std::uniform_real_distribution<double>(0, 1)(random_) >= options_.rate) {
        return Fault::None;
    }
    if (options_.kinds.empty()) {
        return static_cast<Fault>(1 + random_() % (kNames.size() - 1));
    }
    return options_.kinds[random_() % options_.kinds.size()];
}

std::string FaultInjector::apply(Fault fault, std::string reply) {
    switch (fault) {
        case Fault::CutShort:
            reply.resize(reply.size() / 2);
            return reply;
        case Fault::BadChecksum:
            if (reply.size() >= 3) {
                char& digit = reply[reply.size() - 2];
                digit = digit == '0' ? '1' : '0';
            }
            return reply;
        case Fault::NoiseBeforeStart: {
            std::string noise;
            for (int i = 0; i < 20; ++i) {
                noise += static_cast<char>('A' + random_() % 26);
            }
            return noise + reply;
        }
        case Fault::NulByte:
            if (reply.size() > 2) {
                reply.insert(reply.size() / 2, 1, '\0');
            }
            return reply;
        case Fault::OverlongReply:
        case Fault::Refusal:
        case Fault::OtherAddress: {
            std::optional<Parts> parts = split(reply);
            if (!parts) {
                return reply;
            }
            if (fault == Fault::OverlongReply) {
                parts->body.append(120, '0');
            } else if (fault == Fault::Refusal) {
                parts->body = "N";
            } else if (parts->header.size() == 5) {
                const int address = (std::stoi(parts->header.substr(1, 3)) + 1) % 1000;
                const std::string digits = std::to_string(1000 + address).substr(1);
                parts->header.replace(1, 3, digits);
            }
            return join(*parts);
        }
        default:
            return reply;
    }
}

}  // namespace quillet::sim
