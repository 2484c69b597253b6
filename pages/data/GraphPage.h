#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "app/TabPage.h"
#include "protocol/LayoutRecords.h"

class QCheckBox;
class QLabel;
class QProgressBar;

namespace quillet {

class DateEdit;
class GraphView;

// The half-hour power graph of one day as the program last read it (from the meter or a
// file). The meter gives its energy counter at the start of every half-hour; the graph
// turns the 49 readings of a day (the 48 half-hours and the first of the next day) into
// 48 average powers. Lives for the whole run, so the graph outlives the page.
class HalfHourGraph {
public:
    static constexpr int kHalfHours = 48;
    static constexpr int kReadings = kHalfHours + 1;

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

    // The graph of the run.
    static HalfHourGraph& shared();

    // What the meter is asked for reading `k` (0..48): the graph date's half-hour k, and
    // for the last one the first half-hour of the next day.
    GraphPointQuery query(int k) const;
    // Stores reading `k`; a failed command (`point` empty) leaves no reading. A reading
    // counts only when the meter's marker belongs to the month asked for.
    void setReading(int k, const GraphPoint* point);

    // Every value 0 and incomplete, nothing on the scale.
    void clearValues();
    // The powers from the readings; with `fill`, runs of missing readings are drawn
    // complete with the energy between the readings around them.
    void compute(bool fill);
    // The top of the value axis for the values held.
    void updateScaleMax();
    // The top of the value axis for a largest value of `maxValue` kW: half a power of ten
    // of watts or a whole one, 1 when there is nothing to show.
    static double scaleFor(double maxValue);

    // "Время: h:mm Потребление: value КВт*ч" of half-hour `k`, UTF-8.
    std::string infoText(int k) const;

    // The lines of a *.plt file after its header, "\n" ends.
    std::string fileBody() const;
    // Reads those lines; the values are cleared first, missing or unreadable ones stay 0.
    // An invalid date changes nothing.
    LoadOutcome loadFileLines(const std::function<std::optional<std::string>()>& nextLine);

    int day = 1;
    int month = 1;
    bool fillGaps = true;  // "Полные данные"

    std::array<bool, kReadings> valid{};
    std::array<double, kReadings> exponent{};
    std::array<double, kReadings> counter{};  // kWh

    std::array<double, kHalfHours> power{};  // kW
    std::array<int, kHalfHours> shown{};     // non-zero: complete
    double scaleMax = 1.0;
};

// The tab "График потребления": the half-hour power graph of a day read from the meter,
// drawn as a bar chart with the time and value under the mouse pointer, kept in *.plt
// files.
// No Q_OBJECT: the page adds no signals or slots of its own.
class GraphPage : public TabPage {
public:
    static constexpr int kTemplateId = 136;

    static constexpr int kDateId = 1006;
    static constexpr int kFillGapsId = 1093;
    static constexpr int kInfoId = 1059;
    static constexpr int kGraphId = 1033;
    static constexpr int kProgressId = 1072;

    static constexpr std::size_t kReadGraphPoint = 74;

    explicit GraphPage(QWidget* parent);
    ~GraphPage() override;

    void readFromDevice() override;
    void readFromFile() override;
    void writeToFile() override;
    void onExchangeBegin() override;
    void onExchangeEnd() override;

    // Shows the time and value of half-hour `k` in the information line.
    void showInfo(int k);

private:
    void createControls();
    // The date field into the graph date; false (after the message) when it is no date.
    bool takeDate();
    void showGraph();

    DateEdit* date_ = nullptr;
    QCheckBox* fillGaps_ = nullptr;
    QLabel* info_ = nullptr;
    GraphView* view_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

}  // namespace quillet
