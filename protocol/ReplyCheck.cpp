#include "protocol/ReplyCheck.h"

#include "protocol/CommandTable.h"
#include "protocol/ReplyLayouts.h"
#include "serial/PortResult.h"

namespace quillet {

namespace {

// A character of the text, or NUL past its end: short replies simply fail the checks.
char charAt(std::string_view text, std::size_t pos) {
    return pos < text.size() ? text[pos] : '\0';
}

long length(std::string_view text) {
    return static_cast<long>(text.size());
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The meter address at positions 1..3, read from the last digit to the first.
bool addressMatches(std::string_view reply, int address) {
    int value = 0;
    int weight = 1;
    for (std::size_t pos = 3; pos >= 1; --pos) {
        const char c = charAt(reply, pos);
        if (!isDigit(c)) {
            return false;
        }
        value += (c - '0') * weight;
        weight *= 10;
    }
    return value == address;
}

bool threeDigitsAt1(std::string_view reply) {
    return isDigit(charAt(reply, 1)) && isDigit(charAt(reply, 2)) && isDigit(charAt(reply, 3));
}

ReplyFault checkControllerReply(const CommandSlot& slot, std::string_view reply,
                                const LinkSettings& link, LayoutRecord* record) {
    const bool framed = verifyChecksum(reply) && charAt(reply, 1) == link.controllerAddress &&
                        charAt(reply, 2) == charAt(slot.code, 0);
    if (framed) {
        if (decodeReply(slot.replyLayout, record, substringAt(reply, 3, length(reply) - 6))) {
            return ReplyFault::None;
        }
        if (reply.size() == 7 && reply[3] == 'N') {
            return ReplyFault::ControllerRefused;
        }
    }
    return ReplyFault::WrongControllerReply;
}

ReplyFault checkDeviceReply(std::size_t commandIndex, const CommandSlot& slot,
                            std::string_view reply, const LinkSettings& link,
                            LayoutRecord* record) {
    if (!verifyChecksum(reply)) {
        return ReplyFault::WrongMeterReply;
    }
    bool matches = true;
    std::string_view body;
    switch (slot.deviceGroup()) {
        case DeviceGroup::OneMeter:
            // Changing the address is answered from the new address.
            matches = commandIndex == kSetMeterAddressCommand ? threeDigitsAt1(reply)
                                                              : addressMatches(reply, link.address);
            matches = matches && charAt(reply, 4) == charAt(slot.code, 0);
            body = substringAt(reply, 5, length(reply) - 8);
            break;
        case DeviceGroup::CardReader:
            matches = charAt(reply, 1) == charAt(slot.code, 0) &&
                      charAt(reply, 2) == charAt(slot.code, 1);
            body = substringAt(reply, 3, length(reply) - 6);
            break;
        default:
            break;  // group commands await no reply; nothing to compare
    }
    if (matches && reply.front() == kReplyStart && reply.back() == '\r') {
        if (decodeReply(slot.replyLayout, record, body)) {
            return ReplyFault::None;
        }
        if (body == "N" || body == "?") {
            return ReplyFault::MeterRefused;
        }
    }
    return ReplyFault::WrongMeterReply;
}

}  // namespace

ReplyFault checkReply(std::size_t commandIndex, std::string_view reply, const LinkSettings& link,
                      LayoutRecord* record) {
    const CommandSlot& slot = commandSlot(commandIndex);
    if (slot.deviceGroup() == DeviceGroup::Controller) {
        return checkControllerReply(slot, reply, link, record);
    }
    if (link.throughController()) {
        if (!verifyChecksum(reply) || charAt(reply, 1) != link.controllerAddress ||
            charAt(reply, 2) != 'P') {
            return ReplyFault::WrongControllerFrame;
        }
        reply = substringAt(reply, 3, length(reply) - 6);
    }
    return checkDeviceReply(commandIndex, slot, reply, link, record);
}

std::string_view replyFaultText(ReplyFault fault) {
    switch (fault) {
        case ReplyFault::MeterRefused:
            return "Счетчик ответил отказом";
        case ReplyFault::WrongMeterReply:
            return "Неверный ответ счетчика";
        case ReplyFault::ControllerRefused:
            return "Контроллер ответил отказом";
        case ReplyFault::WrongControllerReply:
            return "Неверный ответ контролера";
        default:
            return {};
    }
}

std::string commandErrorMessage(std::string_view reason, std::size_t commandIndex) {
    std::string message(reason);
    message.append("\r\n\r\nКоманда: \"").append(commandName(commandIndex)).append("\"");
    return message;
}

std::string invalidParamsMessage(std::size_t commandIndex) {
    return commandErrorMessage("Неверные параметры команды.", commandIndex);
}

std::string replyFaultMessage(ReplyFault fault, std::size_t commandIndex) {
    if (fault == ReplyFault::WrongControllerFrame) {
        std::string reason(portResultText(PortResult::Ok));
        reason.append("\r\n\r\nНеверный ответ контролера.");
        return commandErrorMessage(reason, commandIndex);
    }
    return commandErrorMessage(replyFaultText(fault), commandIndex);
}

}  // namespace quillet
