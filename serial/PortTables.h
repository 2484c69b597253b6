#pragma once

#include <array>
#include <string_view>

namespace quillet {

inline constexpr int kPortCount = 4;

// The operator picks one of these; the port map turns it into a device.
inline constexpr std::array<std::string_view, kPortCount> PortNameTable = {"COM1", "COM2", "COM3",
                                                                           "COM4"};

struct BaudRate {
    int rate;
    std::string_view text;
};

inline constexpr std::array<BaudRate, 6> BaudRateTable = {{
    {300, "300"},
    {600, "600"},
    {1200, "1200"},
    {2400, "2400"},
    {4800, "4800"},
    {9600, "9600"},
}};

inline constexpr int kDefaultBaudIndex = 5;  // 9600

// Index of the first table entry with this rate, or -1.
constexpr int baudIndexOf(int rate) {
    for (std::size_t i = 0; i < BaudRateTable.size(); ++i) {
        if (BaudRateTable[i].rate == rate) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

constexpr bool isValidPortIndex(int index) {
    return index >= 0 && index < kPortCount;
}
constexpr bool isValidBaudIndex(int index) {
    return index >= 0 && index < static_cast<int>(BaudRateTable.size());
}

}  // namespace quillet
