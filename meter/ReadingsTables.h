#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "meter/CommandRunner.h"

namespace quillet {

// The energy registers of the addressed meter as the program last read them (from the
// meter or a file): seven totals, and for four tariffs the reading at the start of each
// month. -1 stands for a value not known.
class ReadingsTables {
public:
    struct RowInfo {
        std::size_t slot;  // command that reads the value
        const char* name;  // UTF-8
        const char* key;   // the value's name for scripts, ASCII
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
        {42, "Суммарная энергия полупикового тарифа", "halfPeak"},
        {44, "Суммарная энергия льготного тарифа", "offPeak"},
        {46, "Суммарная энергия пикового тарифа", "peak"},
        {48, "Суммарная энергия штрафного тарифа", "penalty"},
        {43, "Суммарная энергия полупик. тарифа с уч. порога мощности", "halfPeakExcess"},
        {45, "Суммарная энергия льгот. тарифа с уч. порога мощности", "offPeakExcess"},
        {47, "Суммарная энергия пик. тарифа с уч. порога мощности", "peakExcess"},
    }};
    static constexpr std::array<RowInfo, kMonthRows> kMonthRowInfo = {{
        {59, "Энергия полупикового тарифа", "halfPeak"},
        {60, "Энергия льготного тарифа", "offPeak"},
        {61, "Энергия пикового тарифа", "peak"},
        {62, "Энергия штрафного тарифа", "penalty"},
    }};

    // One command of a read from the meter: a total, or a month row's reading at the
    // start of `month` (1..12).
    struct ReadStep {
        bool total = true;
        std::size_t row = 0;
        int month = 0;
    };
    static constexpr std::size_t kReadCommands = kTotalRows + 2 * kMonthRows;
    using ReadSteps = std::array<ReadStep, kReadCommands>;

    // Every value unknown, this month of the computer's clock selected, consumption shown.
    ReadingsTables();

    // The tables of the window's run.
    static ReadingsTables& shared();

    void clearValues();
    // Value `index` in file order (0..kFileValues-1).
    double& fileValue(std::size_t index);
    double fileValue(std::size_t index) const;

    // The month after the selected one, 1..12.
    int followingMonth() const;

    // The commands of a read in the order they go out: the totals, then the month rows
    // of the following month (the consumption of the selected one ends there), then of
    // the selected month.
    ReadSteps readSteps() const;
    double& valueOf(const ReadStep& step);
    double valueOf(const ReadStep& step) const;
    // Sends every command of readSteps(), each whatever became of the one before; a
    // failed one, or a reply without a value, leaves its value unknown. `settled` hears
    // of each value as soon as it is known.
    void read(CommandRunner& runner, const std::function<void(const ReadStep&)>& settled = {});

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

}  // namespace quillet
