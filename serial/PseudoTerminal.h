#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The controlling side of a pseudo-terminal pair. Whoever holds it plays the far end of
// the line: the port opens the terminal side by its path.
class PseudoTerminal {
public:
    PseudoTerminal();  // throws std::system_error when no pair can be had
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& terminalPath() const { return terminalPath_; }
    int descriptor() const { return master_; }

    // Writes all bytes; false on an error.
    bool write(std::span<const std::uint8_t> bytes);
    bool write(std::string_view text);
    // Reads until `count` bytes came or the time-out passed; returns what came.
    std::vector<std::uint8_t> read(std::size_t count, std::chrono::milliseconds timeout);
    // Reads until `terminator` came (included) or the time-out passed.
    std::string readUntil(char terminator, std::chrono::milliseconds timeout);
    // The line speed the terminal side was set to, in bit/s (0 when unknown).
    int terminalBaudRate() const;
    // Hangs up: the terminal side then sees the line gone.
    void close();

private:
    int master_ = -1;
    std::string terminalPath_;
};

}  // namespace quillet
