#include "pages/data/DisplayPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "app/DialogLayout.h"
#include "app/MessageBoxes.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"

namespace quillet {

DisplayPage::Values& DisplayPage::values() {
    static Values shown;
    return shown;
}

DisplayPage::DisplayPage(QWidget* parent) : TabPage(parent) {
    createControls();
    toControls();
    individual_->setChecked(true);
}

DisplayPage::~DisplayPage() {
    fromControls();
}

void DisplayPage::createControls() {
    const DialogUnits units(font());
    units.place(new QGroupBox(QStringLiteral("Показания для индикации"), this), 0, 7, 3, 212, 74);
    // One row per tariff: the total on the left, the month's on the right.
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        const int row = static_cast<int>(i / 2);
        const int column = static_cast<int>(i % 2);
        modes_[i] = new QCheckBox(QString::fromUtf8(DisplaySettings::kModeLabels[i]), this);
        units.place(modes_[i], kModeIds[i], 13 + column * 102, 17 + row * 14, 100, 10);
    }

    units.place(new QLabel(QString::fromUtf8(DisplaySettings::kCycleLabel) + ':', this), 0, 15, 91,
                145, 8);
    cycle_ = new QLineEdit(this);
    // Digits only, as typed; pasted text is left to the check of a write.
    cycle_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), cycle_));
    units.place(cycle_, kCycleId, 163, 89, 30, 12);

    units.place(new QGroupBox(QStringLiteral("Команда"), this), 0, 224, 3, 100, 46);
    individual_ = new QRadioButton(QStringLiteral("Индивидуальная"), this);
    units.place(individual_, kIndividualId, 232, 17, 88, 10);
    group_ = new QRadioButton(QStringLiteral("Групповая"), this);
    units.place(group_, kGroupId, 232, 32, 88, 10);
}

void DisplayPage::toControls() {
    const Values& v = values();
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        modes_[i]->setChecked(v.modes[i] != 0);
    }
    cycle_->setText(v.cycleText);
}

void DisplayPage::fromControls() {
    Values& v = values();
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        v.modes[i] = modes_[i]->isChecked() ? 1 : 0;
    }
    v.cycleText = cycle_->text();
}

void DisplayPage::readFromDevice() {
    // Reading is the same for one meter or all: the radio buttons choose only the write.
    WindowCommands commands;
    const std::optional<DisplayModes> read = DisplaySettings::read(commands);
    if (!read) {
        return;
    }
    Values& v = values();
    v.modes = read->modes;
    v.cycleText = QString::number(read->seconds);
    toControls();
}

void DisplayPage::writeToDevice() {
    fromControls();
    const Values& v = values();
    const int seconds = textAsInt(v.cycleText.toStdString());
    if (seconds < kMinCycleSeconds || seconds > kMaxCycleSeconds) {
        showWarning(this, QStringLiteral("Неверное задание длительности цикла отображения\n"
                                         "Допустимый интервал значений: 1..60 с"));
        return;
    }
    const bool individual = individual_->isChecked();
    DisplayModes modes;
    modes.modes = v.modes;
    // The cycle time goes out whatever became of the modes.
    executeCommand(individual ? kSetModes : kSetModesGroup, modes, nullptr);
    executeCommand(individual ? kSetCycle : kSetCycleGroup, CycleTime{seconds}, nullptr);
}

void registerDisplayPage() {
    PageFactory::instance().add(DisplayPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<DisplayPage>(parent);
    });
}

}  // namespace quillet
