#include "cli/SendCommand.h"

#include <charconv>
#include <cstdint>
#include <string_view>
#include <system_error>

#include "protocol/CommandTable.h"
#include "protocol/RecordFields.h"
#include "protocol/ReplyLayouts.h"
#include "protocol/RequestLayouts.h"

namespace quillet::cli {

namespace {

const std::string kUsage = "send INDEX [PARAMS]";

std::string commandTitle(std::size_t index) {
    return "command " + std::to_string(index) + " (" + std::string(commandName(index)) + ")";
}

// What the command's words are, for the messages about them.
std::string takes(std::size_t index, const LayoutRecord& params) {
    std::string names;
    for (const std::string& name : fieldNames(params, FieldSet::Request)) {
        names += " " + name;
    }
    return commandTitle(index) + (names.empty() ? " takes no parameters" : " takes:" + names);
}

Value reportValue(const FieldValue& value) {
    return std::visit([](const auto& v) { return Value(v); }, value);
}

}  // namespace

std::variant<SendRequest, std::string> parseSend(std::span<const std::string> words) {
    if (words.empty()) {
        return "send needs the index of a command: " + kUsage;
    }
    const std::string& word = words.front();
    std::size_t index = 0;
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, index);
    if (error == std::errc::invalid_argument || stop != end) {
        return "send: \"" + word + "\" is not a command index: " + kUsage;
    }
    const std::string range = "0.." + std::to_string(kCommandCount - 1);
    if (error == std::errc::result_out_of_range || index >= kCommandCount) {
        return "send: command " + word + " is outside the command table (" + range + ")";
    }
    const CommandSlot& slot = commandSlot(index);
    if (slot.isEmpty()) {
        return "send: command " + word + " is an empty slot of the command table";
    }

    SendRequest request{index, requestRecordFor(slot.requestLayout)};
    const std::string reason = parseFields(words.subspan(1), request.params, FieldSet::Request);
    if (!reason.empty()) {
        return "send: " + reason + "; " + takes(index, request.params);
    }
    return request;
}

void runSend(RecordingRunner& runner, const SendRequest& request, MeterReport& report) {
    const std::string name(commandName(request.index));
    report.fields.push_back({"command", "Команда", static_cast<long long>(request.index),
                             std::to_string(request.index) + " " + name, std::string()});

    const std::int32_t replyLayout = commandSlot(request.index).replyLayout;
    LayoutRecord reply = replyRecordFor(replyLayout);
    if (runner.execute(request.index, request.params, &reply) != 1) {
        report.fields.push_back(
            {"reply", "reply", std::monostate{}, "-", runner.outcomes().back().failure});
    } else if (replyLayout < 0 || replyLayout == kAcknowledgeLayout) {
        // Nothing to decode: the frame went out, or the device said "Y".
        const std::string state = replyLayout < 0 ? "sent" : "acknowledged";
        report.fields.push_back({"reply", "reply", state, state, std::string()});
    } else {
        visitFields(reply, [&](std::string_view field, const FieldValue& value) {
            report.fields.push_back({"reply." + std::string(field), std::string(field),
                                     reportValue(value), fieldText(value), std::string()});
        });
    }
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
