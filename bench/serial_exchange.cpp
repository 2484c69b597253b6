// How fast transact() returns once the last reply byte is on the line, and what the
// process spends while it waits for a reply that never comes.
//
//   bench_serial_exchange [exchanges]
//
// Runs over a pseudo-terminal: the bench holds the controlling side and answers.

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "serial/PseudoTerminal.h"
#include "serial/SerialPort.h"

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kRequest = "#000Q7K2MS12\r";
constexpr std::string_view kReply = "~000S0123456789AB00\r";

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& tv) { return double(tv.tv_sec) + double(tv.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(p * double(values.size() - 1) + 0.5);
    return values[rank];
}

}  // namespace

int main(int argc, char** argv) {
    const int exchanges = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;

    PseudoTerminal line;
    PortMap ports;
    ports.setDevice(0, line.terminalPath());
    SerialPort port(ports);
    port.configure(0, kDefaultBaudIndex, 1000);
    if (port.open() != 0) {
        std::fprintf(stderr, "cannot open %s\n", line.terminalPath().c_str());
        return 1;
    }

    // Latency: from just before the peer writes the reply's last byte to transact()'s return.
    std::vector<Clock::time_point> written(static_cast<std::size_t>(exchanges));
    std::vector<Clock::time_point> returned(static_cast<std::size_t>(exchanges));
    std::thread peer([&] {
        for (auto& at : written) {
            if (line.read(kRequest.size(), std::chrono::seconds(5)).size() != kRequest.size()) {
                return;
            }
            at = Clock::now();
            line.write(kReply);
        }
    });
    int failures = 0;
    for (auto& at : returned) {
        std::array<char, 100> reply{};
        failures += port.transact(51, kRequest, reply, '~', '\r') != PortResult::Ok;
        at = Clock::now();
    }
    peer.join();

    std::vector<double> latencyUs;
    for (std::size_t i = 0; i < written.size(); ++i) {
        latencyUs.push_back(
            std::chrono::duration<double, std::micro>(returned[i] - written[i]).count());
    }
    std::printf("exchanges: %d over %s, %d failed\n", exchanges, line.terminalPath().c_str(),
                failures);
    std::printf("reply-to-return latency: median %.1f us, p99 %.1f us, max %.1f us\n",
                percentile(latencyUs, 0.5), percentile(latencyUs, 0.99),
                percentile(latencyUs, 1.0));

    // CPU while waiting out a 1 s time-out, with and without a pump hook that does nothing.
    for (const bool pumping : {false, true}) {
        port.setPumpHook(pumping ? PumpHook([] { return true; }) : PumpHook());
        std::array<char, 100> reply{};
        const double cpuBefore = cpuSeconds();
        const auto wallBefore = Clock::now();
        const PortResult result = port.transact(51, kRequest, reply, '~', '\r');
        const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
        const double cpu = cpuSeconds() - cpuBefore;
        line.read(kRequest.size(), std::chrono::seconds(1));
        std::printf("time-out wait%s: result %d after %.3f s, CPU %.2f ms = %.3f%% of one core\n",
                    pumping ? " with pump hook" : "", static_cast<int>(result), wall, cpu * 1e3,
                    100.0 * cpu / wall);
    }
    return failures == 0 ? 0 : 1;
}
