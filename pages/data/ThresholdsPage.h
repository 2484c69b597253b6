#pragma once

#include <QString>
#include <cstddef>

#include "app/TabPage.h"
#include "meter/Thresholds.h"

class QCheckBox;
class QLineEdit;

namespace quillet {

// The tab "Пороги": the meter's power threshold, monthly energy threshold and the ratio of
// the current transformers feeding it. The thresholds are entered as in the secondary
// circuit; beside them the page shows what they come to in the primary one.
// No Q_OBJECT: the page adds no signals or slots of its own.
class ThresholdsPage : public TabPage {
public:
    static constexpr int kTemplateId = 142;

    static constexpr int kUsePowerId = 1066;
    static constexpr int kUseEnergyId = 1067;
    static constexpr int kUseRatioId = 1069;
    static constexpr int kPowerId = 1064;
    static constexpr int kEnergyId = 1065;
    static constexpr int kRatioId = 1068;
    static constexpr int kPrimaryPowerId = 1070;
    static constexpr int kPrimaryEnergyId = 1071;

    static constexpr std::size_t kSetPowerGroup = 5;
    static constexpr std::size_t kSetEnergy = 34;
    static constexpr std::size_t kReadPower = Thresholds::kReadCommands[Thresholds::Power];
    static constexpr std::size_t kReadEnergy = Thresholds::kReadCommands[Thresholds::Energy];
    static constexpr std::size_t kReadRatio = Thresholds::kReadCommands[Thresholds::Ratio];
    static constexpr std::size_t kSetRatio = 78;

    // The limits the wire layouts can carry.
    static constexpr double kMaxPowerKw = 51.1;
    static constexpr double kMaxEnergyKwh = 9999;
    static constexpr double kMinRatio = 1;
    static constexpr double kMaxRatio = 9.99e11;

    // The operator's entries and choices; they outlive the page.
    struct Values {
        bool usePower = true;
        bool useEnergy = true;
        bool useRatio = true;
        QString powerText = QStringLiteral("0.0");
        QString energyText = QStringLiteral("0");
        QString ratioText = QStringLiteral("1.0");
    };
    static Values& values();

    // The checks of a write; a text that is no number fails them.
    static bool isValidPower(double kw);
    static bool isValidEnergy(double kwh);
    static bool isValidRatio(double ratio);

    explicit ThresholdsPage(QWidget* parent);
    ~ThresholdsPage() override;

    void readFromDevice() override;
    void writeToDevice() override;

private:
    void createControls();
    void toControls();
    void fromControls();
    // The primary-circuit column from the texts as they stand.
    void showPrimary();

    QCheckBox* usePower_ = nullptr;
    QCheckBox* useEnergy_ = nullptr;
    QCheckBox* useRatio_ = nullptr;
    QLineEdit* power_ = nullptr;
    QLineEdit* energy_ = nullptr;
    QLineEdit* ratio_ = nullptr;
    QLineEdit* primaryPower_ = nullptr;
    QLineEdit* primaryEnergy_ = nullptr;
};

}  // namespace quillet
