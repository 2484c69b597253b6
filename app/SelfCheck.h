#pragma once

#include <ostream>

namespace quillet {

// Checks what can be checked without a device or a display: the command table, the
// code page, and one exchange through the serial layer over a pseudo-terminal.
// Prints a line per check; true when all passed.
bool runSelfCheck(std::ostream& out);

}  // namespace quillet
