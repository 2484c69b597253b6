#pragma once

#include <string_view>

namespace quillet {

// Outcome of one exchange on the port; the values are shown to and stored by callers.
enum class PortResult : int {
    Ok = 0,
    OpenFailed = 1,
    WriteFailed = 2,
    NoReplyStart = 3,
    TooMuchBeforeStart = 4,
    NoReplyEnd = 5,
    ReplyOverflow = 6,
    PortBusy = 7,
};

// The operator's message for a result code (UTF-8); empty for codes outside 0..7.
std::string_view portResultText(int code);
inline std::string_view portResultText(PortResult result) {
    return portResultText(static_cast<int>(result));
}

}  // namespace quillet
