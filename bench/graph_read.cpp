// The wall time of reading one day's half-hour power graph (48 half-hours and the first
// of the next day: 49 commands) at 9600 bit/s from the simulator over a pseudo-terminal,
// against the time the bytes and the devices' turnaround need on the line.
//
//   bench_graph_read [rounds]

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "protocol/Frame.h"
#include "protocol/ReplyCheck.h"
#include "protocol/RequestLayouts.h"
#include "protocol/ValueText.h"
#include "serial/SerialPort.h"
#include "sim/LineSimulator.h"
#include "sim/PtyServer.h"

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kGraphCommand = 74;
constexpr int kBaud = 9600;

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    sim::SimulatorOptions options;
    const auto turnaround = options.turnaround;
    auto line = std::make_shared<SharedLine>(std::make_shared<sim::LineSimulator>(options));
    sim::PtyServer server(line);
    server.start();

    PortMap ports;
    ports.setDevice(0, server.terminalPath());
    SerialPort port(ports);
    port.configure(0, baudIndexOf(kBaud), 1000);
    if (port.open() != 0) {
        std::fprintf(stderr, "cannot open %s\n", server.terminalPath().c_str());
        return 1;
    }

    LinkSettings link;
    link.groupPassword = link.privatePassword = "Q7K2M";
    std::vector<double> ratios;
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        std::size_t lineBytes = 0;
        const auto started = Clock::now();
        int day = 15;
        int month = 6;
        for (int i = 0; i < 49; ++i) {
            GraphPointQuery query{month, day, i % 48};
            if (i == 48) {
                advanceDay(day, month);
                query = {month, day, 0};
            }
            std::string params;
            encodeParams(19, query, params);
            const std::string frame = *buildRequestFrame(kGraphCommand, params, link);
            std::array<char, kReplyCapacity> reply{};
            const PortResult result = port.transact(kGraphCommand, frame, reply, kReplyStart,
                                                    static_cast<std::uint8_t>('\r'));
            LayoutRecord point;
            if (result != PortResult::Ok ||
                checkReply(kGraphCommand, reply.data(), link, &point) != ReplyFault::None) {
                ++failures;
            }
            lineBytes += frame.size() + std::char_traits<char>::length(reply.data());
        }
        const double wall = std::chrono::duration<double>(Clock::now() - started).count();
        const double onLine = double(lineBytes) * 10.0 / kBaud +
                              49 * std::chrono::duration<double>(turnaround).count();
        ratios.push_back(wall / onLine);
        std::printf("round %d: %zu bytes, wall %.3f s, line %.3f s, ratio %.4f\n", round + 1,
                    lineBytes, wall, onLine, wall / onLine);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf(
        "49 graph commands at %d bit/s: median ratio wall/line %.4f over %d rounds, "
        "%d failed exchanges\n",
        kBaud, ratios[ratios.size() / 2], rounds, failures);
    server.stop();
    return failures == 0 ? 0 : 1;
}
