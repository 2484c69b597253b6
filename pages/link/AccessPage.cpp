#include "pages/link/AccessPage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/HistoryComboBox.h"
#include "app/MessageBoxes.h"
#include "app/Transaction.h"
#include "pages/link/LinkPages.h"
#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"
#include "serial/ModemLink.h"
#include "serial/PortTables.h"

namespace quillet {

namespace {

// Command table slots.
constexpr std::size_t kSetGroupPasswordSlot = 0;
constexpr std::size_t kSetMeterSpeedSlot = 7;
constexpr std::size_t kSetAddressSlot = 30;
constexpr std::size_t kSetPrivatePasswordSlot = 31;
constexpr std::size_t kSetCategorySlot = 32;
constexpr std::size_t kReadCategorySlot = 39;
constexpr std::size_t kSetControllerSpeedSlot = 103;

// A broadcast is never acknowledged, so the meters get the new speed more than once.
constexpr int kSpeedRepeats = 3;

constexpr int kDirectLink = 0;
constexpr int kModemLink = 2;

const QString kPasswordRange = QStringLiteral("00000 ... ZZZZZ");

AppSettings& settings() {
    return Application::instance().settings();
}

int rateOf(int baudIndex) {
    return isValidBaudIndex(baudIndex) ? BaudRateTable[static_cast<std::size_t>(baudIndex)].rate
                                       : 0;
}

}  // namespace

AccessPage::AccessPage(QWidget* parent) : TabPage(parent) {
    createControls();
    loadValues();
}

AccessPage::~AccessPage() {
    apply();
    for (HistoryComboBox* box : {groupPassword_, address_, privatePassword_, category_}) {
        box->save();
    }
}

bool AccessPage::isValidPassword(const QString& text) {
    if (text.size() != 5) {
        return false;
    }
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool ok =
            (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9');
        if (!ok) {
            return false;
        }
    }
    return true;
}

void AccessPage::createControls() {
    const DialogUnits units(font());
    const auto label = [&](const QString& text, int x, int y, int width) {
        auto* control = new QLabel(text, this);
        units.place(control, x, y, width, 8);
    };
    const auto digitsOnly = [](QLineEdit* edit) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    };

    auto* current = new QGroupBox(QStringLiteral("Текущие установки"), this);
    units.place(current, 4, 2, 183, 104);
    auto* fresh = new QGroupBox(QStringLiteral("Новые установки"), this);
    units.place(fresh, 190, 2, 136, 104);

    // Rows 1..5: group password, individual password, address, category, speed.
    constexpr int kRowTop[] = {16, 33, 50, 67, 84};
    label(QStringLiteral("Пароль группы:"), 10, kRowTop[0] + 2, 100);
    label(QStringLiteral("Пароль индивидуальный:"), 10, kRowTop[1] + 2, 100);
    label(QStringLiteral("Адрес прибора:"), 10, kRowTop[2] + 2, 100);
    label(QStringLiteral("Категория потребителя:"), 10, kRowTop[3] + 2, 100);
    label(QStringLiteral("Скорость обмена (бит/с):"), 10, kRowTop[4] + 2, 100);

    const auto history = [&](int id, int row) {
        auto* box = new HistoryComboBox(this);
        box->setEditable(true);
        setControlId(box, id);
        units.place(box, 112, kRowTop[row], 68, 12);
        return box;
    };
    groupPassword_ = history(kGroupPasswordId, 0);
    privatePassword_ = history(kPrivatePasswordId, 1);
    address_ = history(kAddressId, 2);
    category_ = history(kCategoryId, 3);
    currentRate_ = new QLineEdit(this);
    currentRate_->setReadOnly(true);
    setControlId(currentRate_, kCurrentRateId);
    units.place(currentRate_, 112, kRowTop[4], 68, 12);

    const auto edit = [&](int id, int row) {
        auto* control = new QLineEdit(this);
        setControlId(control, id);
        units.place(control, 196, kRowTop[row], 68, 12);
        return control;
    };
    newGroupPassword_ = edit(kNewGroupPasswordId, 0);
    newPrivatePassword_ = edit(kNewPrivatePasswordId, 1);
    newAddress_ = edit(kNewAddressId, 2);
    digitsOnly(newAddress_);
    newCategory_ = edit(kNewCategoryId, 3);
    digitsOnly(newCategory_);
    newRate_ = new QComboBox(this);
    setControlId(newRate_, kNewRateId);
    units.place(newRate_, 196, kRowTop[4], 68, 12);

