#include "cli/CliSession.h"

#include <algorithm>

#include "app/SettingsStore.h"
#include "cli/CliOptions.h"
#include "meter/RemoteDial.h"
#include "serial/ModemLink.h"
#include "serial/PortMap.h"
#include "serial/SimulatedLineDevice.h"

namespace quillet::cli {

namespace {

constexpr int kModemLink = 2;

PortMap portMapFor(const LinkChoice& link) {
    PortMap map;
    map.setDevice(link.portIndex, link.device);
    return map;
}

}  // namespace

LinkChoice chooseLink(const StoredSettings& stored, const CliOptions& options) {
    LinkChoice link;
    link.settings = stored.settings;
    link.portIndex = stored.portIndex;
    link.baudIndex = stored.baudIndex;
    link.device = stored.devices[static_cast<std::size_t>(stored.portIndex)];
    if (options.port) {
        const auto name = std::find(PortNameTable.begin(), PortNameTable.end(), *options.port);
        if (name != PortNameTable.end()) {
            link.portIndex = static_cast<int>(name - PortNameTable.begin());
            link.device = stored.devices[static_cast<std::size_t>(link.portIndex)];
        } else {
            link.device = *options.port;  // a path or the simulator, on the stored port
        }
    }
    if (options.baudRate) {
        link.baudIndex = baudIndexOf(*options.baudRate);
    }
    AppSettings& s = link.settings;
    s.timeoutMs = options.timeoutMs.value_or(s.timeoutMs);
    s.linkType = options.linkType.value_or(s.linkType);
    s.controllerAddress = options.controllerAddress.value_or(s.controllerAddress);
    s.groupPassword = options.groupPassword.value_or(s.groupPassword);
    s.privatePassword = options.privatePassword.value_or(s.privatePassword);
    s.category = options.category.value_or(s.category);
    // Every failure is handed to the repeat count, whatever the window's report setting.
    s.errorReport = 1;
    return link;
}

RepeatingCommands::RepeatingCommands(SerialPort& port, const AppSettings& settings, int retries,
                                     const std::atomic<bool>& cancelled)
    : cancelled_(cancelled),
      retries_(retries),
      executor_(port, settings, cancelled,
                [this](const std::string&) { return retriesLeft_-- > 0; }) {}

int RepeatingCommands::execute(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) {
    retriesLeft_ = retries_;
    return executor_.execute(index, params, reply);
}

std::string RepeatingCommands::lastFailure() const {
    const std::string& message = executor_.lastFailure();
    if (message.empty() && cancelled_) {
        return std::string(kInterrupted);
    }
    return message;
}

CliSession::CliSession(const LinkChoice& link, int retries, std::shared_ptr<LinePeer> simulator,
                       const std::atomic<bool>* cancelled)
    : settings_(link.settings),
      simulatedLine_(simulator ? std::make_shared<SharedLine>(std::move(simulator)) : nullptr),
      port_(portMapFor(link), simulatedLine_
                                  ? makeSimulatedLineFactory(simulatedLine_)
                                  : LineDeviceFactory(SerialPort::makeDefaultLineDevice)),
      commands_(port_, settings_, retries, cancelled != nullptr ? *cancelled : neverCancelled_) {
    port_.configure(link.portIndex, link.baudIndex, settings_.timeoutMs);
}

CliSession::~CliSession() {
    port_.close();
}

bool CliSession::connect(std::string& message) {
    if (settings_.linkType != kModemLink) {
        return true;
    }
    ModemLink modem(port_);
    const RemoteDial::Outcome outcome =
        RemoteDial(modem, commands_, CommandExecutor::sleepFor).connect(settings_);
    if (outcome.connected) {
        return true;
    }
    message = outcome.caption.empty() ? commands_.lastFailure()
                                      : modemMessageText(outcome.caption, outcome.result);
    return false;
}

void CliSession::disconnect() {
    if (settings_.linkType == kModemLink) {
        ModemLink(port_).modemHangUp();
    }
}

}  // namespace quillet::cli
