#include "serial/PortResult.h"

#include <array>

namespace quillet {

namespace {

// Text 1 starts with a Latin capital O; the texts are kept exactly as operators know them.
constexpr std::array<std::string_view, 8> kTexts = {
    "OK",
    "Oшибка открытия или натройки COM-порта.\r\nВозможно порт занят для других целей.",
    "Ошибка передачи данных через COM-порт.\r\nВозможно неисправность кабельных соединений "
    "или\r\nневерное задание тайм-аута COM-порта.",
    "Ошибка приема данных через COM-порт.\r\nНет символа начала ответа.",
    "Ошибка приема данных через COM-порт.\r\nВозможно неверное задание скорости COM-порта.",
    "Ошибка приема данных через COM-порт.\r\nНет символа окончания ответа.",
    "Ошибка приема данных через COM-порт.\r\nБуфер приема переполнен.",
    "COM-порт занят предыдущей операцией обмена.\r\nПодождите и повторите операцию.",
};

}  // namespace

std::string_view portResultText(int code) {
    if (code < 0 || code >= static_cast<int>(kTexts.size())) {
        return {};
    }
    return kTexts[static_cast<std::size_t>(code)];
}

}  // namespace quillet
