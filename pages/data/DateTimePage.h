#pragma once

#include <cstddef>

#include "app/TabPage.h"
#include "meter/MeterClock.h"

class QCheckBox;
class QComboBox;

namespace quillet {

class DateEdit;
class TimeEdit;

// The tab "Дата и Время": reads the meter's clock, date and summer-time switch, and sets
// them on every meter of the line at once with group commands. An empty time or date
// field writes the computer's own.
// No Q_OBJECT: the page adds no signals or slots of its own.
class DateTimePage : public TabPage {
public:
    static constexpr int kTemplateId = 140;

    static constexpr int kUseTimeId = 1042;
    static constexpr int kUseDateId = 1043;
    static constexpr int kUseSummerTimeId = 1044;
    static constexpr int kTimeId = 1004;
    static constexpr int kDateId = 1003;
    static constexpr int kSummerTimeModeId = 1045;

    static constexpr std::size_t kSetDate = 1;
    static constexpr std::size_t kSetTime = 2;
    static constexpr std::size_t kSetSummerTime = 6;
    static constexpr std::size_t kReadDateTime = MeterClock::kReadDateTime;
    static constexpr std::size_t kReadSummerTime = MeterClock::kReadSummerTime;

    // The years a meter keeps: it stores two digits and reads 71..99 as 19xx.
    static constexpr int kFirstMeterYear = 1971;
    static constexpr int kLastMeterYear = 2070;

    // The operator's choices; they outlive the page, so a tab change keeps them. The
    // time and date texts do not: they start empty with every page.
    struct Values {
        bool useTime = true;
        bool useDate = true;
        bool useSummerTime = true;
        int summerTimeMode = 0;  // 0 "Не учитывать", 1 "Учитывать"
    };
    static Values& values();

    explicit DateTimePage(QWidget* parent);
    ~DateTimePage() override;

    void readFromDevice() override;
    void writeToDevice() override;

private:
    void createControls();
    void toControls();
    void fromControls();

    QCheckBox* useTime_ = nullptr;
    QCheckBox* useDate_ = nullptr;
    QCheckBox* useSummerTime_ = nullptr;
    TimeEdit* time_ = nullptr;
    DateEdit* date_ = nullptr;
    QComboBox* summerTimeMode_ = nullptr;
};

}  // namespace quillet
