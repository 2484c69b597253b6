#include "pages/data/DateTimePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "app/DialogLayout.h"
#include "app/MessageBoxes.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "pages/data/DateTimeEdits.h"
#include "protocol/LayoutRecords.h"
#include "protocol/LocalClock.h"

namespace quillet {

namespace {

QString boxLabel(const char* label) {
    return QString::fromUtf8(label) + ':';
}

}  // namespace

DateTimePage::Values& DateTimePage::values() {
    static Values chosen;
    return chosen;
}

DateTimePage::DateTimePage(QWidget* parent) : TabPage(parent) {
    createControls();
    toControls();
}

DateTimePage::~DateTimePage() {
    fromControls();
}

void DateTimePage::createControls() {
    const DialogUnits units(font());
    useTime_ = new QCheckBox(boxLabel(MeterClock::kTimeLabel), this);
    units.place(useTime_, kUseTimeId, 15, 15, 120, 10);
    time_ = new TimeEdit(this);
    units.place(time_, kTimeId, 140, 14, 60, 12);
    useDate_ = new QCheckBox(boxLabel(MeterClock::kDateLabel), this);
    units.place(useDate_, kUseDateId, 15, 33, 120, 10);
    date_ = new DateEdit(this);
    units.place(date_, kDateId, 140, 32, 60, 12);
    useSummerTime_ = new QCheckBox(boxLabel(MeterClock::kSummerTimeLabel), this);
    units.place(useSummerTime_, kUseSummerTimeId, 15, 51, 120, 10);
    summerTimeMode_ = new QComboBox(this);
    for (const char* mode : MeterClock::kSummerTimeModes) {
        summerTimeMode_->addItem(QString::fromUtf8(mode));
    }
    units.place(summerTimeMode_, kSummerTimeModeId, 140, 50, 80, 12);

    // The note's two lines are one sentence, wrapped to the page's width.
    auto* note = new QLabel(QStringLiteral("* указание пустых полей времени и даты приведет к "
                                           "установке текущих значений времени и даты. Не "
                                           "забудьте проверить правильность настройки часов "
                                           "компьютера."),
                            this);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    units.place(note, 0, 15, 78, 305, 26);
}

void DateTimePage::toControls() {
    const Values& v = values();
    useTime_->setChecked(v.useTime);
    useDate_->setChecked(v.useDate);
    useSummerTime_->setChecked(v.useSummerTime);
    summerTimeMode_->setCurrentIndex(v.summerTimeMode);
}

void DateTimePage::fromControls() {
    Values& v = values();
    v.useTime = useTime_->isChecked();
    v.useDate = useDate_->isChecked();
    v.useSummerTime = useSummerTime_->isChecked();
    v.summerTimeMode = summerTimeMode_->currentIndex();
}

void DateTimePage::readFromDevice() {
    fromControls();
    Values& v = values();
    if (v.useDate) {
        date_->clear();
    }
    if (v.useTime) {
        time_->clear();
    }
    MeterClock clock;
    WindowCommands commands;
    clock.read(commands, {v.useDate || v.useTime, v.useSummerTime}, [&](std::size_t item) {
        if (item == MeterClock::DateTime && clock.now) {
            const MeterDateTime& now = *clock.now;
            if (v.useDate) {
                date_->setDate(now.day, now.month, now.year);
            }
            if (v.useTime) {
                time_->setTime(now.hours, now.minutes, now.seconds);
            }
        } else if (item == MeterClock::SummerTime && clock.summerTime) {
            v.summerTimeMode = *clock.summerTime ? 1 : 0;
            toControls();
        }
    });
}

void DateTimePage::writeToDevice() {
    fromControls();
    const Values& v = values();
    // One reading of the computer's clock serves both empty fields, so that a write
    // around midnight never pairs one day's date with the other day's time.
    const LocalDateTime now = localNow();
    TimeOfDay time{now.hours, now.minutes, now.seconds};
    CalendarDate date{now.day, now.month, now.year};

    // The time is checked first, so a bad time sends not even the date.
    if (v.useTime && !time_->getTime(time.hours, time.minutes, time.seconds, false)) {
        showWarning(this, QStringLiteral("Неверное задание времени"));
        return;
    }
    if (v.useDate) {
        // The meter keeps two year digits: any other century would come back changed.
        if (!date_->getDate(date.day, date.month, date.year, false) ||
            date.year < kFirstMeterYear || date.year > kLastMeterYear) {
            showWarning(this, QStringLiteral("Неверное задание даты"));
            return;
        }
        LayoutRecord none;
        executeCommand(kSetDate, date, &none);
    }
    if (v.useTime) {
        LayoutRecord none;
        executeCommand(kSetTime, time, &none);
    }
    if (v.useSummerTime) {
        LayoutRecord none;
        executeCommand(kSetSummerTime, SeasonalSwitch{v.summerTimeMode}, &none);
    }
}

void registerDateTimePage() {
    PageFactory::instance().add(DateTimePage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<DateTimePage>(parent);
    });
}

}  // namespace quillet
