#pragma once

#include <cstddef>

#include "app/TabPage.h"
#include "meter/TariffSwitches.h"

class QCheckBox;
class QRadioButton;

namespace quillet {

// The tab "Тарифы": the meter's single-tariff switch, which may also go to every meter of
// the line at once, and its permission of the penalty tariff.
// No Q_OBJECT: the page adds no signals or slots of its own.
class TariffsPage : public TabPage {
public:
    static constexpr int kTemplateId = 133;

    static constexpr int kSingleTariffId = 1068;
    static constexpr int kPenaltyId = 1069;
    static constexpr int kIndividualId = 1010;
    static constexpr int kGroupId = 1011;

    static constexpr std::size_t kSetSingleTariffGroup = 12;
    static constexpr std::size_t kReadPenalty =
        TariffSwitches::kReadCommands[TariffSwitches::PenaltyTariff];
    static constexpr std::size_t kSetPenalty = 67;
    static constexpr std::size_t kReadSingleTariff =
        TariffSwitches::kReadCommands[TariffSwitches::SingleTariff];
    static constexpr std::size_t kSetSingleTariff = 76;

    // The two switches as last read or ticked; they outlive the page. The choice of
    // individual or group command does not: every page starts on "Индивидуальная".
    struct Switches {
        bool singleTariff = false;
        bool penaltyTariff = false;
    };
    static Switches& switches();

    explicit TariffsPage(QWidget* parent);
    ~TariffsPage() override;

    void readFromDevice() override;
    void writeToDevice() override;

private:
    void createControls();
    void toControls();
    void fromControls();

    QCheckBox* singleTariff_ = nullptr;
    QCheckBox* penaltyTariff_ = nullptr;
    QRadioButton* individual_ = nullptr;
    QRadioButton* group_ = nullptr;
};

}  // namespace quillet
