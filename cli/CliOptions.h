#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillet::cli {

enum class OutputFormat { Text, Json, Csv };

// The command line, checked. Link values left empty come from the window's settings store.
struct CliOptions {
    enum class Action { Help, Ports, Read, Send };

    Action action = Action::Help;
    std::string readName;            // Read: "service", "graph"...
    std::vector<std::string> words;  // the read's arguments, or send's INDEX and PARAMS

    std::optional<std::string> port;  // "COM1".."COM4", a device path or "sim"
    std::optional<int> baudRate;
    std::optional<int> timeoutMs;
    std::optional<int> linkType;  // 0 direct, 1 controller, 2 modem
    std::optional<std::string> controllerAddress;
    std::optional<std::string> groupPassword;
    std::optional<std::string> privatePassword;
    std::optional<int> category;
    std::optional<std::vector<int>> addresses;

    OutputFormat format = OutputFormat::Text;
    std::string savePath;
    std::string tracePath;
    int retries = 0;
};

// The options, or the message of a usage error.
std::variant<CliOptions, std::string> parseCliOptions(std::span<const std::string> args);

// "1-20,35": every address once, in the order given; empty on a malformed list or an
// address outside 0..999.
std::optional<std::vector<int>> parseAddressList(std::string_view text);

// The help text.
std::string usageText();

}  // namespace quillet::cli
