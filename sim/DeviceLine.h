#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::sim {

struct MeterConfig {
    int address = 0;
    std::string privatePassword = "Q7K2M";
    std::string groupPassword = "Q7K2M";
    int category = 0;
};

struct DeviceLineOptions {
    std::vector<MeterConfig> meters{MeterConfig{}};
    char controllerAddress = '0';
    // "Сброс всех показаний" clears the readings only with the jumper fitted.
    bool resetJumper = false;
    int lineBaud = 9600;
    // The card reader sits behind the controller: the program sends it plain frames and
    // gets its replies back inside controller frames.
    bool cardReaderBehindController = false;
    // Seeds the meters' deterministic data (serial numbers, load).
    std::uint32_t seed = 1;
};

class MeterModel;

// The devices behind the program's port (or behind the modem): the meters, the
// controller and the card reader. Takes complete request frames and gives the reply
// frames; knows nothing of timing or of the line's bytes.
class DeviceLine {
public:
    using WallClock = std::chrono::system_clock;
    using WallTime = WallClock::time_point;

    explicit DeviceLine(
        DeviceLineOptions options = {},
        std::function<WallTime()> now = [] { return WallClock::now(); });
    ~DeviceLine();
    DeviceLine(const DeviceLine&) = delete;
    DeviceLine& operator=(const DeviceLine&) = delete;

    // A frame from its start character through its CR or LF. The reply frame, or nothing
    // when no device answers (a group command, another address, a garbled frame).
    std::optional<std::string> handleFrame(std::string_view frame);

    // The speed of the devices' side of the line; speed change commands change it.
    int lineBaud() const;
    void setLineBaud(int baud);

    // The meter at an address, for tests; null when there is none.
    MeterModel* meter(int address);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace quillet::sim
