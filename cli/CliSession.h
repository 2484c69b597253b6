#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "meter/AppSettings.h"
#include "meter/CommandExecutor.h"
#include "serial/LinePeer.h"
#include "serial/SerialPort.h"

namespace quillet {
struct StoredSettings;
}

namespace quillet::cli {

struct CliOptions;

// The link for this run: the settings store's values with the command line's on top.
struct LinkChoice {
    AppSettings settings;
    int portIndex = 1;
    int baudIndex = kDefaultBaudIndex;
    std::string device;  // what the chosen port stands for: a device path or "sim"
};

LinkChoice chooseLink(const StoredSettings& stored, const CliOptions& options);

// What a run stopped by a signal says, on standard error and for each value it lost.
inline constexpr std::string_view kInterrupted = "interrupted";

// Executes commands without asking anybody: a failed command is repeated up to `retries`
// times, then reported as failed with the system's message.
class RepeatingCommands final : public CommandRunner {
public:
    // `cancelled` fails every further command at once.
    RepeatingCommands(SerialPort& port, const AppSettings& settings, int retries,
                      const std::atomic<bool>& cancelled);

    int execute(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) override;
    // The system's message for the last failed command; kInterrupted for one the run's
    // stop refused, so a value lost that way says why.
    std::string lastFailure() const;

private:
    const std::atomic<bool>& cancelled_;
    int retries_;
    int retriesLeft_ = 0;
    CommandExecutor executor_;
};

// The port of this run with its line: a device, or the simulated line of `simulator`.
class CliSession {
public:
    // `simulator`: the devices behind the device name "sim"; `cancelled` (may be null)
    // fails every further command at once.
    CliSession(const LinkChoice& link, int retries, std::shared_ptr<LinePeer> simulator,
               const std::atomic<bool>* cancelled);
    ~CliSession();

    SerialPort& port() { return port_; }
    AppSettings& settings() { return settings_; }
    RepeatingCommands& commands() { return commands_; }

    // Over a modem link: dials the remote controller. False with the message (UTF-8) when
    // no connection came about.
    bool connect(std::string& message);
    // Over a modem link: hangs up.
    void disconnect();

private:
    std::atomic<bool> neverCancelled_{false};
    AppSettings settings_;
    std::shared_ptr<SharedLine> simulatedLine_;
    SerialPort port_;
    RepeatingCommands commands_;
};

}  // namespace quillet::cli
