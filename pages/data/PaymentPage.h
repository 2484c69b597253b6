#pragma once

#include <QStringList>
#include <array>
#include <cstddef>

#include "app/TabPage.h"

class QComboBox;

namespace quillet {

class ReportList;

// One payment of the meter: the date of the last payment and the energy left of it.
struct PaymentRow {
    std::size_t command;  // the read command's slot
    const char* name;     // UTF-8
    int day = 1;          // 0: the meter has no payment
    int month = 1;
    int year = 1999;
    double balance = -1.0;  // kWh; negative: not known

    // The date and balance columns.
    QStringList texts() const;
};

// What the page shows, kept for the whole run: the four payments in their fixed order and
// the load control mode.
struct PaymentValues {
    static constexpr std::size_t kRowCount = 4;

    static PaymentValues& shared();

    std::array<PaymentRow, kRowCount> rows = {{
        {70, "Оплата и остаток по полупиковому тарифу"},
        {71, "Оплата и остаток по льготнуму тарифу"},
        {72, "Оплата и остаток по пиковому тарифу"},
        {73, "Предоставление кредита и остаток"},
    }};
    int loadMode = 0;  // 0 "Телеметрия", 1 on, 2 off, 3 "Контроль нагрузки"
};

// The tab "Оплата и Нагрузка": the meter's payments for the three tariffs and its credit,
// read only, and its load control mode, read and set.
// No Q_OBJECT: the page adds no signals or slots of its own.
class PaymentLoadPage : public TabPage {
public:
    static constexpr int kTemplateId = 139;

    static constexpr int kListId = 1037;
    static constexpr int kLoadModeId = 1070;

    static constexpr std::size_t kReadLoadMode = 64;
    static constexpr std::size_t kSetLoadMode = 65;

    explicit PaymentLoadPage(QWidget* parent);
    ~PaymentLoadPage() override;

    void readFromDevice() override;
    void writeToDevice() override;
    void onExchangeBegin() override;
    void onExchangeEnd() override;

private:
    void createControls();
    void showRow(std::size_t index);

    ReportList* list_ = nullptr;
    QComboBox* loadMode_ = nullptr;
};

}  // namespace quillet