    const auto button = [&](int id, int row, void (AccessPage::*change)()) {
        auto* control = new QPushButton(QStringLiteral("Изменить..."), this);
        setControlId(control, id);
        units.place(control, 268, kRowTop[row], 54, 13);
        connect(control, &QPushButton::clicked, this, change);
        return control;
    };
    changeGroupPasswordButton_ =
        button(kChangeGroupPasswordId, 0, &AccessPage::changeGroupPassword);
    changePrivatePasswordButton_ =
        button(kChangePrivatePasswordId, 1, &AccessPage::changePrivatePassword);
    changeAddressButton_ = button(kChangeAddressId, 2, &AccessPage::changeAddress);
    changeCategoryButton_ = button(kChangeCategoryId, 3, &AccessPage::changeCategory);
    changeRateButton_ = button(kChangeRateId, 4, &AccessPage::changeRate);

    label(QStringLiteral("* считывается только категория потребителя"), 10, 112, 200);
}

void AccessPage::loadValues() {
    const AppSettings& current = settings();
    const QString section = QStringLiteral("Access");
    groupPassword_->load(section, QStringLiteral("GroupPassword"), QStringLiteral("Q7K2M"));
    groupPassword_->setEditText(QString::fromStdString(current.groupPassword));
    privatePassword_->load(section, QStringLiteral("PrivatePassword"), QStringLiteral("Q7K2M"));
    privatePassword_->setEditText(QString::fromStdString(current.privatePassword));
    category_->load(section, QStringLiteral("Category"), QStringLiteral("00"));
    category_->setEditText(QString::number(current.category));
    address_->load(section, QStringLiteral("Address"), QStringLiteral("000"));
    address_->setEditText(QString::number(current.address));

    const int baudIndex = Application::instance().port().baudIndex();
    for (const BaudRate& baud : BaudRateTable) {
        newRate_->addItem(
            QString::fromUtf8(baud.text.data(), static_cast<qsizetype>(baud.text.size())));
    }
    newRate_->setCurrentIndex(baudIndex);
    currentRate_->setText(QString::number(rateOf(baudIndex)));
}

bool AccessPage::apply() {
    AppSettings& current = settings();
    bool ok = true;
    // Every check runs, and every valid value is taken even when another one is refused.
    const QString group = groupPassword_->currentText();
    if (isValidPassword(group)) {
        current.groupPassword = group.toStdString();
    } else {
        showWarning(
            this, QStringLiteral("Неверный пароль группы\nДопустимые значения: ") + kPasswordRange);
        ok = false;
    }
    const QString own = privatePassword_->currentText();
    if (isValidPassword(own)) {
        current.privatePassword = own.toStdString();
    } else {
        showWarning(this, QStringLiteral("Неверный индивидуальный пароль\nДопустимые значения: ") +
                              kPasswordRange);
        ok = false;
    }
    // The leading digits count, as the field's number always did.
    const int category = leadingInt(category_->currentText().toStdString());
    if (category >= 0 && category <= 99) {
        current.category = category;
    } else {
        showWarning(
            this, QStringLiteral("Неверная категория потребителя\nДопустимые значения: 0 ... 99"));
        ok = false;
    }
    const int address = leadingInt(address_->currentText().toStdString());
    if (address >= 0 && address <= 999) {
        current.address = address;
    } else {
        showWarning(this, QStringLiteral("Неверный адрес прибора\nДопустимые значения: 0 ... 999"));
        ok = false;
    }
    return ok;
}

void AccessPage::bracketed(const std::function<void()>& work) {
    emit exchangeBeginRequested();
    work();
    emit exchangeEndRequested();
}

void AccessPage::changeGroupPassword() {
    bracketed([this] {
        if (!apply()) {
            return;
        }
        const QString text = newGroupPassword_->text();
        if (!isValidPassword(text)) {
            showWarning(this, QStringLiteral("Неверный новый пароль группы"));
            return;
        }
        if (!askYesNo(this, QStringLiteral("Подтвердите изменение пароля группы"),
                      QMessageBox::Warning)) {
            return;
        }
        if (executeCommand(kSetGroupPasswordSlot, Password{text.toStdString()}, nullptr) != 1) {
            return;
        }
        groupPassword_->setEditText(text);
        groupPassword_->commit();
        settings().groupPassword = text.toStdString();
    });
}

