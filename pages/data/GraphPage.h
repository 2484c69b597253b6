#pragma once

#include <cstddef>

#include "app/TabPage.h"
#include "meter/HalfHourGraph.h"

class QCheckBox;
class QLabel;
class QProgressBar;

namespace quillet {

class DateEdit;
class GraphView;

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

    static constexpr std::size_t kReadGraphPoint = HalfHourGraph::kReadPointCommand;

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
