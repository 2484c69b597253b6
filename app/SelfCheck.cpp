#include "app/SelfCheck.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <exception>
#include <string>
#include <thread>

#include "protocol/CommandTable.h"
#include "protocol/Cp1251.h"
#include "serial/PseudoTerminal.h"
#include "serial/SerialPort.h"

namespace quillet {

namespace {

bool checkCommandTable(std::string& detail) {
    const auto& table = commandTable();
    const auto used = std::count_if(table.begin(), table.end(),
                                    [](const CommandSlot& slot) { return !slot.isEmpty(); });
    detail = std::to_string(used) + " commands";
    return used == 97;
}

bool checkCodePage(std::string& detail) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    detail = "256 bytes round trip";
    return utf8ToCp1251(cp1251ToUtf8(all)) == all;
}

bool checkExchange(std::string& detail) {
    try {
        PseudoTerminal line;
        PortMap ports;
        ports.setDevice(0, line.terminalPath());
        SerialPort port(ports);
        port.configure(0, kDefaultBaudIndex, 500);

        const std::string request = "#000Q7K2MS12\r";
        std::thread answer([&line, &request] {
            if (line.read(request.size(), std::chrono::seconds(2)).size() == request.size()) {
                line.write("~000S0123456789AB00\r");
            }
        });
        std::array<char, 100> reply{};
        const PortResult result = port.transact(51, request, reply, '~', '\r');
        answer.join();
        detail =
            std::string("via ") + line.terminalPath() + ": " + std::string(portResultText(result));
        return result == PortResult::Ok && std::string(reply.data()) == "~000S0123456789AB00\r";
    } catch (const std::exception& e) {
        detail = e.what();
        return false;
    }
}

}  // namespace

bool runSelfCheck(std::ostream& out) {
    struct Check {
        const char* name;
        bool (*run)(std::string&);
    };
    bool allPassed = true;
    for (const Check& check :
         {Check{"command table", checkCommandTable}, Check{"Windows-1251 text", checkCodePage},
          Check{"serial exchange", checkExchange}}) {
        std::string detail;
        const bool passed = check.run(detail);
        allPassed = allPassed && passed;
        out << (passed ? "  ok    " : "  FAIL  ") << check.name << " (" << detail << ")\n";
    }
    return allPassed;
}

}  // namespace quillet
