#include "pages/data/ThresholdsPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/MessageBoxes.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

const QString kMissing = QStringLiteral("-");

double number(const QString& text) {
    return textAsDouble(text.toStdString());
}

QString gText(double value) {
    return QString::fromStdString(formatDouble(value));
}

// Written as "within" tests so that NaN fails them too.
bool within(double value, double low, double high) {
    return value >= low && value <= high;
}

bool isWhole(double value) {
    return std::isfinite(value) && std::floor(value) == value;
}

QString rowLabel(std::size_t item) {
    return QString::fromUtf8(Thresholds::kLabels[item]) + ':';
}

}  // namespace

ThresholdsPage::Values& ThresholdsPage::values() {
    static Values entered;
    return entered;
}

bool ThresholdsPage::isValidPower(double kw) {
    return within(kw, 0, kMaxPowerKw);
}

bool ThresholdsPage::isValidEnergy(double kwh) {
    return isWhole(kwh) && within(kwh, 0, kMaxEnergyKwh);
}

bool ThresholdsPage::isValidRatio(double ratio) {
    return isWhole(ratio) && within(ratio, kMinRatio, kMaxRatio);
}

ThresholdsPage::ThresholdsPage(QWidget* parent) : TabPage(parent) {
    createControls();
    toControls();
    showPrimary();
    // Every change, typed or read, keeps the primary column in step.
    for (QLineEdit* edit : {power_, energy_, ratio_}) {
        connect(edit, &QLineEdit::textChanged, this, &ThresholdsPage::showPrimary);
    }
}

ThresholdsPage::~ThresholdsPage() {
    fromControls();
}

void ThresholdsPage::createControls() {
    const DialogUnits units(font());
    const auto edit = [&](int id, int x, int y, bool readOnly) {
        auto* field = new QLineEdit(this);
        field->setReadOnly(readOnly);
        units.place(field, id, x, y, 70, 12);
        return field;
    };
    const auto label = [&](const char* text, int x, int y, int width) {
        units.place(new QLabel(QString::fromUtf8(text), this), 0, x, y, width, 8);
    };

    label("Во вторичной цепи", 140, 12, 75);
    label("В первичной цепи", 225, 12, 75);

    usePower_ = new QCheckBox(rowLabel(Thresholds::Power), this);
    units.place(usePower_, kUsePowerId, 8, 27, 130, 10);
    power_ = edit(kPowerId, 140, 26, false);
    primaryPower_ = edit(kPrimaryPowerId, 225, 26, true);
    label(Thresholds::kUnits[Thresholds::Power], 299, 28, 25);

    useEnergy_ = new QCheckBox(rowLabel(Thresholds::Energy), this);
    units.place(useEnergy_, kUseEnergyId, 8, 45, 130, 10);
    energy_ = edit(kEnergyId, 140, 44, false);
    primaryEnergy_ = edit(kPrimaryEnergyId, 225, 44, true);
    label(Thresholds::kUnits[Thresholds::Energy], 299, 46, 25);

    useRatio_ = new QCheckBox(rowLabel(Thresholds::Ratio), this);
    units.place(useRatio_, kUseRatioId, 8, 71, 130, 10);
    ratio_ = edit(kRatioId, 140, 70, false);
}

void ThresholdsPage::toControls() {
    const Values& v = values();
    usePower_->setChecked(v.usePower);
    useEnergy_->setChecked(v.useEnergy);
    useRatio_->setChecked(v.useRatio);
    power_->setText(v.powerText);
    energy_->setText(v.energyText);
    ratio_->setText(v.ratioText);
}

void ThresholdsPage::fromControls() {
    Values& v = values();
    v.usePower = usePower_->isChecked();
    v.useEnergy = useEnergy_->isChecked();
    v.useRatio = useRatio_->isChecked();
    v.powerText = power_->text();
    v.energyText = energy_->text();
    v.ratioText = ratio_->text();
}

void ThresholdsPage::showPrimary() {
    const double power = number(power_->text());
    const double energy = number(energy_->text());
    const double ratio = number(ratio_->text());
    const bool ratioValid = isValidRatio(ratio);
    // The power threshold need not be whole; the energy threshold must.
    primaryPower_->setText(ratioValid && isValidPower(power) ? gText(ratio * power) : kMissing);
    primaryEnergy_->setText(ratioValid && isValidEnergy(energy) ? gText(ratio * energy) : kMissing);
}

void ThresholdsPage::readFromDevice() {
    fromControls();
    Values& v = values();
    Thresholds meter;
    WindowCommands commands;
    meter.read(commands, {v.usePower, v.useEnergy, v.useRatio});
    // A lost value keeps its text.
    const std::array<QString*, Thresholds::kItemCount> texts = {&v.powerText, &v.energyText,
                                                                &v.ratioText};
    for (std::size_t item = 0; item < texts.size(); ++item) {
        if (const std::optional<double> value = meter.values[item]) {
            *texts[item] = gText(*value);
        }
    }
    toControls();
    showPrimary();
}

void ThresholdsPage::writeToDevice() {
    fromControls();
    const Values& v = values();
    const double power = number(v.powerText);
    const double energy = number(v.energyText);
    const double ratio = number(v.ratioText);

    // Everything selected is checked before anything goes out.
    if (v.usePower && !isValidPower(power)) {
        showWarning(this, QStringLiteral("Неверное задание порга мощности\n"
                                         "Допустимые значения: 0 ... 49.9"));
        return;
    }
    if (v.useEnergy && !isValidEnergy(energy)) {
        showWarning(this, QStringLiteral("Неверное задание порга энергии\n"
                                         "Допустимые значения: 0 ... 9999"));
        return;
    }
    if (v.useRatio && !isValidRatio(ratio)) {
        showWarning(this, QStringLiteral("Неверное задание коэффициента трансформации\n"
                                         "Допустимые значения: 1.0 ... 999e9"));
        return;
    }

    // The thresholds are per consumer category: the meter compares the one it keeps.
    const int category = Application::instance().settings().category;
    if (v.usePower) {
        executeCommand(kSetPowerGroup, GroupPowerThreshold{category, power}, nullptr);
    }
    if (v.useEnergy) {
        executeCommand(kSetEnergy, EnergyThreshold{category, energy}, nullptr);
    }
    if (v.useRatio) {
        executeCommand(kSetRatio, TransformationRatio{ratio}, nullptr);
    }
}

void registerThresholdsPage() {
    PageFactory::instance().add(ThresholdsPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<ThresholdsPage>(parent);
    });
}

}  // namespace quillet
