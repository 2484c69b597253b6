#include "protocol/Frame.h"

#include <array>
#include <cstdio>

#include "protocol/CommandTable.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

std::string threeDigits(int value) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%03d", value);
    return text.data();
}

}  // namespace

std::uint8_t frameChecksum(std::string_view text) {
    unsigned sum = 0;
    for (char c : text) {
        sum += static_cast<unsigned char>(c);
    }
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::string appendChecksum(char start, std::string_view body, char end) {
    std::string frame;
    frame.reserve(body.size() + 4);
    frame += start;
    frame += body;
    const std::uint8_t sum = frameChecksum(frame);
    frame += kHexDigits[sum >> 4];
    frame += kHexDigits[sum & 0x0F];
    frame += end;
    return frame;
}

bool verifyChecksum(std::string_view text) {
    if (text.size() < 3) {
        return false;
    }
    const std::size_t at = text.size() - 3;
    const int high = hexDigitValue(text[at]);
    const int low = hexDigitValue(text[at + 1]);
    return high >= 0 && low >= 0 && high * 16 + low == frameChecksum(text.substr(0, at));
}

std::string_view substringAt(std::string_view text, long pos, long length) {
    if (length <= 0 || pos < 0 || static_cast<std::size_t>(pos) >= text.size()) {
        return {};
    }
    return text.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(length));
}

std::string wrapForController(char controllerAddress, std::string_view innerFrame) {
    std::string body(1, controllerAddress);
    body += 'P';
    body += innerFrame;
    return appendChecksum('&', body, kLf);
}

std::optional<std::string> buildRequestFrame(std::size_t commandIndex, std::string_view params,
                                             const LinkSettings& link) {
    const CommandSlot& slot = commandSlot(commandIndex);
    std::string body;
    std::string frame;
    switch (slot.deviceGroup()) {
        case DeviceGroup::AllMeters:
            body.append(link.groupPassword).append(slot.code).append(params);
            frame = appendChecksum('@', body, kCr);
            break;
        case DeviceGroup::OneMeter:
            body.append(threeDigits(link.address))
                .append(link.privatePassword)
                .append(slot.code)
                .append(params);
            frame = appendChecksum('#', body, kCr);
            break;
        case DeviceGroup::Controller:
            body.append(1, link.controllerAddress).append("M").append(slot.code).append(params);
            return appendChecksum('&', body, kLf);
        case DeviceGroup::CardReader:
            body.append(slot.code).append(params);
            return appendChecksum('#', body, kCr);
        default:
            return std::nullopt;
    }
    if (link.throughController()) {
        return wrapForController(link.controllerAddress, frame);
    }
    return frame;
}

char awaitedEndChar(std::size_t commandIndex, const LinkSettings& link) {
    return link.throughController() ||
                   commandSlot(commandIndex).deviceGroup() == DeviceGroup::Controller
               ? kLf
               : kCr;
}

}  // namespace quillet
