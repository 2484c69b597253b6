#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// What a frame needs of the link settings, read afresh for every attempt.
struct LinkSettings {
    std::string groupPassword;    // group commands
    std::string privatePassword;  // commands to one meter
    int address = 0;              // meter address 0..999
    char controllerAddress = '0';
    int linkType = 0;  // 0 direct, 1 controller, 2 modem to a remote controller

    // Meter frames travel inside controller frames on every link but the direct one.
    bool throughController() const { return linkType != 0; }
};

inline constexpr char kReplyStart = '~';
inline constexpr std::size_t kReplyCapacity = 100;

// Sum of the character codes modulo 256.
std::uint8_t frameChecksum(std::string_view text);
// start + body + two upper-case hex digits of the checksum over both + end.
std::string appendChecksum(char start, std::string_view body, char end);
// At least three characters, and the two before the last one are hex digits (either
// case) whose value is the checksum of everything before them.
bool verifyChecksum(std::string_view text);

// The part of `text` from `pos` of `length` characters, cut at the end of the text;
// empty for a negative length or a position past the end.
std::string_view substringAt(std::string_view text, long pos, long length);

// The complete frame of a command with its parameter text, wrapped for the controller
// where the link asks for it. Empty for an empty slot or an index outside the table.
std::optional<std::string> buildRequestFrame(std::size_t commandIndex, std::string_view params,
                                             const LinkSettings& link);
// A meter frame inside a controller frame.
std::string wrapForController(char controllerAddress, std::string_view innerFrame);
// The character that ends the reply to a command: LF through a controller, CR otherwise.
char awaitedEndChar(std::size_t commandIndex, const LinkSettings& link);

}  // namespace quillet
