#include "sim/CommandDispatch.h"

#include "protocol/RequestLayouts.h"
#include "sim/ReplyEncoder.h"
#include "sim/RequestDecoder.h"

namespace quillet::sim {

namespace {

const CommandSlot* findSlot(DeviceGroup group, std::string_view code) {
    for (const CommandSlot& slot : commandTable()) {
        if (slot.deviceGroup() == group && slot.code == code) {
            return &slot;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<CodeMatch> matchCode(std::span<const std::string_view> codes, std::string_view text) {
    std::optional<CodeMatch> best;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const std::string_view code = codes[i];
        if (text.starts_with(code) && (!best || code.size() > codes[best->entry].size())) {
            best = CodeMatch{i, text.substr(code.size())};
        }
    }
    return best;
}

Served unknownCommand(std::string_view text, RefusalBodies bodies) {
    return {std::string(text.substr(0, 1)), false, std::string(bodies.unknown)};
}

Served runCommand(DeviceGroup group, std::string_view code, std::string_view params,
                  const std::function<Reply(const LayoutRecord&)>& run, RefusalBodies bodies) {
    const CommandSlot* slot = findSlot(group, code);
    if (slot == nullptr) {
        return unknownCommand(code, bodies);
    }
    Served served{std::string(code), false, std::nullopt};
    const auto refused = [&] {
        if (slot->replyLayout >= 0) {
            served.body = std::string(bodies.refused);
        }
        return served;
    };
    LayoutRecord record;
    // The handlers take the record type of the layout for granted.
    if (!decodeParams(slot->requestLayout, params, record) ||
        record.index() != requestRecordFor(slot->requestLayout).index()) {
        return refused();
    }
    const Reply reply = run(record);
    if (!reply) {
        return refused();
    }
    served.executed = true;
    if (slot->replyLayout >= 0) {
        served.body = encodeReply(slot->replyLayout, *reply);
        if (!served.body) {
            return refused();
        }
    }
    return served;
}

}  // namespace quillet::sim
