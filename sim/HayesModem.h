#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::sim {

enum class DialOutcome { Connect, Busy, NoDialTone, NoAnswer };

struct ModemOptions {
    bool echo = true;  // E1 until told otherwise, as after a reset
    // The number that answers; empty: any number. Other numbers get NO ANSWER.
    std::string number;
    // How dialling ends, one entry per attempt; the last one repeats.
    std::deque<DialOutcome> dialOutcomes{DialOutcome::Connect};
    std::chrono::milliseconds dialTime{1500};
    // Silence needed before and after "+++".
    std::chrono::milliseconds guardTime{800};
    int connectBaud = 9600;
};

// A Hayes-compatible modem in front of the remote controller: command mode with AT lines,
// dialling, data mode that passes bytes through, the escape sequence and hang-up.
class HayesModem {
public:
    using Clock = std::chrono::steady_clock;

    explicit HayesModem(ModemOptions options = {});

    // What the modem does with bytes from the port.
    struct Output {
        std::string toPort;  // echo and answers, to send at once
        std::string toLine;  // data-mode bytes for the devices behind the remote modem
    };
    Output receive(std::string_view bytes, Clock::time_point at);
    // Answers that come later (dialling, the end of an escape guard), due by `now`.
    std::string takeDue(Clock::time_point now);
    std::optional<Clock::time_point> nextDue() const;

    bool carrier() const { return connected_; }
    bool inDataMode() const { return connected_ && online_; }
    const ModemOptions& options() const { return options_; }

private:
    std::string answer(std::string_view text) const;
    std::string runCommandLine(std::string_view line, Clock::time_point at);
    void checkEscape(Clock::time_point now);

    ModemOptions options_;
    bool echo_;
    bool connected_ = false;  // carrier
    bool online_ = false;     // data mode while connected
    std::string commandLine_;
    // Dialling in progress: when it ends and how.
    std::optional<Clock::time_point> dialEnds_;
    DialOutcome dialOutcome_ = DialOutcome::Connect;
    // Escape: "+++" counted after a guard of silence, confirmed after another.
    Clock::time_point lastDataAt_{};
    int plusCount_ = 0;
    std::optional<Clock::time_point> escapeConfirmAt_;
};

}  // namespace quillet::sim
