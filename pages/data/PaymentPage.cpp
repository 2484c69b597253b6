#include "pages/data/PaymentPage.h"

#include <QComboBox>
#include <QLabel>

#include "app/DialogLayout.h"
#include "app/ReportList.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "protocol/LayoutRecords.h"

namespace quillet {

namespace {

constexpr std::array<ReportColumn, 3> kColumns = {
    {{"Название", 50}, {PaymentValues::kDateTitle, 20}, {PaymentValues::kBalanceTitle, 30}}};

}  // namespace

PaymentLoadPage::PaymentLoadPage(QWidget* parent) : TabPage(parent) {
    createControls();
    for (const char* mode : PaymentValues::kLoadModes) {
        loadMode_->addItem(QString::fromUtf8(mode));
    }
    loadMode_->setCurrentIndex(PaymentValues::shared().loadMode.value_or(0));
    list_->setColumns(kColumns);
    for (std::size_t i = 0; i < PaymentValues::kRowCount; ++i) {
        showRow(i);
    }
}

PaymentLoadPage::~PaymentLoadPage() {
    PaymentValues::shared().loadMode = loadMode_->currentIndex();
}

void PaymentLoadPage::createControls() {
    const DialogUnits units(font());
    list_ = new ReportList(this);
    units.place(list_, kListId, 7, 7, 316, 92);
    units.place(new QLabel(QString::fromUtf8(PaymentValues::kLoadModeLabel) + ':', this), 0, 7, 110,
                70, 8);
    loadMode_ = new QComboBox(this);
    units.place(loadMode_, kLoadModeId, 80, 108, 100, 12);
}

void PaymentLoadPage::showRow(std::size_t index) {
    const PaymentRow& row = PaymentValues::shared().rows[index];
    list_->setRow(static_cast<int>(index),
                  {QString::fromUtf8(row.name), QString::fromStdString(row.dateText()),
                   QString::fromStdString(row.balanceText())});
}

void PaymentLoadPage::readFromDevice() {
    PaymentValues& values = PaymentValues::shared();
    WindowCommands commands;
    values.read(commands, [&](std::size_t item) {
        if (item < PaymentValues::kRowCount) {
            showRow(item);
        } else if (values.loadMode) {
            loadMode_->setCurrentIndex(*values.loadMode);
        }
    });
}

void PaymentLoadPage::writeToDevice() {
    PaymentValues& values = PaymentValues::shared();
    const int mode = loadMode_->currentIndex();
    if (!PaymentValues::isLoadMode(mode)) {
        return;
    }
    values.loadMode = mode;
    // The payments are the meter's own: only the load mode is ever written.
    executeCommand(kSetLoadMode, LoadMode{mode}, nullptr);
}

void PaymentLoadPage::onExchangeBegin() {
    loadMode_->setEnabled(false);
}

void PaymentLoadPage::onExchangeEnd() {
    loadMode_->setEnabled(true);
}

void registerPaymentPage() {
    PageFactory::instance().add(PaymentLoadPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<PaymentLoadPage>(parent);
    });
}

}  // namespace quillet
