#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "sim/CommandDispatch.h"

namespace quillet::sim {

struct ControllerSettings {
    std::string initString;    // for the controller's own modem, at most 30 characters
    int modemTimeoutMin = 5;   // 1..60
    bool lastExecuted = true;  // what "W" answers
    // The last "hang up and run" order: the command for the remote modem and its time-out.
    std::optional<RemoteModemCommand> remoteCommand;
};

// The line concentrator: its own commands ("&" address "M") and the bookkeeping of the
// frames it forwards to the meters ("&" address "P"); the forwarding itself is the line's.
class ControllerModel {
public:
    static constexpr std::string_view kRomInitString = "AT&F1&B1M3E0Q0&D0";
    static constexpr std::size_t kInitStringLimit = 30;

    explicit ControllerModel(char address) : address_(address) {
        settings_.initString = kRomInitString;
    }

    char address() const { return address_; }
    std::string_view version() const { return "12"; }
    ControllerSettings& settings() { return settings_; }
    const ControllerSettings& settings() const { return settings_; }

    // A command text (code and parameters) of the controller's own group; refusals are
    // the body "N", which makes the seven-character refusal frame.
    Served serve(std::string_view text);
    // A forwarded frame: carried out when the device behind it answered, or when it was a
    // group frame, which nobody answers.
    void forwarded(bool carriedOut) { settings_.lastExecuted = carriedOut; }

    // Asks for a new line speed once the reply to the speed change is out.
    void requestSpeedChange(int baud) { speedChange_ = baud; }
    std::optional<int> takeSpeedChange() { return std::exchange(speedChange_, std::nullopt); }

private:
    char address_;
    ControllerSettings settings_;
    std::optional<int> speedChange_;
};

}  // namespace quillet::sim
