#include "pages/data/ServicePage.h"

#include <QLabel>
#include <QLineEdit>

#include "app/DialogLayout.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"

namespace quillet {

namespace {

// The edit fields in the order of the values.
constexpr std::array<int, ServicePage::kFieldCount> kFieldIds = {
    ServicePage::kTestId,         ServicePage::kVersionId, ServicePage::kSerialId,
    ServicePage::kCoverOpenedId,  ServicePage::kPowerOnId, ServicePage::kPowerOffId,
    ServicePage::kGroupCommandId,
};

}  // namespace

ServicePage::ServicePage(QWidget* parent) : TabPage(parent) {
    values_.fill(QString::fromUtf8(ServiceInfo::kMissing));
    createControls();
    showValues();
}

void ServicePage::createControls() {
    const DialogUnits units(font());
    constexpr int kTop = 10;
    constexpr int kRowStep = 16;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const int y = kTop + static_cast<int>(i) * kRowStep;
        units.place(new QLabel(QString::fromUtf8(ServiceInfo::kLabels[i]) + ':', this), 15, y + 2,
                    110, 8);
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(true);
        units.place(edit, 130, y, 150, 12);
        setControlId(edit, kFieldIds[i]);
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

    ServiceInfo info;
    WindowCommands commands;
    info.read(commands, [&](std::size_t item) {
        values_[item] = QString::fromStdString(info.text(item));
        showValues();
    });
}

void registerServicePage() {
    PageFactory::instance().add(ServicePage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<ServicePage>(parent);
    });
}

}  // namespace quillet
