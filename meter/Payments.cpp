#include "meter/Payments.h"

#include "meter/MeterClock.h"
#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

constexpr const char* kMissing = "-";

}  // namespace

std::string PaymentRow::dateText() const {
    if (!known()) {
        return kMissing;
    }
    return day == 0 ? kUnpaid : quillet::dateText(day, month, year);
}

std::string PaymentRow::balanceText() const {
    return paid() ? formatDouble(balance, 8) : kMissing;
}

PaymentValues& PaymentValues::shared() {
    static PaymentValues values;
    return values;
}

bool PaymentValues::isLoadMode(int mode) {
    return mode >= 0 && mode < static_cast<int>(kLoadModes.size());
}

void PaymentValues::read(CommandRunner& runner, const std::function<void(std::size_t)>& shown) {
    for (std::size_t i = 0; i < kRowCount; ++i) {
        PaymentRow& row = rows[i];
        row.balance = -1.0;
        if (const auto paid = runner.read<PaymentBalance>(row.command)) {
            row.day = paid->day;
            row.month = paid->month;
            row.year = paid->year;
            row.balance = paid->balance;
        }
        if (shown) {
            shown(i);
        }
    }
    loadMode.reset();
    if (const auto mode = runner.read<LoadMode>(kReadLoadMode);
        mode && isLoadMode(mode->loadMode)) {
        loadMode = mode->loadMode;
    }
    if (shown) {
        shown(kLoadModeItem);
    }
}

}  // namespace quillet
