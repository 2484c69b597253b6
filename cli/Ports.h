#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "serial/PortTables.h"

namespace quillet::cli {

// A serial device found on the machine; `target` is where a by-id link points.
struct SerialDevice {
    std::string path;
    std::string target;
};

// Where the machine lists its terminals; tests give a tree of their own.
struct DeviceRoots {
    std::string sysClassTty = "/sys/class/tty";
    std::string dev = "/dev";
};

// The on-board ports with a UART behind them, the USB adapters and modems (ttyUSB, ttyACM),
// then the stable by-id links; sorted by name within each kind.
std::vector<SerialDevice> findSerialDevices(const DeviceRoots& roots = {});

void writePorts(OutputFormat format, std::ostream& out, const std::vector<SerialDevice>& devices,
                const std::array<std::string, kPortCount>& portMap);

}  // namespace quillet::cli
