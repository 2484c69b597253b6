// The body of a reply, taken out of well-formed frames around any payload: as a meter,
// the card reader or the controller answers, directly and inside the controller's frame
// (link types 1..3). fuzz_check_reply feeds raw bytes, which rarely get past a checksum,
// let alone two; here every frame is sound unless the input asks for a fault.
//
// Promises: a sound frame is taken exactly when its body decodes, into the record the
// body alone decodes to, and otherwise refused with the fault its body calls for; a
// frame from another meter, for another command or from another controller is never
// taken; one damaged byte is never taken unless it is one the checks may ignore (the
// case of a checksum digit, the end of a controller frame), and then nothing changes.
//
// Input: command index, link byte (bits 0..1 link type, 2 another meter address, 3
// another command code, 4 another controller address, 5 a damaged byte), address byte,
// damage position, damage pattern, then the body.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "protocol/CommandTable.h"
#include "protocol/Frame.h"
#include "protocol/RecordFields.h"
#include "protocol/ReplyCheck.h"
#include "protocol/ReplyLayouts.h"
#include "protocol/ValueText.h"
#include "tests/fuzz/FuzzRequire.h"

namespace {

using namespace quillet;

constexpr std::size_t kHeaderBytes = 5;

// Every field of a record with its value, doubles to the last bit.
std::string recordText(const LayoutRecord& record) {
    std::string text = std::to_string(record.index());
    visitFields(record, [&text](std::string_view name, const FieldValue& value) {
        text.append(";").append(name).append("=").append(fieldText(value));
    });
    return text;
}

std::string threeDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", value);
    return text;
}

struct Outcome {
    ReplyFault fault;
    std::string record;
};

Outcome check(std::size_t command, std::string_view reply, const LinkSettings& link, int layout) {
    LayoutRecord record = replyRecordFor(layout);
    const ReplyFault fault = checkReply(command, reply, link, &record);
    return {fault, fault == ReplyFault::None ? recordText(record) : std::string()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderBytes) {
        return 0;
    }
    const std::size_t command = data[0] % kCommandCount;
    const CommandSlot& slot = commandSlot(command);
    const DeviceGroup group = slot.deviceGroup();
    // Group commands and those without a reply never get one checked.
    if (slot.replyLayout < 0 ||
        (group != DeviceGroup::OneMeter && group != DeviceGroup::CardReader &&
         group != DeviceGroup::Controller)) {
        return 0;
    }
    const std::uint8_t flags = data[1];
    const bool otherAddress = (flags & 0x04) != 0;
    const bool otherCode = (flags & 0x08) != 0;
    const bool otherController = (flags & 0x10) != 0;
    const bool damaged = (flags & 0x20) != 0;

    LinkSettings link;
    link.linkType = flags & 0x03;
    link.address = data[2] * 4 % 1000;
    link.controllerAddress = static_cast<char>('0' + data[2] % 10);
    const std::string_view body(reinterpret_cast<const char*>(data + kHeaderBytes),
                                size - kHeaderBytes);

    const bool toController = group == DeviceGroup::Controller;
    const bool wrapped = !toController && link.throughController();
    const char controller = static_cast<char>(link.controllerAddress ^ (otherController ? 1 : 0));
    std::string code(slot.code.substr(0, group == DeviceGroup::CardReader ? 2 : 1));
    if (otherCode) {
        code.back() = static_cast<char>(code.back() ^ 1);
    }

    std::string reply;
    if (toController) {
        reply = appendChecksum('~', std::string(1, controller) + code + std::string(body), '\n');
    } else {
        std::string inner = code + std::string(body);
        if (group == DeviceGroup::OneMeter) {
            inner = threeDigits(otherAddress ? (link.address + 1) % 1000 : link.address) + inner;
        }
        reply = appendChecksum('~', inner, '\r');
        if (wrapped) {
            reply = appendChecksum('~', std::string(1, controller) + 'P' + reply, '\n');
        }
    }

    // The fault of a frame that is not sound as a whole.
    const ReplyFault frameFault = wrapped        ? ReplyFault::WrongControllerFrame
                                  : toController ? ReplyFault::WrongControllerReply
                                                 : ReplyFault::WrongMeterReply;
    const Outcome sound = check(command, reply, link, slot.replyLayout);

    const bool foreignMeter =
        otherAddress && group == DeviceGroup::OneMeter && command != kSetMeterAddressCommand;
    if (otherController && (wrapped || toController)) {
        FUZZ_REQUIRE(sound.fault == frameFault);
    } else if (foreignMeter || otherCode) {
        FUZZ_REQUIRE(sound.fault == (toController ? ReplyFault::WrongControllerReply
                                                  : ReplyFault::WrongMeterReply));
    } else {
        LayoutRecord alone = replyRecordFor(slot.replyLayout);
        if (decodeReply(slot.replyLayout, &alone, body)) {
            FUZZ_REQUIRE(sound.fault == ReplyFault::None);
            FUZZ_REQUIRE(sound.record == recordText(alone));
        } else if (toController) {
            FUZZ_REQUIRE(sound.fault == (body == "N" ? ReplyFault::ControllerRefused
                                                     : ReplyFault::WrongControllerReply));
        } else {
            FUZZ_REQUIRE(sound.fault == (body == "N" || body == "?" ? ReplyFault::MeterRefused
                                                                    : ReplyFault::WrongMeterReply));
        }
    }

    if (damaged) {
        const std::size_t at = data[3] % reply.size();
        const char was = reply[at];
        reply[at] = static_cast<char>(was ^ (data[4] == 0 ? 1 : data[4]));
        const bool checksumDigit = at + 3 == reply.size() || at + 2 == reply.size();
        const bool ignored = (at + 1 == reply.size() && (wrapped || toController)) ||
                             (checksumDigit && hexDigitValue(reply[at]) == hexDigitValue(was));
        const Outcome hurt = check(command, reply, link, slot.replyLayout);
        if (ignored) {
            FUZZ_REQUIRE(hurt.fault == sound.fault && hurt.record == sound.record);
        } else {
            FUZZ_REQUIRE(hurt.fault == frameFault);
        }
    }
    return 0;
}
