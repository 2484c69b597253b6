// Any reply to any command on any link: the checks, the body extraction and the decoding
// must neither crash nor read outside the reply.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "protocol/ReplyCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    quillet::LinkSettings link;
    link.address = data[1] & 0x07;
    link.linkType = data[1] >> 6;
    link.controllerAddress = '0';
    const std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);
    quillet::LayoutRecord record;
    quillet::checkReply(data[0], reply, link, &record);
    quillet::verifyChecksum(reply);
    return 0;
}
