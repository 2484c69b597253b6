#include "sim/DeviceLine.h"

#include <algorithm>
#include <cctype>
#include <deque>

#include "protocol/Frame.h"
#include "sim/CardReaderModel.h"
#include "sim/ControllerModel.h"
#include "sim/MeterCommands.h"
#include "sim/MeterModel.h"

namespace quillet::sim {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr std::size_t kChecksumLength = 2;
constexpr std::size_t kAddressLength = 3;
constexpr std::string_view kGroupSpeedCode = "S";

// The text between the start character and the checksum of a frame that ends in `end`
// and carries a correct checksum; nothing for a garbled frame.
std::optional<std::string_view> frameText(std::string_view frame, char end) {
    if (frame.size() < 1 + kChecksumLength + 1 || frame.back() != end || !verifyChecksum(frame)) {
        return std::nullopt;
    }
    return frame.substr(1, frame.size() - 2 - kChecksumLength);
}

std::optional<int> meterAddress(std::string_view text) {
    if (text.size() < kAddressLength ||
        !std::all_of(text.begin(), text.begin() + kAddressLength,
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
        return std::nullopt;
    }
    return (text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0');
}

std::string threeDigits(int value) {
    return {static_cast<char>('0' + value / 100 % 10), static_cast<char>('0' + value / 10 % 10),
            static_cast<char>('0' + value % 10)};
}

}  // namespace

struct DeviceLine::State {
    State(const DeviceLineOptions& options, std::function<WallTime()> now)
        : lineBaud(options.lineBaud),
          cardReaderBehindController(options.cardReaderBehindController),
          controller(options.controllerAddress),
          reader(options.seed) {
        for (const MeterConfig& config : options.meters) {
            meters.emplace_back(config, options.seed, options.resetJumper, options.lineBaud, now);
        }
    }

    std::optional<std::string> lineFrame(std::string_view frame, bool viaController);
    std::optional<std::string> meterFrame(std::string_view text);
    void groupFrame(std::string_view text, bool viaController);
    std::optional<std::string> cardFrame(std::string_view text);
    std::optional<std::string> controllerFrame(std::string_view frame);

    int lineBaud;
    bool cardReaderBehindController;
    std::deque<MeterModel> meters;  // stable addresses for meter()
    ControllerModel controller;
    CardReaderModel reader;
};

// A meter or card-reader frame ("#", "@"), straight from the port or forwarded by the
// controller.
std::optional<std::string> DeviceLine::State::lineFrame(std::string_view frame,
                                                        bool viaController) {
    const std::optional<std::string_view> text = frameText(frame, kCr);
    if (!text || text->empty()) {
        return std::nullopt;
    }
    if (frame.front() == '@') {
        groupFrame(*text, viaController);
        return std::nullopt;
    }
    if (frame.front() != '#') {
        return std::nullopt;
    }
    return text->front() == '!' ? cardFrame(*text) : meterFrame(*text);
}

// "#" address password code parameters: answered by the meter at that address, if it
// listens at the line's speed.
std::optional<std::string> DeviceLine::State::meterFrame(std::string_view text) {
    const std::optional<int> address = meterAddress(text);
    if (!address || text.size() <= kAddressLength + kPasswordLength) {
        return std::nullopt;
    }
    const auto meter = std::find_if(meters.begin(), meters.end(), [&](const MeterModel& m) {
        return m.settings().address == *address && m.settings().baud == lineBaud;
    });
    if (meter == meters.end()) {
        return std::nullopt;
    }
    const std::string_view command = text.substr(kAddressLength);
    const Served served = serveMeterCommand(*meter, command);
    if (!served.body) {
        return std::nullopt;
    }
    // Answered from the address the meter has now: a new one after "A".
    std::string body = threeDigits(meter->settings().address);
    body += command[kPasswordLength];
    body += *served.body;
    return appendChecksum('~', body, kCr);
}

// "@" group password code parameters: every listening meter, nobody answers. A speed
// change from the port moves the line with the meters; through the controller only the
// meters move, until the controller is told to follow.
void DeviceLine::State::groupFrame(std::string_view text, bool viaController) {
    std::optional<int> newBaud;
    for (MeterModel& meter : meters) {
        if (meter.settings().baud != lineBaud) {
            continue;
        }
        const Served served = runGroupCommand(meter, text);
        if (served.executed && served.code == kGroupSpeedCode) {
            newBaud = meter.settings().baud;
        }
    }
    if (newBaud && !viaController) {
        lineBaud = *newBaud;
    }
}

// "#!" code parameters.
std::optional<std::string> DeviceLine::State::cardFrame(std::string_view text) {
    const Served served = reader.serve(text);
    if (!served.body || text.size() < 2) {
        return std::nullopt;
    }
    std::string body(text.substr(0, 2));
    body += *served.body;
    return appendChecksum('~', body, kCr);
}

// "&" address "M" command, or "&" address "P" complete meter frame.
std::optional<std::string> DeviceLine::State::controllerFrame(std::string_view frame) {
    const std::optional<std::string_view> text = frameText(frame, kLf);
    if (!text || text->size() < 3 || text->front() != controller.address()) {
        return std::nullopt;
    }
    const std::string_view command = text->substr(2);
    std::string body(1, controller.address());
    switch ((*text)[1]) {
        case 'M': {
            const Served served = controller.serve(command);
            if (!served.body) {
                return std::nullopt;
            }
            body += command.front();
            body += *served.body;
            break;
        }
        case 'P': {
            const std::optional<std::string> inner = lineFrame(command, true);
            const bool groupCommand = command.front() == '@' && frameText(command, kCr);
            controller.forwarded(inner.has_value() || groupCommand);
            if (!inner) {
                return std::nullopt;
            }
            body += 'P';
            body += *inner;
            break;
        }
        default:
            return std::nullopt;
    }
    return appendChecksum('~', body, kLf);
}

DeviceLine::DeviceLine(DeviceLineOptions options, std::function<WallTime()> now)
    : state_(std::make_unique<State>(options, std::move(now))) {}

DeviceLine::~DeviceLine() = default;

std::optional<std::string> DeviceLine::handleFrame(std::string_view frame) {
    if (frame.empty()) {
        return std::nullopt;
    }
    if (frame.front() != '&') {
        std::optional<std::string> reply = state_->lineFrame(frame, false);
        const bool cardFrame = frame.size() > 1 && frame[1] == '!';
        if (reply && cardFrame && state_->cardReaderBehindController) {
            std::string body(1, state_->controller.address());
            body += 'P';
            body += *reply;
            return appendChecksum('~', body, kLf);
        }
        return reply;
    }
    std::optional<std::string> reply = state_->controllerFrame(frame);
    // The controller changes its speed once its acknowledgement is on the line.
    if (const std::optional<int> baud = state_->controller.takeSpeedChange()) {
        state_->lineBaud = *baud;
    }
    return reply;
}

int DeviceLine::lineBaud() const {
    return state_->lineBaud;
}

void DeviceLine::setLineBaud(int baud) {
    state_->lineBaud = baud;
    for (MeterModel& meter : state_->meters) {
        meter.settings().baud = baud;
    }
}

MeterModel* DeviceLine::meter(int address) {
    const auto found =
        std::find_if(state_->meters.begin(), state_->meters.end(),
                     [address](const MeterModel& m) { return m.settings().address == address; });
    return found == state_->meters.end() ? nullptr : &*found;
}

}  // namespace quillet::sim
