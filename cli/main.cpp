// quillet-cli: reads meters from the command line with the window's settings and core.

#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliMain.h"

namespace {

std::atomic<bool> interrupted{false};

void onSignal(int) {
    interrupted = true;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const std::vector<std::string> args(argv + 1, argv + argc);
    quillet::cli::CliEnvironment environment;
    environment.showProgress = ::isatty(STDERR_FILENO) != 0;
    environment.interrupted = &interrupted;
    return quillet::cli::runCli(args, std::cout, std::cerr, environment);
}
