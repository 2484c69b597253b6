#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>

#include "app/TabPage.h"
#include "meter/TariffSchedule.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTreeWidgetItem;

namespace quillet {

class ReportList;
class TimeEdit;

// The cells of a schedule list row: day name, the two starts, the three peaks.
QStringList scheduleRowTexts(int dayType, const DayTariffs& day);
// The schedule's *.trf file, with the header of the program's settings.
bool saveScheduleFile(const QString& path, const TariffSchedule& schedule);
// Unreadable leaves the schedule as it was.
TariffSchedule::LoadResult loadScheduleFile(const QString& path, TariffSchedule& schedule);

// One day's tariff starts and peak periods, as the operator types them.
class TariffChangeDialog : public QDialog {
public:
    static constexpr int kHalfPeakId = 1006;
    static constexpr int kOffPeakId = 1007;
    static constexpr std::array<int, DayTariffs::kPeaks> kPeakStartIds = {1008, 1013, 1015};
    static constexpr std::array<int, DayTariffs::kPeaks> kDurationIds = {1009, 1014, 1016};
    static constexpr std::array<int, DayTariffs::kPeaks> kIsPeakIds = {1043, 1044, 1045};
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;

    TariffChangeDialog(const DayTariffs& day, QWidget* parent);

    // After "Изменить": the values typed.
    const DayTariffs& tariffs() const { return tariffs_; }

    // Closes only when every field holds a valid value.
    void accept() override;

private:
    DayTariffs tariffs_;
    TimeEdit* halfPeak_ = nullptr;
    TimeEdit* offPeak_ = nullptr;
    std::array<TimeEdit*, DayTariffs::kPeaks> peakStarts_{};
    std::array<QLineEdit*, DayTariffs::kPeaks> durations_{};
    std::array<QCheckBox*, DayTariffs::kPeaks> isPeak_{};
};

// The tab "Тарифное расписание": the tariff starts and peak periods of a month for every
// day type, read from the addressed meter, written to all meters of the operator's
// category at once, and kept for the whole year in *.trf files.
// No Q_OBJECT: the page adds no signals or slots of its own.
class TariffSchedulePage : public TabPage {
public:
    static constexpr int kTemplateId = 147;

    static constexpr int kMonthId = 1016;
    static constexpr int kListId = 1017;

    static constexpr std::size_t kSetHalfPeakStart = 3;
    static constexpr std::size_t kSetOffPeakStart = 4;
    static constexpr std::size_t kSetPeak = 8;
    static constexpr std::size_t kReadHalfPeakStart = TariffSchedule::kReadHalfPeakStart;
    static constexpr std::size_t kReadOffPeakStart = TariffSchedule::kReadOffPeakStart;
    static constexpr std::size_t kReadPeak = TariffSchedule::kReadPeak;

    explicit TariffSchedulePage(QWidget* parent);
    ~TariffSchedulePage() override;

    void readFromDevice() override;
    void writeToDevice() override;
    void readFromFile() override;
    void writeToFile() override;
    void onExchangeBegin() override;
    void onExchangeEnd() override;

    // Opens the change dialog for the row; only the day name edits.
    void editDay(QTreeWidgetItem* item, int column);

private:
    void createControls();
    void fromControls();
    void monthChanged();
    void showRow(int dayType);
    void showRows();
    void setControlsEnabled(bool enabled);

    QComboBox* month_ = nullptr;
    ReportList* list_ = nullptr;
};

}  // namespace quillet
