#include "serial/PortMap.h"

#include <utility>

namespace quillet {

PortMap::PortMap() {
    for (int i = 0; i < kPortCount; ++i) {
        devices_[static_cast<std::size_t>(i)] = defaultDevice(i);
    }
}

std::string PortMap::defaultDevice(int portIndex) {
    if (!isValidPortIndex(portIndex)) {
        return {};
    }
    return "/dev/ttyS" + std::to_string(portIndex);
}

std::string PortMap::device(int portIndex) const {
    if (!isValidPortIndex(portIndex)) {
        return {};
    }
    return devices_[static_cast<std::size_t>(portIndex)];
}

void PortMap::setDevice(int portIndex, std::string device) {
    if (!isValidPortIndex(portIndex)) {
        return;
    }
    devices_[static_cast<std::size_t>(portIndex)] =
        device.empty() ? defaultDevice(portIndex) : std::move(device);
}

}  // namespace quillet
