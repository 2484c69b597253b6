#include "meter/RemoteDial.h"

#include <string>

#include "meter/AppSettings.h"

namespace quillet {

RemoteDial::RemoteDial(ModemLink& modem, CommandRunner& commands,
                       std::function<void(std::chrono::milliseconds)> pause)
    : modem_(modem), commands_(commands), pause_(std::move(pause)) {}

RemoteModemCommand RemoteDial::remoteCommandOrder(const AppSettings& settings) {
    return RemoteModemCommand{settings.modTime, settings.modCommand};
}

RemoteDial::Outcome RemoteDial::connect(const AppSettings& settings) {
    const std::string dialLine = settings.numberPrefix + settings.number;
    modem_.modemHangUp();
    ModemResult result = modem_.modemInit(settings.init);
    // An echoing modem's answer is not recognised, but the modem is there.
    if (result != ModemResult::Ok && result != ModemResult::Unknown) {
        return {false, "Ошибка инициализации модема.", result};
    }
    pause_(kAnswerTail);
    result = modem_.modemDial(dialLine);
    if (result != ModemResult::Connect) {
        return {false, "Ошибка соединения.", result};
    }
    if (settings.modEnable == 0) {
        return {true, {}, result};
    }
    LayoutRecord reply;
    if (commands_.execute(kRemoteModemCommand, remoteCommandOrder(settings), &reply) != 1) {
        return {false, {}, result};
    }
    // The remote modem now runs the command line; the local one follows it and the
    // number is dialled again.
    modem_.modemHangUp();
    result = modem_.modemInit(settings.modCommand);
    if (result != ModemResult::Ok) {
        return {false, "Ошибка повторной инициализации модема.", result};
    }
    pause_(kAnswerTail);
    result = modem_.modemDial(dialLine);
    if (result != ModemResult::Connect) {
        return {false, "Ошибка повторного соединения.", result};
    }
    return {true, {}, result};
}

}  // namespace quillet
