#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "protocol/Frame.h"
#include "protocol/LayoutRecords.h"

namespace quillet {

// What was wrong with a reply that came in time.
enum class ReplyFault {
    None,
    WrongControllerFrame,  // the controller's frame around a meter or card reply
    ControllerRefused,
    WrongControllerReply,
    MeterRefused,  // the meter or the card reader
    WrongMeterReply,
};

// Checks the reply to a command (start character through end character), takes its body
// out and decodes it into `record` with the command's reply layout.
ReplyFault checkReply(std::size_t commandIndex, std::string_view reply, const LinkSettings& link,
                      LayoutRecord* record);

// The operator's messages (UTF-8) for the exchange error dialog.
std::string commandErrorMessage(std::string_view reason, std::size_t commandIndex);
std::string invalidParamsMessage(std::size_t commandIndex);
std::string replyFaultMessage(ReplyFault fault, std::size_t commandIndex);
// The texts of the four reply faults besides the frame of the controller.
std::string_view replyFaultText(ReplyFault fault);

}  // namespace quillet
