#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "meter/CommandRunner.h"
#include "protocol/LayoutRecords.h"

namespace quillet {

// The half-hour power graph of one day as the program last read it (from the meter or a
// file). The meter gives its energy counter at the start of every half-hour; the graph
// turns the 49 readings of a day (the 48 half-hours and the first of the next day) into
// 48 average powers.
class HalfHourGraph {
public:
    static constexpr int kHalfHours = 48;
    static constexpr int kReadings = kHalfHours + 1;
    static constexpr std::size_t kReadPointCommand = 74;

    enum class LoadResult {
        Complete,
        Incomplete,   // lines missing or unreadable: those half-hours are 0
        InvalidDate,  // the date line names no day of a month: nothing was taken
    };
    struct LoadOutcome {
        LoadResult result = LoadResult::Complete;
        bool dateRead = false;  // the date line gave the graph date
    };

    // Today's date of the computer's clock, nothing read, gaps filled.
    HalfHourGraph();

    // The graph of the window's run.
    static HalfHourGraph& shared();

    // What the meter is asked for reading `k` (0..48): the graph date's half-hour k, and
    // for the last one the first half-hour of the next day.
    GraphPointQuery query(int k) const;
    // Stores reading `k`; a failed command (`point` empty) leaves no reading. A reading
    // counts only when the meter's marker belongs to the month asked for.
    void setReading(int k, const GraphPoint* point);

    // Asks for the 49 readings in order, reading k by the read's command k, each
    // whatever became of the one before, then computes the powers with `fillGaps`.
    // `progress` hears how many readings are done before each command.
    void read(CommandRunner& runner, const std::function<void(int done)>& progress = {});

    // Every value 0 and incomplete, nothing on the scale.
    void clearValues();
    // The powers from the readings; with `fill`, runs of missing readings are drawn
    // complete with the energy between the readings around them.
    void compute(bool fill);
    // Whether the power of half-hour `k` (computed with `fill`) comes from two readings:
    // its own, or those around the gap it lies in. Otherwise the page shows a 0 the meter
    // never gave.
    bool measured(int k, bool fill) const;
    // The first reading whose failed command the power of half-hour `k` lacks; -1 when it
    // is measured or no failed command had a part in that (the meter keeping no record).
    int lostReading(int k, bool fill) const;
    // The top of the value axis for the values held.
    void updateScaleMax();
    // The top of the value axis for a largest value of `maxValue` kW: half a power of ten
    // of watts or a whole one, 1 when there is nothing to show.
    static double scaleFor(double maxValue);

    // "Время: h:mm Потребление: value КВт*ч" of half-hour `k`, UTF-8.
    std::string infoText(int k) const;
    // The graph date as the page's date field shows it: "%d/%02d".
    std::string dateText() const;

    // The lines of a *.plt file after its header, "\n" ends.
    std::string fileBody() const;
    // Reads those lines; the values are cleared first, missing or unreadable ones stay 0.
    // An invalid date changes nothing.
    LoadOutcome loadFileLines(const std::function<std::optional<std::string>()>& nextLine);

    int day = 1;
    int month = 1;
    bool fillGaps = true;  // "Полные данные"

    std::array<bool, kReadings> valid{};
    std::array<bool, kReadings> lost{};  // the reading's command failed
    std::array<double, kReadings> exponent{};
    std::array<double, kReadings> counter{};  // kWh

    std::array<double, kHalfHours> power{};  // kW
    std::array<int, kHalfHours> shown{};     // non-zero: complete
    double scaleMax = 1.0;
};

}  // namespace quillet
