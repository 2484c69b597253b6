#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstddef>

#include "app/TabPage.h"
#include "meter/HolidayTable.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QTreeWidgetItem;

namespace quillet {

class ReportList;

// The table's *.day file, with the header of the program's settings.
bool saveHolidaysFile(const QString& path, const HolidayTable& table);
// Unreadable leaves the table as it was.
HolidayTable::LoadResult loadHolidaysFile(const QString& path, HolidayTable& table);

// The day and month of one holiday; an empty holiday comes in as 1 January.
class HolidayDialog : public QDialog {
public:
    static constexpr int kDayId = 1060;
    static constexpr int kMonthId = 1053;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;

    HolidayDialog(const HolidayDate& date, QWidget* parent);

    // After OK: the typed day (-1 when it is no number) and the chosen month.
    int day() const { return day_; }
    int month() const { return month_; }

    void accept() override;

private:
    QLineEdit* dayEdit_ = nullptr;
    QComboBox* monthList_ = nullptr;
    int day_ = -1;
    int month_ = 0;
};

// The tab "Праздники": the sixteen holidays read from and written to the meter, or to
// all meters at once, kept in *.day files and edited by a double click on a row's number.
// No Q_OBJECT: the page adds no signals or slots of its own.
class HolidaysPage : public TabPage {
public:
    static constexpr int kTemplateId = 135;

    static constexpr int kListId = 1029;
    static constexpr int kIndividualId = 1010;
    static constexpr int kGroupId = 1011;

    static constexpr std::size_t kSetHolidayGroup = 13;
    static constexpr std::size_t kReadHoliday = HolidayTable::kReadHoliday;
    static constexpr std::size_t kSetHoliday = 69;

    explicit HolidaysPage(QWidget* parent);

    void readFromDevice() override;
    void writeToDevice() override;
    void readFromFile() override;
    void writeToFile() override;
    void onExchangeBegin() override;
    void onExchangeEnd() override;

    // Opens the edit dialog for the row; only the number column edits.
    void editHoliday(QTreeWidgetItem* item, int column);

private:
    void createControls();
    void showRow(int index);
    void showRows();

    ReportList* list_ = nullptr;
    QRadioButton* individual_ = nullptr;
    QRadioButton* group_ = nullptr;
    bool exchanging_ = false;
};

}  // namespace quillet
