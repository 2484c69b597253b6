#include "pages/data/TariffsPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>

#include "app/DialogLayout.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "protocol/LayoutRecords.h"

namespace quillet {

namespace {

QString switchLabel(std::size_t item) {
    return QString::fromUtf8(TariffSwitches::kLabels[item]);
}

void writeSwitch(std::size_t slot, bool on) {
    executeCommand(slot, OnOffSwitch{on ? 1 : 0}, nullptr);
}

}  // namespace

TariffsPage::Switches& TariffsPage::switches() {
    static Switches held;
    return held;
}

TariffsPage::TariffsPage(QWidget* parent) : TabPage(parent) {
    createControls();
    toControls();
    individual_->setChecked(true);
}

TariffsPage::~TariffsPage() {
    fromControls();
}

void TariffsPage::createControls() {
    const DialogUnits units(font());
    singleTariff_ = new QCheckBox(switchLabel(TariffSwitches::SingleTariff), this);
    units.place(singleTariff_, kSingleTariffId, 15, 24, 180, 10);
    penaltyTariff_ = new QCheckBox(switchLabel(TariffSwitches::PenaltyTariff), this);
    units.place(penaltyTariff_, kPenaltyId, 15, 39, 180, 10);

    units.place(new QGroupBox(QStringLiteral("Команда"), this), 0, 215, 10, 108, 46);
    individual_ = new QRadioButton(QStringLiteral("Индивидуальная"), this);
    units.place(individual_, kIndividualId, 223, 24, 95, 10);
    group_ = new QRadioButton(QStringLiteral("Групповая"), this);
    units.place(group_, kGroupId, 223, 39, 95, 10);
}

void TariffsPage::toControls() {
    const Switches& s = switches();
    singleTariff_->setChecked(s.singleTariff);
    penaltyTariff_->setChecked(s.penaltyTariff);
}

void TariffsPage::fromControls() {
    Switches& s = switches();
    s.singleTariff = singleTariff_->isChecked();
    s.penaltyTariff = penaltyTariff_->isChecked();
}

void TariffsPage::readFromDevice() {
    fromControls();
    Switches& s = switches();
    TariffSwitches meter;
    WindowCommands commands;
    meter.read(commands);
    // A switch whose read fails stays as it was.
    s.singleTariff = meter.on[TariffSwitches::SingleTariff].value_or(s.singleTariff);
    s.penaltyTariff = meter.on[TariffSwitches::PenaltyTariff].value_or(s.penaltyTariff);
    toControls();
}

void TariffsPage::writeToDevice() {
    fromControls();
    const Switches& s = switches();
    // Only the single-tariff switch has a group command; the penalty switch always goes
    // to the addressed meter, whatever the failure of the first command.
    writeSwitch(individual_->isChecked() ? kSetSingleTariff : kSetSingleTariffGroup,
                s.singleTariff);
    writeSwitch(kSetPenalty, s.penaltyTariff);
}

void registerTariffsPage() {
    PageFactory::instance().add(TariffsPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<TariffsPage>(parent);
    });
}

}  // namespace quillet
