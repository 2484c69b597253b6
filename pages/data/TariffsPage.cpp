#include "pages/data/TariffsPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <variant>

#include "app/DialogLayout.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "protocol/LayoutRecords.h"

namespace quillet {

namespace {

// The switch's state from the meter; the flag stays as it was when the read fails.
void readSwitch(std::size_t slot, bool& flag) {
    if (const auto state = executeRead<OnOffSwitch>(slot)) {
        flag = state->on != 0;
    }
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
    singleTariff_ = new QCheckBox(QStringLiteral("Работа в однотарифном режиме"), this);
    units.place(singleTariff_, kSingleTariffId, 15, 24, 180, 10);
    penaltyTariff_ = new QCheckBox(QStringLiteral("Разрешение штрафного тарифа"), this);
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
    readSwitch(kReadSingleTariff, s.singleTariff);
    readSwitch(kReadPenalty, s.penaltyTariff);
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
