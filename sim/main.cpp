// quillet-sim: the devices of a meter line on a pseudo-terminal.
//
// Prints the device's path on the first line of its output, then serves until it is
// interrupted. Point one of the program's ports at that path. SIGUSR1 pulls the device's
// plug or puts it back, as with a USB adapter; give --link for a path that survives that.

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/LineSimulator.h"
#include "sim/PtyServer.h"

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<bool> plugToggleRequested{false};

void onSignal(int) {
    stopRequested = true;
}

void onPlugSignal(int) {
    plugToggleRequested = true;
}

void usage(std::ostream& out) {
    out << "usage: quillet-sim [options]\n"
           "  --meters=A,B,...     meter addresses (default 0)\n"
           "  --password=TEXT      individual and group password of every meter (Q7K2M)\n"
           "  --controller=C       the controller's address character (0)\n"
           "  --baud=N             the devices' line speed (9600)\n"
           "  --turnaround=MS      pause before a reply (20)\n"
           "  --jumper             the reset jumper is fitted\n"
           "  --card-behind-controller  card reader replies come inside controller frames\n"
           "  --modem              a Hayes modem in front of the controller\n"
           "  --number=DIGITS      the number that answers (any)\n"
           "  --dial=OUTCOME,...   connect, busy, no-dial-tone, no-answer per attempt\n"
           "  --faults=K,...       fault kinds to inject at random (all)\n"
           "  --fault-rate=R       share of replies hit, 0..1 (0)\n"
           "  --seed=N             seed for faults and data (1)\n"
           "  --link=PATH          keep a symbolic link to the terminal at PATH\n";
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        if (!item.empty()) {
            items.push_back(item);
        }
    }
    return items;
}

bool parseOptions(int argc, char** argv, quillet::sim::SimulatorOptions& options,
                  std::string& linkPath) {
    using namespace quillet::sim;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : arg.substr(eq + 1);
        try {
            if (name == "--meters") {
                options.devices.meters.clear();
                for (const std::string& address : splitList(value)) {
                    MeterConfig meter;
                    meter.address = std::stoi(address);
                    options.devices.meters.push_back(meter);
                }
            } else if (name == "--password") {
                for (MeterConfig& meter : options.devices.meters) {
                    meter.privatePassword = meter.groupPassword = value;
                }
            } else if (name == "--controller" && value.size() == 1) {
                options.devices.controllerAddress = value[0];
            } else if (name == "--baud") {
                options.devices.lineBaud = std::stoi(value);
            } else if (name == "--turnaround") {
                options.turnaround = std::chrono::milliseconds(std::stoi(value));
            } else if (name == "--jumper") {
                options.devices.resetJumper = true;
            } else if (name == "--card-behind-controller") {
                options.devices.cardReaderBehindController = true;
            } else if (name == "--modem") {
                if (!options.modem) {
                    options.modem.emplace();
                }
            } else if (name == "--number") {
                options.modem.emplace(options.modem.value_or(ModemOptions{})).number = value;
            } else if (name == "--dial") {
                ModemOptions modem = options.modem.value_or(ModemOptions{});
                modem.dialOutcomes.clear();
                for (const std::string& outcome : splitList(value)) {
                    if (outcome == "connect") {
                        modem.dialOutcomes.push_back(DialOutcome::Connect);
                    } else if (outcome == "busy") {
                        modem.dialOutcomes.push_back(DialOutcome::Busy);
                    } else if (outcome == "no-dial-tone") {
                        modem.dialOutcomes.push_back(DialOutcome::NoDialTone);
                    } else if (outcome == "no-answer") {
                        modem.dialOutcomes.push_back(DialOutcome::NoAnswer);
                    } else {
                        return false;
                    }
                }
                options.modem = modem;
            } else if (name == "--faults") {
                for (const std::string& kind : splitList(value)) {
                    const auto fault = faultFromName(kind);
                    if (!fault) {
                        return false;
                    }
                    options.faults.kinds.push_back(*fault);
                }
            } else if (name == "--fault-rate") {
                options.faults.rate = std::stod(value);
            } else if (name == "--seed") {
                options.faults.seed = static_cast<std::uint32_t>(std::stoul(value));
                options.devices.seed = options.faults.seed;
            } else if (name == "--link" && !value.empty()) {
                linkPath = value;
            } else {
                return false;
            }
        } catch (const std::exception&) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        usage(std::cout);
        return 0;
    }
    quillet::sim::SimulatorOptions options;
    std::string linkPath;
    if (!parseOptions(argc, argv, options, linkPath)) {
        usage(std::cerr);
        return 2;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGUSR1, onPlugSignal);
    try {
        auto line = std::make_shared<quillet::SharedLine>(
            std::make_shared<quillet::sim::LineSimulator>(options));
        quillet::sim::PtyServer server(line, linkPath);
        std::cout << server.devicePath() << std::endl;
        server.start();
        while (!stopRequested) {
            if (plugToggleRequested.exchange(false)) {
                server.pluggedIn() ? server.unplug() : server.plugIn();
                std::cerr << (server.pluggedIn() ? "plugged in: " + server.terminalPath()
                                                 : std::string("unplugged"))
                          << std::endl;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        server.stop();
    } catch (const std::exception& e) {
        std::cerr << "quillet-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
