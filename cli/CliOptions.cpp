#include "cli/CliOptions.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "cli/Reads.h"
#include "meter/AppSettings.h"
#include "serial/PortTables.h"

namespace quillet::cli {

namespace {

constexpr int kMaxAddress = 999;
constexpr int kMaxRetries = 100;

// A whole decimal number and nothing else.
std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> numberIn(std::string_view text, int low, int high) {
    const std::optional<int> value = wholeNumber(text);
    if (!value || *value < low || *value > high) {
        return std::nullopt;
    }
    return value;
}

bool isPortName(std::string_view text) {
    return std::find(PortNameTable.begin(), PortNameTable.end(), text) != PortNameTable.end();
}

// Takes the value of one option into the options; the message when it does not fit.
using OptionSetter = std::string (*)(std::string_view value, CliOptions& options);

struct OptionInfo {
    std::string_view name;
    OptionSetter set;
};

std::string setPort(std::string_view value, CliOptions& o) {
    if (!isPortName(value) && value != "sim" && !value.starts_with('/')) {
        return "--port takes COM1..COM4, a device path or sim";
    }
    o.port = std::string(value);
    return {};
}

std::string setSpeed(std::string_view value, CliOptions& o) {
    const std::optional<int> rate = wholeNumber(value);
    if (!rate || baudIndexOf(*rate) < 0) {
        return "--speed takes 300, 600, 1200, 2400, 4800 or 9600";
    }
    o.baudRate = rate;
    return {};
}

std::string setTimeout(std::string_view value, CliOptions& o) {
    o.timeoutMs = numberIn(value, 100, 10000);
    return o.timeoutMs ? std::string() : "--timeout takes 100..10000 milliseconds";
}

std::string setLink(std::string_view value, CliOptions& o) {
    constexpr std::array<std::string_view, 3> kLinks = {"direct", "controller", "modem"};
    const auto found = std::find(kLinks.begin(), kLinks.end(), value);
    if (found == kLinks.end()) {
        return "--link takes direct, controller or modem";
    }
    o.linkType = static_cast<int>(found - kLinks.begin());
    return {};
}

std::string setControllerAddress(std::string_view value, CliOptions& o) {
    if (!AppSettings::isValidControllerAddress(value)) {
        return "--controller-address takes one letter or digit";
    }
    o.controllerAddress = std::string(value);
    return {};
}

std::string setGroupPassword(std::string_view value, CliOptions& o) {
    if (!AppSettings::isValidPassword(value)) {
        return "--group-password takes five letters or digits";
    }
    o.groupPassword = std::string(value);
    return {};
}

std::string setPassword(std::string_view value, CliOptions& o) {
    if (!AppSettings::isValidPassword(value)) {
        return "--password takes five letters or digits";
    }
    o.privatePassword = std::string(value);
    return {};
}

std::string setCategory(std::string_view value, CliOptions& o) {
    o.category = numberIn(value, 0, 99);
    return o.category ? std::string() : "--category takes 0..99";
}

std::string setAddress(std::string_view value, CliOptions& o) {
    o.addresses = parseAddressList(value);
    return o.addresses ? std::string() : "--address takes addresses 0..999 and ranges, as 1-20,35";
}

std::string setFormat(std::string_view value, CliOptions& o) {
    if (value == "text") {
        o.format = OutputFormat::Text;
    } else if (value == "json") {
        o.format = OutputFormat::Json;
    } else if (value == "csv") {
        o.format = OutputFormat::Csv;
    } else {
        return "--format takes text, json or csv";
    }
    return {};
}

std::string setSave(std::string_view value, CliOptions& o) {
    if (value.empty()) {
        return "--save takes a file name";
    }
    o.savePath = std::string(value);
    return {};
}

std::string setTrace(std::string_view value, CliOptions& o) {
    if (value.empty()) {
        return "--trace takes a file name";
    }
    o.tracePath = std::string(value);
    return {};
}

std::string setRetries(std::string_view value, CliOptions& o) {
    const std::optional<int> retries = numberIn(value, 0, kMaxRetries);
    if (!retries) {
        return "--retries takes 0..100";
    }
    o.retries = *retries;
    return {};
}

constexpr std::array<OptionInfo, 14> kOptions = {{
    {"--port", setPort},
    {"--speed", setSpeed},
    {"--timeout", setTimeout},
    {"--link", setLink},
    {"--controller-address", setControllerAddress},
    {"--group-password", setGroupPassword},
    {"--password", setPassword},
    {"--category", setCategory},
    {"--address", setAddress},
    {"--format", setFormat},
    {"--save", setSave},
    {"--trace", setTrace},
    {"--retries", setRetries},
    {"--help", nullptr},
}};

const OptionInfo* findOption(std::string_view name) {
    const auto found = std::find_if(kOptions.begin(), kOptions.end(),
                                    [name](const OptionInfo& o) { return o.name == name; });
    return found == kOptions.end() ? nullptr : &*found;
}

// The command and its words, once the options are taken out.
std::string takeCommand(std::vector<std::string> words, CliOptions& o) {
    if (words.empty()) {
        return "no command given";
    }
    const std::string command = words.front();
    words.erase(words.begin());
    if (command == "ports") {
        if (!words.empty()) {
            return "ports takes no arguments";
        }
        o.action = CliOptions::Action::Ports;
        return {};
    }
    if (command == "send") {
        if (words.empty()) {
            return "send takes INDEX [PARAMS]";
        }
        o.action = CliOptions::Action::Send;
        o.words = std::move(words);
        return {};
    }
    const ReadSpec* read = findRead(command);
    if (read == nullptr) {
        return "unknown command: " + command;
    }
    if (const std::string problem = read->checkArgs(words); !problem.empty()) {
        return std::string(read->name) + ": " + problem + " (usage: " + std::string(read->usage) +
               ")";
    }
    o.action = CliOptions::Action::Read;
    o.readName = command;
    o.words = std::move(words);
    return {};
}

}  // namespace

std::optional<std::vector<int>> parseAddressList(std::string_view text) {
    std::vector<int> addresses;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        const std::size_t dash = item.find('-');
        const std::optional<int> first = numberIn(item.substr(0, dash), 0, kMaxAddress);
        const std::optional<int> last = dash == std::string_view::npos
                                            ? first
                                            : numberIn(item.substr(dash + 1), 0, kMaxAddress);
        if (!first || !last || *last < *first) {
            return std::nullopt;
        }
        for (int a = *first; a <= *last; ++a) {
            if (std::find(addresses.begin(), addresses.end(), a) == addresses.end()) {
                addresses.push_back(a);
            }
        }
        if (comma == std::string_view::npos) {
            return addresses;
        }
        start = comma + 1;
    }
}

