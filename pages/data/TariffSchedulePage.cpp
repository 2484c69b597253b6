#include "pages/data/TariffSchedulePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string_view>

#include "app/Application.h"
#include "app/DataFiles.h"
#include "app/DialogLayout.h"
#include "app/MessageBoxes.h"
#include "app/ReportList.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "pages/data/DateTimeEdits.h"
#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

const QString kFileFilter =
    QStringLiteral("Тарифное расписание (*.trf)|*.trf|Все Файлы (*.*)|*.*||");

// Column 0 takes 5 % of the list's width, the five tariff columns 19 % each.
constexpr std::array<ReportColumn, 6> kColumns = {{{" ", 5},
                                                   {"Полупиковый", 19},
                                                   {"Льготный", 19},
                                                   {"Пиковый 1", 19},
                                                   {"Пиковый 2", 19},
                                                   {"Пиковый 3", 19}}};

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// --- Schedule files and rows -------------------------------------------------------------

QStringList scheduleRowTexts(int dayType, const DayTariffs& day) {
    QStringList texts = {utf8(WeekdayNames.at(static_cast<std::size_t>(dayType))),
                         utf8(TariffSchedule::startText(day.halfPeakStart)),
                         utf8(TariffSchedule::startText(day.offPeakStart))};
    for (const PeakPeriod& peak : day.peaks) {
        texts << utf8(TariffSchedule::peakText(peak));
    }
    return texts;
}

bool saveScheduleFile(const QString& path, const TariffSchedule& schedule) {
    return saveDataFile(path, Application::instance().settings(),
                        QString::fromStdString(schedule.fileBody()));
}

TariffSchedule::LoadResult loadScheduleFile(const QString& path, TariffSchedule& schedule) {
    DataFileReader reader(path);
    // Checked before anything is emptied: a file that cannot be read must not cost the
    // operator the schedule on the screen.
    if (!reader.ok()) {
        return TariffSchedule::LoadResult::Unreadable;
    }
    reader.skipHeader();
    return schedule.loadFileLines([&reader] { return reader.nextLine(); });
}

// --- TariffChangeDialog ------------------------------------------------------------------

