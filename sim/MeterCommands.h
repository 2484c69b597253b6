#pragma once

#include <string_view>

#include "sim/CommandDispatch.h"
#include "sim/MeterModel.h"

namespace quillet::sim {

inline constexpr std::size_t kPasswordLength = 5;

// A frame to one meter, the text after its address: password, code, parameters. A wrong
// password is refused like a malformed command.
Served serveMeterCommand(MeterModel& meter, std::string_view text);

// A group frame, the text after "@": group password, code, parameters. Group commands
// are never answered; the meter remembers whether it carried this one out, for "Q".
Served runGroupCommand(MeterModel& meter, std::string_view text);

}  // namespace quillet::sim
