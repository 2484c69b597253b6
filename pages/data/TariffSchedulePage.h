#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "app/TabPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTreeWidgetItem;

namespace quillet {

class ReportList;
class TimeEdit;

struct TariffStart {
    int hours = 0;
    int minutes = 0;

    friend bool operator==(const TariffStart&, const TariffStart&) = default;
};

// A peak period: its start, its length and whether it is billed as peak (non-zero) or as
// half-peak (zero).
struct PeakPeriod {
    int hours = 0;
    int minutes = 0;
    int durationMin = 0;  // 0..255
    int isPeak = 0;

    friend bool operator==(const PeakPeriod&, const PeakPeriod&) = default;
};

// When the tariffs of one day type of one month begin.
struct DayTariffs {
    static constexpr int kPeaks = 3;

    TariffStart halfPeakStart;
    TariffStart offPeakStart;
    std::array<PeakPeriod, kPeaks> peaks{};

    friend bool operator==(const DayTariffs&, const DayTariffs&) = default;
};

// The tariff schedule of a year: for each month, the eight day types Sunday .. Saturday
// and holiday. Everything 0 until read from a meter or a file; kept for the whole run, with
// the month the page shows.
class TariffSchedule {
public:
    static constexpr int kMonths = 12;
    static constexpr int kDayTypes = 8;
    static constexpr int kMaxDuration = 255;

    enum class LoadResult {
        Complete,
        Incomplete,  // lines missing or out of range: those values are 0
        Unreadable,  // the file could not be read: the schedule is as it was
    };

    // The computer's month selected.
    TariffSchedule();

    // The schedule of the program run.
    static TariffSchedule& shared();

    // `month` counts from 0 for January.
    DayTariffs& at(int month, int dayType);
    const DayTariffs& at(int month, int dayType) const;
    void clearMonth(int month);
    void clear();

    // The cells of a list row: day name, the two starts, the three peaks.
    static QStringList rowTexts(int dayType, const DayTariffs& day);

    // One line of a *.trf file, without its end.
    static std::string fileLine(const DayTariffs& day);
    // Reads a *.trf line into `day` (all 0 on entry): nothing when it does not hold all
    // sixteen numbers, otherwise each start and peak that is in range. False when anything
    // was left out.
    static bool parseFileLine(std::string_view line, DayTariffs& day);

    // The 96 lines after the file header, month by month, "\n" ends.
    QString fileBody() const;
    bool save(const QString& path) const;
    LoadResult load(const QString& path);

    int monthIndex = 0;  // the month shown, 0..11

private:
    using Month = std::array<DayTariffs, kDayTypes>;
    std::array<Month, kMonths> months_{};
};

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
    static constexpr std::size_t kReadHalfPeakStart = 37;
    static constexpr std::size_t kReadOffPeakStart = 38;
    static constexpr std::size_t kReadPeak = 55;

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
