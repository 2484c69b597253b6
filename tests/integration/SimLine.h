#pragma once

#include <memory>
#include <string>

#include "serial/SerialPort.h"
#include "serial/SimulatedLineDevice.h"
#include "sim/LineSimulator.h"
#include "sim/PtyServer.h"

namespace quillet::testing {

enum class Transport { SimulatedLine, PseudoTerminal };

inline std::string transportName(Transport transport) {
    return transport == Transport::SimulatedLine ? "SimulatedLine" : "PseudoTerminal";
}

// A port on COM1 wired to the simulator: in process through the simulated line device,
// or through a pseudo-terminal served by the simulator and opened through termios.
class SimLine {
public:
    explicit SimLine(sim::SimulatorOptions options = {}, int timeoutMs = 500,
                     Transport transport = Transport::SimulatedLine)
        : simulator(std::make_shared<sim::LineSimulator>(std::move(options))),
          line(std::make_shared<SharedLine>(simulator)) {
        PortMap ports;
        if (transport == Transport::PseudoTerminal) {
            server = std::make_unique<sim::PtyServer>(line);
            ports.setDevice(0, server->terminalPath());
            server->start();
        } else {
            ports.setDevice(0, kSimulatedDeviceName);
        }
        port = std::make_unique<SerialPort>(ports, makeSimulatedLineFactory(line));
        port->configure(0, kDefaultBaudIndex, timeoutMs);
    }
    static PortMap ports() {
        PortMap map;
        map.setDevice(0, kSimulatedDeviceName);
        return map;
    }

    ~SimLine() {
        port.reset();
        if (server) {
            server->stop();
        }
    }

    // Runs `change` on the simulator while nobody else touches it.
    template <typename Change>
    auto withSimulator(Change change) {
        std::lock_guard lock(line->mutex);
        return change(*simulator);
    }

    std::shared_ptr<sim::LineSimulator> simulator;
    std::shared_ptr<SharedLine> line;
    std::unique_ptr<sim::PtyServer> server;
    std::unique_ptr<SerialPort> port;
};

}  // namespace quillet::testing
