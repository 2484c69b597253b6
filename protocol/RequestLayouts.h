#pragma once

#include <string>

#include "protocol/LayoutRecords.h"

namespace quillet {

inline constexpr int kRequestLayoutCount = 39;  // ids 0..38; -1 is "no parameters"

// The record type that request layout `layoutId` reads (std::monostate for -1 and for
// ids outside the table).
LayoutRecord requestRecordFor(int layoutId);

// Writes the parameter text of `layoutId` for `record` into `out` (replacing what it
// held). False, with `out` empty, for an id outside -1..38, a record of another type
// than the layout reads, or a text field with a character outside printable ASCII
// (a CR or LF typed into a field must never cut a frame short).
bool encodeParams(int layoutId, const LayoutRecord& record, std::string& out);

}  // namespace quillet
