#pragma once

#include <atomic>
#include <memory>

#include "meter/AppSettings.h"
#include "meter/CommandExecutor.h"
#include "serial/LinePeer.h"
#include "serial/PortMap.h"
#include "serial/SerialPort.h"
#include "serial/SimulatedLineDevice.h"
#include "sim/LineSimulator.h"
#include "sim/MeterModel.h"

namespace quillet::testing {

// A port on the simulated line with the simulator's devices behind it, and an executor
// that never asks: every failure is final. Meter 0 answers by default.
struct SimulatedMeters {
    explicit SimulatedMeters(const sim::SimulatorOptions& options = {})
        : simulator(std::make_shared<sim::LineSimulator>(options)),
          line(std::make_shared<SharedLine>(simulator)),
          port(mappedToSim(), makeSimulatedLineFactory(line)),
          executor(port, settings, cancelled, nullptr) {
        port.configure(0, kDefaultBaudIndex, settings.timeoutMs);
    }

    // Options with meters at the given addresses.
    static sim::SimulatorOptions withMeters(std::initializer_list<int> addresses) {
        sim::SimulatorOptions options;
        options.devices.meters.clear();
        for (const int address : addresses) {
            sim::MeterConfig meter;
            meter.address = address;
            options.devices.meters.push_back(meter);
        }
        return options;
    }

    sim::MeterModel& meter(int address = 0) { return *simulator->devices().meter(address); }

    std::shared_ptr<sim::LineSimulator> simulator;
    std::shared_ptr<SharedLine> line;
    AppSettings settings;
    std::atomic<bool> cancelled{false};
    SerialPort port;
    CommandExecutor executor;

private:
    static PortMap mappedToSim() {
        PortMap map;
        map.setDevice(0, kSimulatedDeviceName);
        return map;
    }
};

}  // namespace quillet::testing