std::variant<CliOptions, std::string> parseCliOptions(std::span<const std::string> args) {
    CliOptions options;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !arg.starts_with("--")) {
            words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const OptionInfo* option = findOption(name);
        if (option == nullptr) {
            return "unknown option: " + name;
        }
        if (!option->set) {
            if (eq != std::string::npos) {
                return name + " takes no value";
            }
            options.action = CliOptions::Action::Help;
            return options;
        }
        std::string value;
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return name + " needs a value";
        }
        if (const std::string problem = option->set(value, options); !problem.empty()) {
            return problem;
        }
    }
    if (const std::string problem = takeCommand(std::move(words), options); !problem.empty()) {
        return problem;
    }
    return options;
}

std::string usageText() {
    std::string text =
        "usage: quillet-cli [options] COMMAND [ARGS]\n"
        "\n"
        "Reads meters with the settings of the Quillet window (which it never changes);\n"
        "options override them for this run.\n"
        "\n"
        "commands:\n"
        "  ports                      the serial devices present and the port map\n"
        "  send INDEX [PARAMS]        one command of the table, its parameters as words\n";
    for (const ReadSpec& read : readTable()) {
        std::string line = "  " + std::string(read.usage);
        line.resize(std::max<std::size_t>(line.size() + 1, 29), ' ');
        text += line + "the " + std::string(read.name) + " page's read";
        if (!read.fileExtension.empty()) {
            text += " (--save: *." + std::string(read.fileExtension) + ")";
        }
        text += '\n';
    }
    text +=
        "\n"
        "options:\n"
        "  --port COMn|PATH|sim       the port: of the port map, a device, or the built-in\n"
        "                             simulator\n"
        "  --speed BAUD               300 .. 9600\n"
        "  --timeout MS               reply time-out, 100 .. 10000\n"
        "  --link direct|controller|modem\n"
        "  --controller-address C\n"
        "  --group-password P, --password P, --category N\n"
        "  --address LIST             meters to read in turn, as 1-20,35\n"
        "  --format text|json|csv     standard output (text)\n"
        "  --save FILE                the page's data file; with several meters the address\n"
        "                             goes into each name (FILE-005.ind)\n"
        "  --trace FILE               every byte of the line with its time and direction\n"
        "  --retries N                repeats of a failed command (0)\n"
        "\n"
        "exit status: 0 every command succeeded, 1 some failed, 2 usage error\n";
    return text;
}

}  // namespace quillet::cli
