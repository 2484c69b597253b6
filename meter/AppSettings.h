#pragma once

#include <string>
#include <string_view>

#include "protocol/Frame.h"

namespace quillet {

// The persistent settings, read once at start and written once at exit. Text is UTF-8.
// ComPort and ComSpeed live in the port (its port and baud index); InitialTab in the main
// window (its current page index).
struct AppSettings {
    // "Settings"
    int initialTab = -1;
    int timeoutMs = 500;                  // Timeout
    std::string controllerAddress = "0";  // ControlerAddress: one letter or digit
    int linkType = 0;                     // Controler: 0 direct, 1 controller, 2 modem
    int errorReport = 1;                  // ErrorReport
    // "Modem"
    std::string init = "AT&F1&B1M3E0Q0&D0";
    std::string numberPrefix = "ATDP";
    std::string number;
    std::string modCommand = "AT&F1&B1M3E0Q0&D0";
    int modTime = 1;
    int modEnable = 0;
    // "Access"
    std::string groupPassword = "Q7K2M";
    std::string privatePassword = "Q7K2M";
    int category = 0;
    int address = 0;

    // What a frame needs of them.
    LinkSettings link() const;

    static constexpr std::size_t kPasswordLength = 5;
    // Passwords and the controller address are ASCII letters and digits: the devices
    // compare them byte by byte.
    static bool isValidPassword(std::string_view text);
    static bool isValidControllerAddress(std::string_view text);
};

}  // namespace quillet
