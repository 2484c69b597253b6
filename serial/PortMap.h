#pragma once

#include <array>
#include <string>

#include "serial/PortTables.h"

namespace quillet {

// Which device stands behind each of "COM1".."COM4": a device path such as /dev/ttyUSB0,
// or a name that a line device factory knows (the simulated line). The application fills
// it from its settings; until then the first four on-board ports are used.
class PortMap {
public:
    PortMap();

    // The device of a port index; empty for an index outside 0..3.
    std::string device(int portIndex) const;
    // Ignored for an index outside 0..3; an empty device restores the default.
    void setDevice(int portIndex, std::string device);

    static std::string defaultDevice(int portIndex);

private:
    std::array<std::string, kPortCount> devices_;
};

}  // namespace quillet
