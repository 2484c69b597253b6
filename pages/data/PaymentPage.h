#pragma once

#include <cstddef>

#include "app/TabPage.h"
#include "meter/Payments.h"

class QComboBox;

namespace quillet {

class ReportList;

// The tab "Оплата и Нагрузка": the meter's payments for the three tariffs and its credit,
// read only, and its load control mode, read and set.
// No Q_OBJECT: the page adds no signals or slots of its own.
class PaymentLoadPage : public TabPage {
public:
    static constexpr int kTemplateId = 139;

    static constexpr int kListId = 1037;
    static constexpr int kLoadModeId = 1070;

    static constexpr std::size_t kReadLoadMode = PaymentValues::kReadLoadMode;
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
