#pragma once

#include <QString>
#include <array>
#include <cstddef>

#include "app/TabPage.h"
#include "meter/DisplaySettings.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace quillet {

// The tab "Индикация": which readings the meter's own display cycles through and how
// long each stays on it, read from the meter and written to it or to all meters at once.
// No Q_OBJECT: the page adds no signals or slots of its own.
class DisplayPage : public TabPage {
public:
    static constexpr int kTemplateId = 141;

    static constexpr int kModeCount = static_cast<int>(DisplaySettings::kModeCount);
    // The mode boxes in the order of the meter's mode text.
    static constexpr std::array<int, kModeCount> kModeIds = {1043, 1044, 1045, 1046,
                                                             1047, 1048, 1049, 1050};
    static constexpr int kCycleId = 1051;
    static constexpr int kIndividualId = 1010;
    static constexpr int kGroupId = 1011;

    static constexpr std::size_t kSetModesGroup = 10;
    static constexpr std::size_t kSetCycleGroup = 11;
    static constexpr std::size_t kReadModes = DisplaySettings::kReadModes;
    static constexpr std::size_t kSetModes = 57;
    static constexpr std::size_t kSetCycle = 58;

    static constexpr int kMinCycleSeconds = 1;
    static constexpr int kMaxCycleSeconds = 60;

    // What the page shows; it outlives the page. The command family does not: every page
    // starts on the individual one.
    struct Values {
        std::array<int, kModeCount> modes{};
        QString cycleText = QStringLiteral("1");
    };
    static Values& values();

    explicit DisplayPage(QWidget* parent);
    ~DisplayPage() override;

    void readFromDevice() override;
    void writeToDevice() override;

private:
    void createControls();
    void toControls();
    void fromControls();

    std::array<QCheckBox*, kModeCount> modes_{};
    QLineEdit* cycle_ = nullptr;
    QRadioButton* individual_ = nullptr;
    QRadioButton* group_ = nullptr;
};

}  // namespace quillet
