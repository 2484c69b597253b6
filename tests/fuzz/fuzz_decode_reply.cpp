// Reply decoder fuzz target: the first byte picks the layout id (-2..31, so the ids
// around the table are exercised too), the rest is the payload.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "protocol/ReplyLayouts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int layoutId = data[0] % (quillet::kReplyLayoutCount + 4) - 2;
    const std::string_view payload(reinterpret_cast<const char*>(data + 1), size - 1);
    quillet::LayoutRecord record = quillet::replyRecordFor(layoutId);
    quillet::decodeReply(layoutId, &record, payload);
    quillet::LayoutRecord empty;
    quillet::decodeReply(layoutId, &empty, payload);
    return 0;
}
