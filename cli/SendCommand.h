#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <variant>

#include "cli/RecordingRunner.h"
#include "cli/Report.h"
#include "protocol/LayoutRecords.h"

namespace quillet::cli {

// One command of the command table with its parameters, for engineers.
struct SendRequest {
    std::size_t index = 0;
    LayoutRecord params;  // the record of the command's request layout
};

// The words after "send" on the command line: the command's index in the table, then
// one word for each field of its request record ("74 3 15 10"). Either the request or
// the message (English, UTF-8 command names) saying why the words make none.
std::variant<SendRequest, std::string> parseSend(std::span<const std::string> words);

// Sends the command once through `runner` and adds to `report` the field "command" and
// either one field "reply.<name>" for each value of the decoded reply, or "reply" alone:
// "sent" for a command no device answers, "acknowledged" for a plain acknowledgement,
// missing with the failure's message when the command failed.
void runSend(RecordingRunner& runner, const SendRequest& request, MeterReport& report);

}  // namespace quillet::cli
