#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillet {

// Who a command goes to; the group shapes the frame.
enum class DeviceGroup : std::int32_t {
    None = -1,      // empty slot
    AllMeters = 0,  // group (broadcast) command, never answered
    OneMeter = 1,
    Controller = 2,
    CardReader = 3,
};

struct CommandSlot {
    std::int32_t group = -1;          // DeviceGroup value
    std::string_view code;            // characters sent on the line
    std::int32_t requestLayout = -1;  // -1: no parameters
    std::int32_t replyLayout = -1;    // -1: no reply awaited
    std::string_view name;            // display name, UTF-8

    bool isEmpty() const { return group < 0; }
    DeviceGroup deviceGroup() const { return static_cast<DeviceGroup>(group); }
};

inline constexpr std::size_t kCommandCount = 142;
// Reply layout of the plain acknowledgement "Y".
inline constexpr std::int32_t kAcknowledgeLayout = 17;
// The one command whose reply may carry another meter address than the configured one.
inline constexpr std::uint8_t kSetMeterAddressCommand = 30;

// The slot of a command index; indices outside the table give an empty slot.
const CommandSlot& commandSlot(std::size_t index);
// Display name of a command index (empty for an empty slot).
std::string_view commandName(std::size_t index);

// All slots, indices 0..141.
const std::array<CommandSlot, kCommandCount>& commandTable();

}  // namespace quillet
