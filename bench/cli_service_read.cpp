// The wall time of `quillet-cli service` over 20 meters at 9600 bit/s — the program started
// as operators start it, the simulator on a pseudo-terminal — against the time the bytes
// and the devices' turnaround need on the line. The bytes are counted from the run's own
// trace.
//
//   bench_cli_service_read [rounds]

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "sim/LineSimulator.h"
#include "sim/PtyServer.h"

extern char** environ;

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 9600;
constexpr int kMeters = 20;

struct LineUse {
    std::size_t bytes = 0;
    std::size_t replies = 0;  // runs of received records after sent ones
};

// Counts the bytes of every record; a reply starts where received bytes follow sent ones.
LineUse countTrace(const std::string& path) {
    static const std::regex record(R"(.{23} (->|<-) ((?:[0-9A-F]{2} )+).*)");
    LineUse use;
    std::ifstream in(path);
    bool lastSent = false;
    for (std::string line; std::getline(in, line);) {
        std::smatch match;
        if (!std::regex_match(line, match, record)) {
            continue;
        }
        const bool sent = match[1] == "->";
        use.bytes += match[2].length() / 3;
        if (!sent && lastSent) {
            ++use.replies;
        }
        lastSent = sent;
    }
    return use;
}

int runCli(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    // The reports go nowhere: the terminal would only slow the run down.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // The operator's own settings stay out of it.
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("bench-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);

    sim::SimulatorOptions options;
    options.devices.meters.clear();
    for (int address = 1; address <= kMeters; ++address) {
        sim::MeterConfig meter;
        meter.address = address;
        options.devices.meters.push_back(meter);
    }
    const double turnaround = std::chrono::duration<double>(options.turnaround).count();
    auto line = std::make_shared<SharedLine>(std::make_shared<sim::LineSimulator>(options));
    sim::PtyServer server(line);
    server.start();

    const std::string trace = (home / "line.trace").string();
    const std::vector<std::string> args = {QUILLET_CLI_PATH,
                                           "--port",
                                           server.terminalPath(),
                                           "--speed",
                                           std::to_string(kBaud),
                                           "--address",
                                           "1-" + std::to_string(kMeters),
                                           "--format",
                                           "json",
                                           "--trace",
                                           trace,
                                           "service"};
    std::vector<double> ratios;
    int failed = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto started = Clock::now();
        const int status = runCli(args);
        const double wall = std::chrono::duration<double>(Clock::now() - started).count();

        const LineUse use = countTrace(trace);
        const double onLine = double(use.bytes) * 10.0 / kBaud + double(use.replies) * turnaround;
        if (status != 0 || use.replies != 7 * kMeters) {
            ++failed;
        }
        ratios.push_back(wall / onLine);
        std::printf(
            "round %d: exit %d, %zu bytes, %zu replies, wall %.3f s, line %.3f s, "
            "ratio %.4f\n",
            round + 1, status, use.bytes, use.replies, wall, onLine, wall / onLine);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf(
        "quillet-cli service, %d meters at %d bit/s: median ratio wall/line %.4f over %d "
        "rounds, %d failed runs\n",
        kMeters, kBaud, ratios[ratios.size() / 2], rounds, failed);
    server.stop();
    std::filesystem::remove_all(home);
    return failed == 0 ? 0 : 1;
}
