#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace quillet {

class SerialPort;

// The first answer text found in a modem's reply (searched in this order), or 8 or 9.
enum class ModemResult : int {
    Ok = 0,
    Connect = 1,
    NoCarrier = 2,
    Error = 3,
    NoDialTone = 4,
    Busy = 5,
    NoAnswer = 6,
    Ring = 7,
    Unknown = 8,  // none of the texts: garbage, or the modem echoes
    NoReply = 9,  // no reply, or the port was not usable
};

// The operator's message for a result (UTF-8).
std::string_view modemMessage(ModemResult result);
// The text of the modem page's message box: the caption, a line break, the message.
std::string modemMessageText(std::string_view caption, ModemResult result);

// The AT dialogue with a Hayes modem on the port. Keeps no state: whether a connection
// stands is read from the carrier line every time.
class ModemLink {
public:
    using Wait = std::function<void(std::chrono::milliseconds)>;

    static constexpr std::chrono::milliseconds kGuardTime{1000};
    static constexpr int kEscapeTimeoutMs = 1000;
    static constexpr int kHangUpTimeoutMs = 1000;
    static constexpr int kDialTimeoutMs = 45000;
    static constexpr int kDialAttempts = 3;

    // `wait` blocks for the pauses around the escape sequence and the hang-up line.
    explicit ModemLink(SerialPort& port, Wait wait = sleepFor);

    ModemResult modemCommand(std::string_view line);
    ModemResult modemCommandTimed(std::string_view line, int timeoutMs);
    ModemResult modemEscape();
    ModemResult modemHangUpLine();
    ModemResult modemInit(std::string_view initString);
    ModemResult modemDial(std::string_view dialLine);
    ModemResult modemHangUp();

    // 0 the port is closed, 1 open with the carrier on, 2 open without it.
    int carrierState() const;

    static void sleepFor(std::chrono::milliseconds duration);

private:
    // Opens the port if needed and makes sure the modem is on-hook; false when the port
    // cannot be opened.
    bool prepare();

    SerialPort& port_;
    Wait wait_;
};

}  // namespace quillet
