#pragma once

#include <array>
#include <string_view>

namespace quillet {

// One tab of the main window: its caption, its page template (which also picks the page
// class) and the toolbar operations it supports.
struct PageInfo {
    std::string_view title;
    int templateId;
    int canDownload;  // read from device, F5
    int canUpload;    // write to device, F6
    int canOpen;      // read from file, F7
    int canSave;      // write to file, F8
};

inline constexpr int kPageCount = 17;
inline constexpr int kAboutPage = 16;

// In tab order.
inline constexpr std::array<PageInfo, kPageCount> PageTable = {{
    {"Связь", 130, 0, 0, 0, 0},
    {"Модем", 149, 0, 0, 0, 0},
    {"Контролер", 148, 1, 0, 0, 0},
    {"Контролер-модем", 150, 1, 1, 0, 0},
    {"Доступ к счетчику", 134, 1, 0, 0, 0},
    {"Сервис", 137, 1, 0, 0, 0},
    {"Дата и Время", 140, 1, 1, 0, 0},
    {"Показания", 138, 1, 0, 1, 1},
    {"Индикация", 141, 1, 1, 0, 0},
    {"Тарифы", 133, 1, 1, 0, 0},
    {"Тарифное расписание", 147, 1, 1, 1, 1},
    {"График потребления", 136, 1, 0, 1, 1},
    {"Пороги", 142, 1, 1, 0, 0},
    {"Праздники", 135, 1, 1, 1, 1},
    {"Оплата и Нагрузка", 139, 1, 1, 0, 0},
    {"Протокол обмена", 132, 0, 0, 0, 1},
    {"О Quillet", 131, 0, 0, 0, 0},
}};

}  // namespace quillet
