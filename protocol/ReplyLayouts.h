#pragma once

#include <string_view>

#include "protocol/LayoutRecords.h"

namespace quillet {

inline constexpr int kReplyLayoutCount = 30;  // ids 0..29; -1 is "no reply"

// The record type that reply layout `layoutId` fills (std::monostate for -1, 17 and ids
// outside the table).
LayoutRecord replyRecordFor(int layoutId);

// Checks `payload` against reply layout `layoutId` and decodes it into `*record`.
// -1: true at once. 17: true when the payload starts with "Y"; the record is not used.
// Other ids: false when `record` is null or holds a record of another type; a record
// holding std::monostate first becomes the layout's type. Fields may be written before
// a later group fails; callers use the record only after true. Ids outside the table:
// false.
bool decodeReply(int layoutId, LayoutRecord* record, std::string_view payload);

}  // namespace quillet
