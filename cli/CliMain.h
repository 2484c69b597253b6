#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <string>

#include "cli/Ports.h"
#include "serial/LinePeer.h"

class QSettings;

namespace quillet::cli {

// What the command line finds around it; tests give their own.
struct CliEnvironment {
    // The window's settings store; null: QSettings("Halvorn", "Quillet"). Only read.
    std::function<std::unique_ptr<QSettings>()> openStore;
    // The devices behind the port "sim"; null: a simulator with a meter at every address
    // read, with the passwords of the link.
    std::shared_ptr<LinePeer> simulator;
    DeviceRoots deviceRoots;
    // A progress line on standard error (when it is a terminal).
    bool showProgress = false;
    // Set from a signal handler: the run stops after the command under way.
    const std::atomic<bool>* interrupted = nullptr;
};

// Runs quillet-cli with its arguments (without the program name). Returns the exit status:
// 0 every command succeeded, 1 some failed, 2 a usage error.
int runCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const CliEnvironment& environment = {});

}  // namespace quillet::cli