void AccessPage::changePrivatePassword() {
    bracketed([this] {
        if (!apply()) {
            return;
        }
        const QString text = newPrivatePassword_->text();
        if (!isValidPassword(text)) {
            showWarning(this, QStringLiteral("Неверный новый индивидуальный пароль"));
            return;
        }
        if (!askYesNo(this, QStringLiteral("Подтвердите изменение индивидуального пароля"),
                      QMessageBox::Warning)) {
            return;
        }
        if (executeCommand(kSetPrivatePasswordSlot, Password{text.toStdString()}, nullptr) != 1) {
            return;
        }
        privatePassword_->setEditText(text);
        privatePassword_->commit();
        settings().privatePassword = text.toStdString();
    });
}

void AccessPage::changeAddress() {
    bracketed([this] {
        if (!apply()) {
            return;
        }
        const int address = textAsInt(newAddress_->text().toStdString());
        if (address < 0 || address > 999) {
            showWarning(this, QStringLiteral("Неверный новый адрес прибора"));
            return;
        }
        if (!askYesNo(this, QStringLiteral("Подтвердите изменение адреса прибора"),
                      QMessageBox::Warning)) {
            return;
        }
        if (executeCommand(kSetAddressSlot, MeterAddress{address}, nullptr) != 1) {
            return;
        }
        address_->setEditText(QString::number(address));
        address_->commit();
        settings().address = address;
    });
}

void AccessPage::changeCategory() {
    bracketed([this] {
        if (!apply()) {
            return;
        }
        const int category = textAsInt(newCategory_->text().toStdString());
        if (category < 0 || category > 99) {
            showWarning(this, QStringLiteral("Неверная новая категория потребителя"));
            return;
        }
        if (!askYesNo(this, QStringLiteral("Подтвердите изменение категории потребителя"),
                      QMessageBox::Warning)) {
            return;
        }
        if (executeCommand(kSetCategorySlot, ConsumerCategory{category}, nullptr) != 1) {
            return;
        }
        category_->setEditText(QString::number(category));
        category_->commit();
        settings().category = category;
    });
}

void AccessPage::changeRate() {
    bracketed([this] {
        if (!apply()) {
            return;
        }
        if (!askYesNo(this, QStringLiteral("Подтвердите изменение скорости обмена"),
                      QMessageBox::Warning)) {
            return;
        }
        const int baudIndex = newRate_->currentIndex();
        const LineSpeed speed{rateOf(baudIndex)};
        for (int sent = 0; sent < kSpeedRepeats; ++sent) {
            if (executeCommand(kSetMeterSpeedSlot, speed, nullptr) != 1) {
                if (sent == 0) {
                    return;
                }
                break;
            }
        }
        const int linkType = settings().linkType;
        if (linkType != kDirectLink &&
            executeCommand(kSetControllerSpeedSlot, speed, nullptr) != 1) {
            showWarning(this, QStringLiteral("Скорость обмена счетчика изменена успешно,\n"
                                             "однако произошла ошибка при изменении скорости\n"
                                             "обмена контролера"));
        }
        SerialPort& port = Application::instance().port();
        if (linkType == kModemLink) {
            ModemLink(port, pauseKeepingWindowAlive).modemHangUp();
        }
        // The meters now listen at the new speed, whatever the controller said.
        port.configure(port.portIndex(), baudIndex, port.replyTimeoutMs());
        currentRate_->setText(QString::number(speed.baudRate));
    });
}

void AccessPage::readFromDevice() {
    if (!apply()) {
        return;
    }
    LayoutRecord reply = ConsumerCategory{};
    if (executeCommand(kReadCategorySlot, std::monostate{}, &reply) != 1) {
        return;
    }
    const int category = std::get<ConsumerCategory>(reply).category;
    category_->setEditText(QString::number(category));
    category_->commit();
    settings().category = category;
}

void AccessPage::setExchangeControlsEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             groupPassword_, address_, privatePassword_, category_, changeGroupPasswordButton_,
             changeAddressButton_, changePrivatePasswordButton_, changeCategoryButton_, newRate_,
             changeRateButton_}) {
        control->setEnabled(enabled);
    }
}

void AccessPage::onExchangeBegin() {
    setExchangeControlsEnabled(false);
}

void AccessPage::onExchangeEnd() {
    setExchangeControlsEnabled(true);
}

void registerAccessPage() {
    PageFactory::instance().add(AccessPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<AccessPage>(parent);
    });
}

}  // namespace quillet
