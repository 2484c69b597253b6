#pragma once

#include <string_view>

#include "protocol/LayoutRecords.h"

namespace quillet::sim {

// The device's side of the request layouts: the record that a parameter text stands for.
// `record` becomes the layout's record type. False when the text is not what the layout
// writes (wrong length, a non-digit in a number, an unknown letter); a device then
// refuses the command. Layout -1 accepts only the empty text.
bool decodeParams(int layoutId, std::string_view text, LayoutRecord& record);

}  // namespace quillet::sim
