#pragma once

#include <cstddef>

#include "app/TabPage.h"
#include "meter/ReadingsTables.h"

class QComboBox;
class QPushButton;

namespace quillet {

class ReportList;

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
