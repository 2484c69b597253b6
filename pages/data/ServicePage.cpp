#include "pages/data/ServicePage.h"

#include <QLabel>
#include <QLineEdit>
#include <variant>

#include "app/DialogLayout.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

const QString kMissing = QStringLiteral("-");

enum Field : std::size_t {
    kTest,
    kVersion,
    kSerial,
    kCoverOpened,
    kPowerOn,
    kPowerOff,
    kGroupCommand,
};

struct FieldInfo {
    int id;
    const char* label;
};

constexpr std::array<FieldInfo, ServicePage::kFieldCount> kFields = {{
    {ServicePage::kTestId, "Тест прибора:"},
    {ServicePage::kVersionId, "Версия прибора:"},
    {ServicePage::kSerialId, "Серийный номер:"},
    {ServicePage::kCoverOpenedId, "Дата вскрытия крышки:"},
    {ServicePage::kPowerOnId, "Дата включения питания:"},
    {ServicePage::kPowerOffId, "Дата отключения питания:"},
    {ServicePage::kGroupCommandId, "Групповая команда:"},
}};

QString flagText(std::size_t slot, const char* yes, const char* no) {
    const auto flag = executeRead<YesNo>(slot);
    if (!flag) {
        return kMissing;
    }
    return QString::fromUtf8(flag->yes != 0 ? yes : no);
}

QString versionText() {
    const auto version = executeRead<DeviceVersion>(ServicePage::kReadVersion);
    return version ? QString::fromStdString(version->version) : kMissing;
}

QString serialText() {
    const auto serial = executeRead<SerialNumber>(ServicePage::kReadSerial);
    if (!serial) {
        return kMissing;
    }
    // Twelve digits: the high half has at most 16 bits.
    return QString::asprintf("%04X%08X", static_cast<unsigned>(serial->serialHigh),
                             static_cast<unsigned>(serial->serialLow));
}

QString eventText(std::size_t slot) {
    const auto at = executeRead<MeterDateTime>(slot);
    if (!at) {
        return kMissing;
    }
    return QString::fromStdString(formatEventTime(at->hours, at->minutes, at->seconds, at->weekday,
                                                  at->day, at->month, at->year));
}

}  // namespace

ServicePage::ServicePage(QWidget* parent) : TabPage(parent) {
    values_.fill(kMissing);
    createControls();
    showValues();
}

void ServicePage::createControls() {
    const DialogUnits units(font());
    constexpr int kTop = 10;
    constexpr int kRowStep = 16;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const int y = kTop + static_cast<int>(i) * kRowStep;
        units.place(new QLabel(QString::fromUtf8(kFields[i].label), this), 15, y + 2, 110, 8);
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(true);
        units.place(edit, 130, y, 150, 12);
        setControlId(edit, kFields[i].id);
        edits_[i] = edit;
    }
}

void ServicePage::showValues() {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        edits_[i]->setText(values_[i]);
    }
}

void ServicePage::readFromDevice() {
    // Cleared rather than dashed: the operator sees which values are still to come.
    for (QString& value : values_) {
        value.clear();
    }
    showValues();

    // Each command goes out whatever became of the one before; every value is shown as
    // soon as it is known.
    values_[kTest] = flagText(kSelfTest, "прибор исправен", "прибор не исправен");
    showValues();
    values_[kVersion] = versionText();
    showValues();
    values_[kSerial] = serialText();
    showValues();
    values_[kCoverOpened] = eventText(kReadCoverOpened);
    showValues();
    values_[kPowerOn] = eventText(kReadPowerOn);
    showValues();
    values_[kPowerOff] = eventText(kReadPowerOff);
    showValues();
    values_[kGroupCommand] = flagText(kGroupCommandResult, "успешно выполнена", "не выполнена");
    showValues();
}

void registerServicePage() {
    PageFactory::instance().add(ServicePage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<ServicePage>(parent);
    });
}

}  // namespace quillet
