#pragma once

#include <chrono>
#include <functional>
#include <string_view>

#include "meter/CommandRunner.h"
#include "serial/ModemLink.h"

namespace quillet {

struct AppSettings;

// Connects to the remote controller over the local modem: hang up, initialise, dial, and
// when the link is to follow a command line of its own, have the remote modem run it and
// dial again with the local modem set up the same way.
class RemoteDial {
public:
    // The command that sends the remote modem its command line.
    static constexpr std::size_t kRemoteModemCommand = 109;
    // A modem's answer ends in CR LF, but its reply is taken up to the CR; the LF still on
    // its way would start the next reply and hide its answer. Waiting a little lets it
    // arrive before the next line's purge (one byte takes 33 ms at 300 bit/s).
    static constexpr std::chrono::milliseconds kAnswerTail{100};

    struct Outcome {
        bool connected = false;
        // The operator's caption for the step that failed (UTF-8); empty when connected or
        // when the remote command failed (its own failure was reported by the runner).
        std::string_view caption;
        ModemResult result = ModemResult::Ok;
    };

    // `pause` waits out the answer tails.
    RemoteDial(ModemLink& modem, CommandRunner& commands,
               std::function<void(std::chrono::milliseconds)> pause);

    Outcome connect(const AppSettings& settings);

    // The remote modem's command line and its time-out, from the settings.
    static RemoteModemCommand remoteCommandOrder(const AppSettings& settings);

private:
    ModemLink& modem_;
    CommandRunner& commands_;
    std::function<void(std::chrono::milliseconds)> pause_;
};

}  // namespace quillet
