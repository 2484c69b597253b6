#include "pages/link/ControllerPage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/HistoryComboBox.h"
#include "app/MessageBoxes.h"
#include "app/Transaction.h"
#include "pages/link/LinkPages.h"
#include "protocol/LayoutRecords.h"
#include "serial/PortTables.h"

namespace quillet {

namespace {

const QString kMissing = QStringLiteral("-");

// The device compares the address byte by byte: one ASCII letter or digit.
bool isControllerAddress(const QString& text) {
    if (text.size() != 1) {
        return false;
    }
    const char16_t c = text.front().unicode();
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

QString flagText(int result, const LayoutRecord& reply, const char* yes, const char* no) {
    const auto* flag = std::get_if<YesNo>(&reply);
    if (result != 1 || flag == nullptr) {
        return kMissing;
    }
    return QString::fromUtf8(flag->yes != 0 ? yes : no);
}

int rateOfIndex(int baudIndex) {
    return isValidBaudIndex(baudIndex) ? BaudRateTable[static_cast<std::size_t>(baudIndex)].rate
                                       : 0;
}

}  // namespace

ControllerPage::ControllerPage(QWidget* parent) : TabPage(parent) {
    createControls();
    Application& app = Application::instance();
    address_->load(QStringLiteral("Settings"), QStringLiteral("ControlerAddress"),
                   QStringLiteral("0"));
    address_->setEditText(QString::fromStdString(app.settings().controllerAddress));
    currentRate_ = rateOfIndex(app.port().baudIndex());
    for (const BaudRate& entry : BaudRateTable) {
        newRate_->addItem(
            QString::fromLatin1(entry.text.data(), static_cast<qsizetype>(entry.text.size())));
    }
    newRate_->setCurrentIndex(app.port().baudIndex());
    showValues();
}

void ControllerPage::createControls() {
    const DialogUnits units(font());
    const auto readOnlyEdit = [this] {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(true);
        return edit;
    };

    units.place(new QGroupBox(QStringLiteral("Текущие установки"), this), 0, 7, 3, 210, 50);
    units.place(new QLabel(QStringLiteral("Адрес контролера:"), this), 0, 15, 18, 90, 8);
    address_ = new HistoryComboBox(this);
    address_->setEditable(true);
    units.place(address_, kAddressId, 108, 16, 30, 12);
    auto* note = new QLabel(QStringLiteral("(адрес задается перемычкой)"), this);
    note->setEnabled(false);
    units.place(note, 0, 142, 18, 72, 8);
    units.place(new QLabel(QStringLiteral("Скорость обмена (бит/с):"), this), 0, 15, 36, 90, 8);
    currentRateEdit_ = readOnlyEdit();
    units.place(currentRateEdit_, kCurrentRateId, 108, 34, 40, 12);

    units.place(new QGroupBox(QStringLiteral("Новые установки"), this), 0, 222, 3, 100, 50);
    newRate_ = new QComboBox(this);
    units.place(newRate_, kNewRateId, 230, 16, 50, 12);
    change_ = new QPushButton(QStringLiteral("Изменить..."), this);
    units.place(change_, kChangeId, 230, 33, 60, 14);
    connect(change_, &QPushButton::clicked, this, &ControllerPage::changeSpeed);

    units.place(new QLabel(QStringLiteral("Тест контролера:"), this), 0, 15, 66, 90, 8);
    testEdit_ = readOnlyEdit();
    units.place(testEdit_, kTestId, 108, 64, 100, 12);
    units.place(new QLabel(QStringLiteral("Версия контролера:"), this), 0, 15, 84, 90, 8);
    versionEdit_ = readOnlyEdit();
    units.place(versionEdit_, kVersionId, 108, 82, 100, 12);
    units.place(new QLabel(QStringLiteral("Производная команда:"), this), 0, 15, 102, 90, 8);
    lastCommandEdit_ = readOnlyEdit();
    units.place(lastCommandEdit_, kLastCommandId, 108, 100, 100, 12);
}

void ControllerPage::showValues() {
    currentRateEdit_->setText(QString::number(currentRate_));
    testEdit_->setText(testText_);
    versionEdit_->setText(versionText_);
    lastCommandEdit_->setText(lastCommandText_);
}

bool ControllerPage::apply() {
    const QString text = address_->currentText();
    if (!isControllerAddress(text)) {
        showWarning(this, QStringLiteral("Неверный адрес контролера"));
        return false;
    }
    Application::instance().settings().controllerAddress = text.toStdString();
    return true;
}

void ControllerPage::readFromDevice() {
    if (!apply()) {
        return;
    }
    testText_.clear();
    versionText_.clear();
    lastCommandText_.clear();
    showValues();

    // Each command goes out whatever became of the one before.
    LayoutRecord reply = YesNo{};
    int result = executeCommand(kSelfTest, {}, &reply);
    testText_ = flagText(result, reply, "исправен", "не исправен");
    showValues();

    reply = DeviceVersion{};
    result = executeCommand(kReadVersion, {}, &reply);
    const auto* version = std::get_if<DeviceVersion>(&reply);
    versionText_ =
        result == 1 && version != nullptr ? QString::fromStdString(version->version) : kMissing;
    showValues();

    reply = YesNo{};
    result = executeCommand(kLastCommand, {}, &reply);
    lastCommandText_ = flagText(result, reply, "выполнена", "не выполнена");
    showValues();
}

void ControllerPage::changeSpeed() {
    emit exchangeBeginRequested();
    if (apply() && askYesNo(this, QStringLiteral("Подтвердите изменение скорости обмена"),
                            QMessageBox::Warning)) {
        const int baudIndex = newRate_->currentIndex();
        if (isValidBaudIndex(baudIndex)) {
            LayoutRecord reply;
            const LineSpeed speed{rateOfIndex(baudIndex)};
            if (executeCommand(kSetSpeed, speed, &reply) == 1) {
                SerialPort& port = Application::instance().port();
                port.configure(port.portIndex(), baudIndex, port.replyTimeoutMs());
                currentRate_ = speed.baudRate;
                showValues();
            }
        }
    }
    emit exchangeEndRequested();
}

void ControllerPage::setControlsEnabled(bool enabled) {
    address_->setEnabled(enabled);
    change_->setEnabled(enabled);
    newRate_->setEnabled(enabled);
}

void ControllerPage::onExchangeBegin() {
    setControlsEnabled(false);
}

void ControllerPage::onExchangeEnd() {
    setControlsEnabled(true);
}

void registerControllerPage() {
    PageFactory::instance().add(ControllerPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<ControllerPage>(parent);
    });
}

}  // namespace quillet
