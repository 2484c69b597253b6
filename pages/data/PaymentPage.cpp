#include "pages/data/PaymentPage.h"

#include <QComboBox>
#include <QLabel>
#include <variant>

#include "app/DialogLayout.h"
#include "app/ReportList.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

const QString kMissing = QStringLiteral("-");

constexpr std::array<ReportColumn, 3> kColumns = {
    {{"Название", 50}, {"Дата оплаты", 20}, {"Остаток (кВт*ч)", 30}}};

// In the order of the meter's letters "T", "O", "F", "C".
constexpr std::array<const char*, 4> kLoadModes = {"Телеметрия", "Нагрузка включена",
                                                   "Нагрузка выключена", "Контроль нагрузки"};

bool isLoadMode(int mode) {
    return mode >= 0 && mode < static_cast<int>(kLoadModes.size());
}

}  // namespace

QStringList PaymentRow::texts() const {
    if (balance < 0) {
        return {kMissing, kMissing};
    }
    if (day == 0) {
        return {QStringLiteral("неоплачено"), kMissing};
    }
    return {QString::asprintf("%d/%02d/%04d", day, month, year),
            QString::fromStdString(formatDouble(balance, 8))};
}

PaymentValues& PaymentValues::shared() {
    static PaymentValues values;
    return values;
}

PaymentLoadPage::PaymentLoadPage(QWidget* parent) : TabPage(parent) {
    createControls();
    for (const char* mode : kLoadModes) {
        loadMode_->addItem(QString::fromUtf8(mode));
    }
    loadMode_->setCurrentIndex(PaymentValues::shared().loadMode);
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
    units.place(new QLabel(QStringLiteral("Режим нагрузки:"), this), 0, 7, 110, 70, 8);
    loadMode_ = new QComboBox(this);
    units.place(loadMode_, kLoadModeId, 80, 108, 100, 12);
}

void PaymentLoadPage::showRow(std::size_t index) {
    const PaymentRow& row = PaymentValues::shared().rows[index];
    list_->setRow(static_cast<int>(index), QStringList{QString::fromUtf8(row.name)} + row.texts());
}

void PaymentLoadPage::readFromDevice() {
    PaymentValues& values = PaymentValues::shared();
    // Every row is asked for whatever became of the one before; a failed one shows "-".
    for (std::size_t i = 0; i < PaymentValues::kRowCount; ++i) {
        PaymentRow& row = values.rows[i];
        row.balance = -1.0;
        LayoutRecord reply = PaymentBalance{};
        if (executeCommand(row.command, {}, &reply) == 1) {
            if (const auto* paid = std::get_if<PaymentBalance>(&reply)) {
                row.day = paid->day;
                row.month = paid->month;
                row.year = paid->year;
                row.balance = paid->balance;
            }
        }
        showRow(i);
    }

    LayoutRecord reply = LoadMode{};
    if (executeCommand(kReadLoadMode, {}, &reply) == 1) {
        if (const auto* mode = std::get_if<LoadMode>(&reply); mode && isLoadMode(mode->loadMode)) {
            values.loadMode = mode->loadMode;
            loadMode_->setCurrentIndex(values.loadMode);
        }
    }
}

void PaymentLoadPage::writeToDevice() {
    PaymentValues& values = PaymentValues::shared();
    const int mode = loadMode_->currentIndex();
    if (!isLoadMode(mode)) {
        return;
    }
    values.loadMode = mode;
    // The payments are the meter's own: only the load mode is ever written.
    executeCommand(kSetLoadMode, LoadMode{values.loadMode}, nullptr);
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
