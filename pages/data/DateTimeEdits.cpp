#include "pages/data/DateTimeEdits.h"

#include <string>

#include "meter/MeterClock.h"
#include "protocol/LocalClock.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

struct ParsedDate {
    int day = 0;
    int month = 0;
    int year = 0;
    bool yearTyped = false;
};

// The typed forms of a date; false for anything else. A day and month alone only pass
// the fixed month lengths, so 29 February is among them.
bool parseDate(const std::string& text, ParsedDate& out) {
    int day = 0;
    int month = 0;
    int year = 0;
    // The calendar check sees the year as typed (0 standing for the current year).
    if (parseDayMonthYear(text, day, month, year)) {
        out = {day, month, year < 100 ? fullYear(year) : year, true};
        return true;
    }
    if (parseDayMonth(text, day, month)) {
        out = {day, month, localNow().year, false};
        return true;
    }
    return false;
}

}  // namespace

DateEdit::DateEdit(QWidget* parent) : QLineEdit(parent) {}

void DateEdit::setDate(int day, int month, int year) {
    setText(withYear_ ? QString::fromStdString(dateText(day, month, year))
                      : QString::asprintf("%d/%02d", day, month));
}

bool DateEdit::getDate(int& day, int& month, int& year, bool emptyMeansToday) const {
    if (text().isEmpty()) {
        if (emptyMeansToday) {
            const LocalDateTime now = localNow();
            day = now.day;
            month = now.month;
            year = now.year;
        }
        return true;
    }
    ParsedDate date;
    if (!parseDate(text().toStdString(), date)) {
        return false;
    }
    // 29 February typed without a year is no date in a common year: a caller that takes
    // the year would pass on a day that does not exist.
    if (!date.yearTyped && !isValidDate(date.day, date.month, date.year)) {
        return false;
    }
    day = date.day;
    month = date.month;
    year = date.year;
    return true;
}

bool DateEdit::getDate(int& day, int& month, bool emptyMeansToday) const {
    if (text().isEmpty()) {
        if (emptyMeansToday) {
            const LocalDateTime now = localNow();
            day = now.day;
            month = now.month;
        }
        return true;
    }
    ParsedDate date;
    if (!parseDate(text().toStdString(), date)) {
        return false;
    }
    day = date.day;
    month = date.month;
    return true;
}

TimeEdit::TimeEdit(QWidget* parent) : QLineEdit(parent) {}

void TimeEdit::setTime(int hours, int minutes, int seconds) {
    const std::string shown = seconds == kNoSeconds ? formatHourMinute(hours, minutes)
                                                    : formatTime(hours, minutes, seconds);
    setText(QString::fromStdString(shown));
}

bool TimeEdit::getTime(int& hours, int& minutes, int& seconds, bool emptyMeansNow) const {
    if (text().isEmpty()) {
        if (emptyMeansNow) {
            const LocalDateTime now = localNow();
            hours = now.hours;
            minutes = now.minutes;
            seconds = now.seconds;
        }
        return true;
    }
    const std::string typed = text().toStdString();
    int h = 0;
    int m = 0;
    int s = 0;
    if (!parseHourMinuteSecond(typed, h, m, s)) {
        if (!parseHourMinute(typed, h, m)) {
            return false;
        }
        s = 0;
    }
    hours = h;
    minutes = m;
    seconds = s;
    return true;
}

}  // namespace quillet
