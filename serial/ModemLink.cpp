#include "serial/ModemLink.h"

#include <array>
#include <string>
#include <thread>

#include "serial/LineDevice.h"
#include "serial/SerialPort.h"

namespace quillet {

namespace {

constexpr std::uint8_t kModemLogTag = 0xFF;
constexpr std::size_t kReplyBuffer = 256;

struct Answer {
    std::string_view text;
    std::string_view message;
};

// Searched in this order: "OK" before "CONNECT", "NO CARRIER" before "ERROR".
constexpr std::array<Answer, 8> kAnswers = {{
    {"OK", "Модем ответил: \"OK\""},
    {"CONNECT", "Модем ответил: \"Успешное соединение\""},
    {"NO CARRIER", "Модем ответил: \"Нет несущей\" (связь потеряна)"},
    {"ERROR", "Модем ответил: \"Ошибка модема\" (неверная команда для модема)"},
    {"NO DIAL TONE", "Модем ответил: \"Нет сигнала коммутатора\" (длинный гудок)"},
    {"BUSY", "Модем ответил: \"Номер занят\" (короткие гудки)"},
    {"NO ANSWER", "Модем ответил: \"Нет ответа удаленного модема\""},
    {"RING", "Модем ответил: \"Звонок\""},
}};

constexpr std::string_view kUnknownMessage =
    "Неизвестный ответ модема (возможно включен режим эха)";
constexpr std::string_view kNoReplyMessage = "Ошибка передачи данных (модем не отвечает)";

constexpr std::string_view kEscape = "+++";
constexpr std::string_view kHangUp = "ATH\r\n";
constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

std::string_view modemMessage(ModemResult result) {
    const auto code = static_cast<std::size_t>(result);
    if (code < kAnswers.size()) {
        return kAnswers[code].message;
    }
    return result == ModemResult::Unknown ? kUnknownMessage : kNoReplyMessage;
}

std::string modemMessageText(std::string_view caption, ModemResult result) {
    std::string text(caption);
    text += '\n';
    text += modemMessage(result);
    return text;
}

void ModemLink::sleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

ModemLink::ModemLink(SerialPort& port, Wait wait) : port_(port), wait_(std::move(wait)) {}

ModemResult ModemLink::modemCommand(std::string_view line) {
    std::array<char, kReplyBuffer> reply{};
    // The reply runs from the first byte received to the next CR after it.
    const PortResult result =
        port_.transact(kModemLogTag, line, std::span(reply.data(), reply.size() - 1), 0, '\r');
    if (result != PortResult::Ok) {
        return ModemResult::NoReply;
    }
    const std::string_view text(reply.data());
    for (std::size_t i = 0; i < kAnswers.size(); ++i) {
        if (text.find(kAnswers[i].text) != std::string_view::npos) {
            return static_cast<ModemResult>(i);
        }
    }
    return ModemResult::Unknown;
}

ModemResult ModemLink::modemCommandTimed(std::string_view line, int timeoutMs) {
    const int saved = port_.replyTimeoutMs();
    port_.setReplyTimeoutMs(timeoutMs);
    const ModemResult result = modemCommand(line);
    port_.setReplyTimeoutMs(saved);
    return result;
}

ModemResult ModemLink::modemEscape() {
    wait_(kGuardTime);
    return modemCommandTimed(kEscape, kEscapeTimeoutMs);
}

ModemResult ModemLink::modemHangUpLine() {
    const ModemResult result = modemCommandTimed(kHangUp, kHangUpTimeoutMs);
    wait_(kGuardTime);
    return result;
}

int ModemLink::carrierState() const {
    if (!port_.isOpen()) {
        return 0;
    }
    return (port_.modemStatus() & ModemStatus::kDcdOn) ? 1 : 2;
}

bool ModemLink::prepare() {
    switch (carrierState()) {
        case 0:
            if (port_.open() != 0) {
                return false;
            }
            modemHangUpLine();
            break;
        case 1:
            modemHangUpLine();
            break;
        default:
            break;
    }
    return true;
}

ModemResult ModemLink::modemInit(std::string_view initString) {
    if (!prepare()) {
        return ModemResult::NoReply;
    }
    return modemCommand(std::string(initString) + std::string(kLineEnd));
}

ModemResult ModemLink::modemDial(std::string_view dialLine) {
    if (!prepare()) {
        return ModemResult::NoReply;
    }
    const std::string line = std::string(dialLine) + std::string(kLineEnd);
    ModemResult result = ModemResult::NoReply;
    for (int attempt = 0; attempt < kDialAttempts; ++attempt) {
        result = modemCommandTimed(line, kDialTimeoutMs);
        if (result != ModemResult::NoDialTone) {
            break;
        }
        modemHangUpLine();
    }
    return result;
}

ModemResult ModemLink::modemHangUp() {
    switch (carrierState()) {
        case 0:
            return ModemResult::NoReply;
        case 1:
            modemEscape();
            break;
        default:
            break;
    }
    return modemHangUpLine();
}

}  // namespace quillet
