#pragma once

#include <optional>
#include <string>

#include "protocol/LayoutRecords.h"

namespace quillet::sim {

// The device's side of the reply layouts: the payload that carries `record`.
// Layout -1 gives "", layout 17 gives "Y" whatever the record. Empty when the record is
// not the layout's type or the id is unknown. Values are written as a device would:
// within the layout's fields, scaled and rounded as the layout reads them back.
std::optional<std::string> encodeReply(int layoutId, const LayoutRecord& record);

}  // namespace quillet::sim
