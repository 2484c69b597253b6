#include "pages/link/ControllerModemPage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "app/DialogLayout.h"
#include "app/MessageBoxes.h"
#include "app/Transaction.h"
#include "pages/link/LinkPages.h"
#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"

namespace quillet {

ControllerModemPage::Values& ControllerModemPage::values() {
    static Values shown;
    return shown;
}

ControllerModemPage::ControllerModemPage(QWidget* parent) : TabPage(parent) {
    createControls();
    toControls();
}

ControllerModemPage::~ControllerModemPage() {
    fromControls();
}

void ControllerModemPage::createControls() {
    const DialogUnits units(font());
    useInit_ = new QCheckBox(QStringLiteral("Строка инициализации модема:"), this);
    units.place(useInit_, kUseInitId, 14, 22, 120, 10);
    init_ = new QLineEdit(this);
    units.place(init_, kInitId, 138, 21, 170, 12);
    useTimeout_ = new QCheckBox(QStringLiteral("Тайм-аут модема (мин):"), this);
    units.place(useTimeout_, kUseTimeoutId, 14, 44, 120, 10);
    timeout_ = new QLineEdit(this);
    timeout_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), timeout_));
    units.place(timeout_, kTimeoutId, 138, 43, 30, 12);
    restore_ = new QPushButton(QStringLiteral("Из ПЗУ..."), this);
    units.place(restore_, kRestoreId, 138, 66, 60, 14);
    connect(restore_, &QPushButton::clicked, this, &ControllerModemPage::restoreFromMemory);
}

void ControllerModemPage::toControls() {
    const Values& v = values();
    useInit_->setChecked(v.useInit);
    init_->setText(v.initText);
    useTimeout_->setChecked(v.useTimeout);
    timeout_->setText(v.timeoutText);
}

void ControllerModemPage::fromControls() {
    Values& v = values();
    v.useInit = useInit_->isChecked();
    v.initText = init_->text();
    v.useTimeout = useTimeout_->isChecked();
    v.timeoutText = timeout_->text();
}

void ControllerModemPage::readFromDevice() {
    fromControls();
    Values& v = values();
    if (v.useInit) {
        LayoutRecord reply = ModemInitString{};
        if (executeCommand(kReadInit, {}, &reply) == 1) {
            if (const auto* text = std::get_if<ModemInitString>(&reply)) {
                v.initText = QString::fromStdString(text->initString);
                toControls();
            }
        }
    }
    if (v.useTimeout) {
        LayoutRecord reply = ModemTimeout{};
        if (executeCommand(kReadTimeout, {}, &reply) == 1) {
            if (const auto* timeout = std::get_if<ModemTimeout>(&reply)) {
                v.timeoutText = QString::number(timeout->minutes);
                toControls();
            }
        }
    }
}

void ControllerModemPage::writeToDevice() {
    fromControls();
    const Values& v = values();
    // Both rows are checked before anything goes out.
    if (v.useInit && v.initText.size() > kMaxInitLength) {
        showWarning(this, QStringLiteral("Неверная строка инициализации модема"));
        return;
    }
    const int minutes = textAsInt(v.timeoutText.toStdString());
    if (v.useTimeout && (minutes < kMinTimeout || minutes > kMaxTimeout)) {
        showWarning(this,
                    QStringLiteral("Неверный тайм-аут модема\nДопустимые значения: 1 ... 60 мин"));
        return;
    }
    if (v.useInit) {
        LayoutRecord reply;
        executeCommand(kWriteInit, ModemInitString{v.initText.toStdString()}, &reply);
    }
    if (v.useTimeout) {
        LayoutRecord reply;
        executeCommand(kWriteTimeout, ModemTimeout{minutes}, &reply);
    }
}

void ControllerModemPage::restoreFromMemory() {
    emit exchangeBeginRequested();
    if (askYesNo(this,
                 QStringLiteral(
                     "Подтвердите установку строки инициализациии модема из ПЗУ контролера"))) {
        LayoutRecord reply;
        executeCommand(kRestoreInit, {}, &reply);
    }
    emit exchangeEndRequested();
}

void ControllerModemPage::onExchangeBegin() {
    restore_->setEnabled(false);
}

void ControllerModemPage::onExchangeEnd() {
    restore_->setEnabled(true);
}

void registerControllerModemPage() {
    PageFactory::instance().add(ControllerModemPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<ControllerModemPage>(parent);
    });
}

}  // namespace quillet
