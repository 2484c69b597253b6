#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstddef>

#include "app/TabPage.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QTreeWidgetItem;

namespace quillet {

class ReportList;

// One holiday of the meter; day 0 (and month 0) is an empty entry.
struct HolidayDate {
    int day = 0;
    int month = 0;

    bool empty() const { return day == 0; }
    friend bool operator==(const HolidayDate&, const HolidayDate&) = default;
};

// The sixteen holidays of a meter and their *.day file. Entry i is the meter's holiday
// number i + 1. Only valid dates (29 February included) are ever stored.
class HolidayTable {
public:
    static constexpr int kCount = 16;

    enum class LoadResult {
        Complete,
        Incomplete,  // lines missing or unreadable: those entries are empty
        Unreadable,  // the file could not be read: the table is as it was
    };

    // The table of the program run: empty at start, kept across tab changes.
    static HolidayTable& shared();

    const HolidayDate& at(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
    // Stores the date when it is a valid day of a month, otherwise empties the entry;
    // true when it was stored.
    bool set(int index, int day, int month);
    void clear();

    // The lines after the file header: "%d/%02d" each, "0/00" for an empty entry.
    QString fileBody() const;
    bool save(const QString& path) const;
    LoadResult load(const QString& path);

private:
    std::array<HolidayDate, kCount> entries_{};
};

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
    static constexpr std::size_t kReadHoliday = 68;
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
