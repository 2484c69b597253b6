#include "pages/link/ConnectionPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/MessageBoxes.h"
#include "pages/link/LinkPages.h"
#include "protocol/ValueText.h"
#include "serial/PortTables.h"

namespace quillet {

namespace {

constexpr int kMinTimeoutMs = 100;
constexpr int kMaxTimeoutMs = 10000;

const char* const kLinkTypeNames[] = {"Прямое соединение", "Контроллер", "Модем"};

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ConnectionPage::ConnectionPage(QWidget* parent) : TabPage(parent) {
    createControls();
    loadValues();
}

ConnectionPage::~ConnectionPage() {
    apply();
}

void ConnectionPage::createControls() {
    const DialogUnits units(font());
    const auto label = [&](const QString& text, int x, int y, int width) {
        auto* control = new QLabel(text, this);
        units.place(control, x, y, width, 8);
    };

    auto* portGroup = new QGroupBox(QStringLiteral("Настройка COM порта"), this);
    units.place(portGroup, 7, 7, 150, 70);
    label(QStringLiteral("Порт:"), 15, 24, 62);
    label(QStringLiteral("Скорость (бит/с):"), 15, 41, 62);
    label(QStringLiteral("Тайм-аут (мс):"), 15, 58, 62);

    port_ = new QComboBox(this);
    setControlId(port_, kPortId);
    units.place(port_, 80, 22, 68, 12);
    baud_ = new QComboBox(this);
    setControlId(baud_, kBaudId);
    units.place(baud_, 80, 39, 68, 12);
    timeout_ = new QLineEdit(this);
    setControlId(timeout_, kTimeoutId);
    // A digits-only field.
    timeout_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), timeout_));
    units.place(timeout_, 80, 56, 68, 12);

    label(QStringLiteral("Тип связи:"), 170, 12, 100);
    linkType_ = new QComboBox(this);
    setControlId(linkType_, kLinkTypeId);
    units.place(linkType_, 170, 22, 100, 12);

    errorReport_ = new QCheckBox(QStringLiteral("Сообщать об ошибках"), this);
    setControlId(errorReport_, kErrorReportId);
    units.place(errorReport_, 170, 56, 100, 10);
}

void ConnectionPage::loadValues() {
    Application& app = Application::instance();
    SerialPort& port = app.port();

    // On this platform a port name stands for the device the port map gives it.
    for (int i = 0; i < kPortCount; ++i) {
        port_->addItem(toQString(PortNameTable[static_cast<std::size_t>(i)]));
        port_->setItemData(i, QString::fromStdString(port.portMap().device(i)), Qt::ToolTipRole);
    }
    port_->setCurrentIndex(port.portIndex());

    for (const BaudRate& baud : BaudRateTable) {
        baud_->addItem(toQString(baud.text));
    }
    baud_->setCurrentIndex(port.baudIndex());

    for (const char* name : kLinkTypeNames) {
        linkType_->addItem(QString::fromUtf8(name));
    }
    linkType_->setCurrentIndex(app.settings().linkType);

    timeout_->setText(QString::number(app.settings().timeoutMs));
    errorReport_->setChecked(app.settings().errorReport != 0);
}

bool ConnectionPage::apply() {
    const int timeoutMs = textAsInt(timeout_->text().toStdString());
    if (timeoutMs < kMinTimeoutMs || timeoutMs > kMaxTimeoutMs) {
        showWarning(this, QStringLiteral("Неверное задание тайм-аута (от 100 до 10000 мс)"));
        return false;
    }
    Application& app = Application::instance();
    app.settings().timeoutMs = timeoutMs;
    app.settings().linkType = linkType_->currentIndex();
    // Closes the port only when something changed; the next exchange reopens it.
    app.port().configure(port_->currentIndex(), baud_->currentIndex(), timeoutMs);
    app.settings().errorReport = errorReport_->isChecked() ? 1 : 0;
    return true;
}

void registerConnectionPage() {
    PageFactory::instance().add(ConnectionPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<ConnectionPage>(parent);
    });
}

}  // namespace quillet