TariffChangeDialog::TariffChangeDialog(const DayTariffs& day, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      tariffs_(day) {
    setWindowTitle(QStringLiteral("Изменение тарифа"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits units(font());
    setFixedSize(units.x(292), units.y(128));

    units.place(new QLabel(QStringLiteral("Начало полупикового тарифа:"), this), 7, 9, 120, 8);
    halfPeak_ = new TimeEdit(this);
    units.place(halfPeak_, kHalfPeakId, 130, 7, 40, 12);
    units.place(new QLabel(QStringLiteral("Начало льготного тарифа:"), this), 7, 25, 120, 8);
    offPeak_ = new TimeEdit(this);
    units.place(offPeak_, kOffPeakId, 130, 23, 40, 12);

    units.place(new QGroupBox(QStringLiteral("Пиковые тарифы"), this), 7, 41, 220, 80);
    units.place(new QLabel(QStringLiteral("начало тарифа"), this), 22, 53, 60, 8);
    units.place(new QLabel(QStringLiteral("длительность (мин)"), this), 85, 53, 80, 8);
    units.place(new QLabel(QStringLiteral("пиковый"), this), 170, 53, 50, 8);
    for (std::size_t p = 0; p < peakStarts_.size(); ++p) {
        const int y = 65 + 18 * static_cast<int>(p);
        units.place(new QLabel(QStringLiteral("%1.").arg(static_cast<int>(p) + 1), this), 12, y + 2,
                    9, 8);
        peakStarts_[p] = new TimeEdit(this);
        units.place(peakStarts_[p], kPeakStartIds[p], 22, y, 40, 12);
        durations_[p] = new QLineEdit(this);
        units.place(durations_[p], kDurationIds[p], 85, y, 30, 12);
        isPeak_[p] = new QCheckBox(QStringLiteral("пиковый"), this);
        units.place(isPeak_[p], kIsPeakIds[p], 170, y + 1, 50, 10);
    }

    auto* ok = new QPushButton(QStringLiteral("Изменить"), this);
    setControlId(ok, kOkId);
    ok->setDefault(true);
    units.place(ok, 235, 7, 50, 14);
    auto* cancel = new QPushButton(QStringLiteral("Отменить"), this);
    setControlId(cancel, kCancelId);
    units.place(cancel, 235, 25, 50, 14);
    connect(ok, &QPushButton::clicked, this, &TariffChangeDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &TariffChangeDialog::reject);

    halfPeak_->setTime(day.halfPeakStart.hours, day.halfPeakStart.minutes);
    offPeak_->setTime(day.offPeakStart.hours, day.offPeakStart.minutes);
    for (std::size_t p = 0; p < peakStarts_.size(); ++p) {
        const PeakPeriod& peak = day.peaks[p];
        peakStarts_[p]->setTime(peak.hours, peak.minutes);
        durations_[p]->setText(QString::number(peak.durationMin));
        isPeak_[p]->setChecked(peak.isPeak != 0);
    }
    halfPeak_->setFocus();
}

void TariffChangeDialog::accept() {
    DayTariffs edited = tariffs_;
    // An empty start is the computer's present hour and minute; the seconds go.
    const auto takeTime = [this](TimeEdit* field, int& hours, int& minutes) {
        int seconds = 0;
        if (field->getTime(hours, minutes, seconds, true)) {
            return true;
        }
        showWarning(this, QStringLiteral("Неверное задание времени"));
        field->setFocus();
        field->selectAll();
        return false;
    };
    if (!takeTime(halfPeak_, edited.halfPeakStart.hours, edited.halfPeakStart.minutes) ||
        !takeTime(offPeak_, edited.offPeakStart.hours, edited.offPeakStart.minutes)) {
        return;
    }
    for (std::size_t p = 0; p < peakStarts_.size(); ++p) {
        if (!takeTime(peakStarts_[p], edited.peaks[p].hours, edited.peaks[p].minutes)) {
            return;
        }
    }
    for (std::size_t p = 0; p < durations_.size(); ++p) {
        const int duration = textAsInt(durations_[p]->text().toStdString());
        if (duration < 0 || duration > TariffSchedule::kMaxDuration) {
            showWarning(this, QStringLiteral("Неверное задание длительности"));
            durations_[p]->setFocus();
            durations_[p]->selectAll();
            return;
        }
        edited.peaks[p].durationMin = duration;
    }
    for (std::size_t p = 0; p < isPeak_.size(); ++p) {
        edited.peaks[p].isPeak = isPeak_[p]->isChecked() ? 1 : 0;
    }
    tariffs_ = edited;
    QDialog::accept();
}

// --- TariffSchedulePage ------------------------------------------------------------------

TariffSchedulePage::TariffSchedulePage(QWidget* parent) : TabPage(parent) {
    Application::instance().registerFileType(QStringLiteral("trf"),
                                             QStringLiteral("Тарифное расписание"));
    createControls();
    month_->setCurrentIndex(TariffSchedule::shared().monthIndex);
    showRows();
    // Connected once the list holds the month, so that filling it moves nothing back.
    connect(month_, &QComboBox::currentIndexChanged, this, &TariffSchedulePage::monthChanged);
}

TariffSchedulePage::~TariffSchedulePage() {
    fromControls();
}

void TariffSchedulePage::createControls() {
    const DialogUnits units(font());
    units.place(new QLabel(QStringLiteral("Месяц:"), this), 7, 9, 26, 8);
    month_ = new QComboBox(this);
    for (std::string_view name : MonthNames) {
        month_->addItem(utf8(name));
    }
    units.place(month_, kMonthId, 35, 7, 70, 12);

    list_ = new ReportList(this);
    units.place(list_, kListId, 7, 23, 316, 91);
    list_->setColumns(kColumns);
    // Eight rows fit without a scroll bar, so the columns share the whole width.
    const int width = list_->contentsRect().width();
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        list_->setColumnWidth(static_cast<int>(i), width * kColumns[i].percent / 100);
    }
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &TariffSchedulePage::editDay);

    units.place(new QLabel(QStringLiteral("* редактирование тарифов - двойной щелчок мыши по "
                                          "названию дня недели"),
                           this),
                7, 118, 316, 8);
}

void TariffSchedulePage::fromControls() {
    if (month_->currentIndex() >= 0) {
        TariffSchedule::shared().monthIndex = month_->currentIndex();
    }
}

void TariffSchedulePage::monthChanged() {
    fromControls();
    showRows();
}

void TariffSchedulePage::showRow(int dayType) {
    const TariffSchedule& schedule = TariffSchedule::shared();
    list_->setRow(dayType, scheduleRowTexts(dayType, schedule.at(schedule.monthIndex, dayType)));
}

void TariffSchedulePage::showRows() {
    for (int d = 0; d < TariffSchedule::kDayTypes; ++d) {
        showRow(d);
    }
}

void TariffSchedulePage::readFromDevice() {
    fromControls();
    TariffSchedule& schedule = TariffSchedule::shared();
    schedule.clearMonth(schedule.monthIndex);
    showRows();
    WindowCommands commands;
    schedule.read(commands,
                  [this](const TariffSchedule::ReadStep& step) { showRow(step.dayType); });
}

void TariffSchedulePage::writeToDevice() {
    fromControls();
    const TariffSchedule& schedule = TariffSchedule::shared();
    const int monthIndex = schedule.monthIndex;
    const int month = monthIndex + 1;
    const int category = Application::instance().settings().category;
    // Group commands: every meter of the category takes them, none answers; all forty go
    // out whatever became of the others.
    for (int d = 0; d < TariffSchedule::kDayTypes; ++d) {
        const DayTariffs day = schedule.at(monthIndex, d);
        executeCommand(kSetHalfPeakStart,
                       GroupTariffStart{category, d, day.halfPeakStart.hours,
                                        day.halfPeakStart.minutes, month},
                       nullptr);
        executeCommand(
            kSetOffPeakStart,
            GroupTariffStart{category, d, day.offPeakStart.hours, day.offPeakStart.minutes, month},
            nullptr);
        for (int p = 1; p <= DayTariffs::kPeaks; ++p) {
            const PeakPeriod& peak = day.peaks[static_cast<std::size_t>(p - 1)];
            executeCommand(kSetPeak,
                           GroupPeakTariff{category, d, p, peak.hours, peak.minutes,
                                           peak.durationMin, month, peak.isPeak},
                           nullptr);
        }
    }
}

void TariffSchedulePage::readFromFile() {
    const QString path = Application::instance().fileDialogs().openFileName(this, kFileFilter);
    if (path.isEmpty()) {
        return;
    }
    const TariffSchedule::LoadResult result = loadScheduleFile(path, TariffSchedule::shared());
    showRows();
    if (result == TariffSchedule::LoadResult::Unreadable) {
        showWarning(this, QStringLiteral("Ошибка при загрузке тарифного расписания из файла"));
    } else if (result == TariffSchedule::LoadResult::Incomplete) {
        showInformation(this, QStringLiteral("Не все данные были успешно прочитаны"));
    }
}

void TariffSchedulePage::writeToFile() {
    const QString path = Application::instance().fileDialogs().saveFileName(this, kFileFilter,
                                                                            QStringLiteral("trf"));
    if (path.isEmpty()) {
        return;
    }
    if (!saveScheduleFile(path, TariffSchedule::shared())) {
        showWarning(this, QStringLiteral("Ошибка при сохранении тарифного расписания в файл"));
    }
}

void TariffSchedulePage::setControlsEnabled(bool enabled) {
    month_->setEnabled(enabled);
    list_->setEnabled(enabled);
}

void TariffSchedulePage::onExchangeBegin() {
    setControlsEnabled(false);
}

void TariffSchedulePage::onExchangeEnd() {
    setControlsEnabled(true);
}

void TariffSchedulePage::editDay(QTreeWidgetItem* item, int column) {
    // While the line is busy the rows belong to the running operation.
    if (!list_->isEnabled() || item == nullptr || column != 0) {
        return;
    }
    const int dayType = list_->indexOfTopLevelItem(item);
    if (dayType < 0 || dayType >= TariffSchedule::kDayTypes) {
        return;
    }
    TariffSchedule& schedule = TariffSchedule::shared();
    const int monthIndex = schedule.monthIndex;
    TariffChangeDialog dialog(schedule.at(monthIndex, dayType), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    schedule.at(monthIndex, dayType) = dialog.tariffs();
    showRow(dayType);
}

void registerTariffSchedulePage() {
    PageFactory::instance().add(TariffSchedulePage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<TariffSchedulePage>(parent);
    });
}

}  // namespace quillet
