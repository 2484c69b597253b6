#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "meter/CommandRunner.h"

namespace quillet {

// One payment of the meter: the date of the last payment and the energy left of it.
struct PaymentRow {
    std::size_t command;  // the read command's slot
    const char* name;     // UTF-8
    int day = 1;          // 0: the meter has no payment
    int month = 1;
    int year = 1999;
    double balance = -1.0;  // kWh; negative: not known

    // What the date column shows for a row the meter has no payment in (UTF-8).
    static constexpr const char* kUnpaid = "неоплачено";

    bool known() const { return balance >= 0; }
    bool paid() const { return known() && day != 0; }
    // The date and balance columns as the page shows them (UTF-8).
    std::string dateText() const;
    std::string balanceText() const;
};

// The meter's payments for the three tariffs and its credit, in their fixed order, and
// its load control mode.
struct PaymentValues {
    static constexpr std::size_t kRowCount = 4;
    // The read's items: the rows by their index, then the load mode.
    static constexpr std::size_t kLoadModeItem = kRowCount;
    static constexpr std::size_t kReadLoadMode = 64;
    // The load modes in the order of the meter's letters "T", "O", "F", "C" (UTF-8).
    static constexpr std::array<const char*, 4> kLoadModes = {
        "Телеметрия", "Нагрузка включена", "Нагрузка выключена", "Контроль нагрузки"};
    // What the page calls the columns of a row and the load mode (UTF-8).
    static constexpr const char* kDateTitle = "Дата оплаты";
    static constexpr const char* kBalanceTitle = "Остаток (кВт*ч)";
    static constexpr const char* kLoadModeLabel = "Режим нагрузки";

    // The values the window shows, kept for the whole run.
    static PaymentValues& shared();
    static bool isLoadMode(int mode);

    std::array<PaymentRow, kRowCount> rows = {{
        {70, "Оплата и остаток по полупиковому тарифу"},
        {71, "Оплата и остаток по льготнуму тарифу"},
        {72, "Оплата и остаток по пиковому тарифу"},
        {73, "Предоставление кредита и остаток"},
    }};
    // Empty until known.
    std::optional<int> loadMode;

    // Asks for every row, then the load mode, each whatever became of the one before;
    // `shown` gets each item as soon as it is known. What a command loses becomes unknown.
    void read(CommandRunner& runner, const std::function<void(std::size_t item)>& shown = {});
};

}  // namespace quillet
