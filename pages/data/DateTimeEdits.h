#pragma once

#include <QLineEdit>

namespace quillet {

// An edit field that shows a date as "d/mm/yyyy" (or "d/mm" without the year) and reads
// back what the operator typed: "d.m.yy", "d/m/yyyy", "d\m", with one- or two-digit day
// and month and a year of one to four digits.
// No Q_OBJECT: the field adds no signals or slots of its own.
class DateEdit : public QLineEdit {
public:
    explicit DateEdit(QWidget* parent = nullptr);

    bool withYear() const { return withYear_; }
    void setWithYear(bool on) { withYear_ = on; }

    void setDate(int day, int month, int year);

    // An empty field gives today when `emptyMeansToday` is set and leaves the outputs as
    // they are otherwise; both count as success. Years below 100 are widened (71..99 to
    // 19xx, 0..70 to 20xx); a day and month without a year take the current year and must
    // exist in it. The outputs are untouched on failure.
    bool getDate(int& day, int& month, int& year, bool emptyMeansToday) const;
    // For fields without a year: 29 February is a valid day and month in any year.
    bool getDate(int& day, int& month, bool emptyMeansToday) const;

private:
    bool withYear_ = true;
};

// An edit field that shows a time of day as "h:mm:ss" (or "h:mm") and reads back "h:m:s"
// or "h:m" with one or two digits each.
// No Q_OBJECT: the field adds no signals or slots of its own.
class TimeEdit : public QLineEdit {
public:
    // Given as the seconds, shows hours and minutes only.
    static constexpr int kNoSeconds = -1;

    explicit TimeEdit(QWidget* parent = nullptr);

    void setTime(int hours, int minutes, int seconds = kNoSeconds);

    // An empty field gives the computer's current time when `emptyMeansNow` is set and
    // leaves the outputs as they are otherwise; both count as success. "h:m" gives 0
    // seconds. The outputs are untouched on failure.
    bool getTime(int& hours, int& minutes, int& seconds, bool emptyMeansNow) const;
};

}  // namespace quillet
