#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "app/TabPage.h"

class QComboBox;
class QPushButton;

namespace quillet {

class ReportList;

// The energy registers of the addressed meter as the program last read them (from the
// meter or a file): seven totals, and for four tariffs the reading at the start of each
// month. Lives for the whole run, so the readings outlive the page that shows them and
// other pages can refer to them. -1 stands for a value not known.
class ReadingsTables {
public:
    struct RowInfo {
        std::size_t slot;  // command that reads the value
        const char* name;  // UTF-8
    };

    static constexpr std::size_t kTotalRows = 7;
    static constexpr std::size_t kMonthRows = 4;
    static constexpr std::size_t kMonths = 12;
    // Values in a readings file: the totals, then the month rows, months 1..12 each.
    static constexpr std::size_t kFileValues = kTotalRows + kMonthRows * kMonths;
    static constexpr double kNoValue = -1;

    enum Mode {
        kAtMonthStart = 0,  // "На начало месяца"
        kDuringMonth = 1,   // "Всего за месяц"
    };

    // Totals rows 0..3 and the month rows belong to the same tariffs: half-peak,
    // off-peak, peak, penalty.
    static constexpr std::array<RowInfo, kTotalRows> kTotalRowInfo = {{
        {42, "Суммарная энергия полупикового тарифа"},
        {44, "Суммарная энергия льготного тарифа"},
        {46, "Суммарная энергия пикового тарифа"},
        {48, "Суммарная энергия штрафного тарифа"},
        {43, "Суммарная энергия полупик. тарифа с уч. порога мощности"},
        {45, "Суммарная энергия льгот. тарифа с уч. порога мощности"},
        {47, "Суммарная энергия пик. тарифа с уч. порога мощности"},
    }};
    static constexpr std::array<RowInfo, kMonthRows> kMonthRowInfo = {{
        {59, "Энергия полупикового тарифа"},
        {60, "Энергия льготного тарифа"},
        {61, "Энергия пикового тарифа"},
        {62, "Энергия штрафного тарифа"},
    }};

    // Every value unknown, this month of the computer's clock selected, consumption shown.
    ReadingsTables();

    // The tables of the run.
    static ReadingsTables& shared();

    void clearValues();
    // Value `index` in file order (0..kFileValues-1).
    double& fileValue(std::size_t index);
    double fileValue(std::size_t index) const;

    // The month after the selected one, 1..12.
    int followingMonth() const;

    // "%.8g" of a known value, "-" otherwise.
    static std::string valueText(double value);
    std::string totalText(std::size_t row) const;
    // What month row `row` shows for the selected month and mode; `currentMonth` (1..12)
    // is the computer's, whose consumption runs up to the present total.
    double monthRowValue(std::size_t row, int currentMonth) const;
    std::string monthText(std::size_t row, int currentMonth) const;

    // The value lines of a readings file, "\n" ends.
    std::string fileBody() const;
    // Reads the value lines of a readings file, missing values staying as they are.
    // False when a line held a number that is no value.
    bool loadFileLines(const std::function<std::optional<std::string>()>& nextLine);

    std::array<double, kTotalRows> totals{};
    // months[row][k]: the reading at the start of month k + 1.
    std::array<std::array<double, kMonths>, kMonthRows> months{};
    int monthIndex = 0;  // selected month 0..11
    int mode = kDuringMonth;
};

// The tab "Показания": the meter's energy totals, the readings at the start of a chosen
// month or the consumption during it, the fixing of a month's readings and the reset of
// all meters' readings; the readings go to and come from *.ind files.
// No Q_OBJECT: the page adds no signals or slots of its own.
class ReadingsPage : public TabPage {
public:
    static constexpr int kTemplateId = 138;

    static constexpr int kTotalsId = 1035;
    static constexpr int kMonthReadingsId = 1036;
    static constexpr int kModeId = 1056;
    static constexpr int kMonthId = 1053;
    static constexpr int kFixId = 1055;
    static constexpr int kResetId = 1054;

    static constexpr std::size_t kFixReadings = 63;
    static constexpr std::size_t kResetReadings = 9;

    explicit ReadingsPage(QWidget* parent);
    ~ReadingsPage() override;

    void readFromDevice() override;
    void readFromFile() override;
    void writeToFile() override;
    void onExchangeBegin() override;
    void onExchangeEnd() override;

    void fixReadings();
    void resetReadings();

private:
    void createControls();
    void toControls();
    void fromControls();
    void selectionChanged();
    void showTotal(std::size_t row);
    void showMonthRow(std::size_t row);
    void showAll();
    void setControlsEnabled(bool enabled);

    ReportList* totals_ = nullptr;
    ReportList* monthReadings_ = nullptr;
    QComboBox* mode_ = nullptr;
    QComboBox* month_ = nullptr;
    QPushButton* fix_ = nullptr;
    QPushButton* reset_ = nullptr;
};

}  // namespace quillet
