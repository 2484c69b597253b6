#include "sim/ControllerModel.h"

#include <algorithm>
#include <array>

namespace quillet::sim {

namespace {

using Entry = CommandEntry<ControllerModel>;

bool isPrintable(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

Reply selfTest(ControllerModel&, const LayoutRecord&) {
    return YesNo{1};
}

Reply readVersion(ControllerModel& controller, const LayoutRecord&) {
    return DeviceVersion{std::string(controller.version())};
}

Reply lastCommand(ControllerModel& controller, const LayoutRecord&) {
    return YesNo{controller.settings().lastExecuted ? 1 : 0};
}

Reply setSpeed(ControllerModel& controller, const LayoutRecord& params) {
    const int baud = as<LineSpeed>(params).baudRate;
    if (!isLineSpeed(baud)) {
        return refuse();
    }
    controller.requestSpeedChange(baud);
    return acknowledge();
}

Reply readInitString(ControllerModel& controller, const LayoutRecord&) {
    return ModemInitString{controller.settings().initString};
}

Reply writeInitString(ControllerModel& controller, const LayoutRecord& params) {
    const std::string& text = as<ModemInitString>(params).initString;
    if (text.size() > ControllerModel::kInitStringLimit || !isPrintable(text)) {
        return refuse();
    }
    controller.settings().initString = text;
    return acknowledge();
}

Reply restoreInitString(ControllerModel& controller, const LayoutRecord&) {
    controller.settings().initString = ControllerModel::kRomInitString;
    return acknowledge();
}

Reply readModemTimeout(ControllerModel& controller, const LayoutRecord&) {
    return ModemTimeout{controller.settings().modemTimeoutMin};
}

Reply writeModemTimeout(ControllerModel& controller, const LayoutRecord& params) {
    const int minutes = as<ModemTimeout>(params).minutes;
    if (minutes < 1 || minutes > 60) {
        return refuse();
    }
    controller.settings().modemTimeoutMin = minutes;
    return acknowledge();
}

// The controller acknowledges, then drops its modem connection and passes the command to
// the remote modem; nothing of that comes back on this line.
Reply hangUpAndRun(ControllerModel& controller, const LayoutRecord& params) {
    const RemoteModemCommand& order = as<RemoteModemCommand>(params);
    if (!isPrintable(order.command)) {
        return refuse();
    }
    controller.settings().remoteCommand = order;
    return acknowledge();
}

const std::array<Entry, 10> kControllerCommands{{
    {"T", &selfTest},
    {"V", &readVersion},
    {"W", &lastCommand},
    {"S", &setSpeed},
    {"IR", &readInitString},
    {"IW", &writeInitString},
    {"ID", &restoreInitString},
    {"JR", &readModemTimeout},
    {"JW", &writeModemTimeout},
    {"A", &hangUpAndRun},
}};

}  // namespace

Served ControllerModel::serve(std::string_view text) {
    Served served = serveCommand(*this, kControllerCommands, DeviceGroup::Controller, text,
                                 RefusalBodies{"N", "N"});
    // "W" reports on the command before it.
    if (served.code != "W") {
        settings_.lastExecuted = served.executed;
    }
    return served;
}

}  // namespace quillet::sim
