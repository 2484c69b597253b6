#include "pages/data/ReadingsPage.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <variant>

#include "app/Application.h"
#include "app/DataFiles.h"
#include "app/DialogLayout.h"
#include "app/MessageBoxes.h"
#include "app/ReportList.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "protocol/LayoutRecords.h"
#include "protocol/LocalClock.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

using Tables = ReadingsTables;

const QString kFileFilter = QStringLiteral("Показания (*.ind)|*.ind|Все Файлы (*.*)|*.*||");

constexpr std::array<ReportColumn, 2> kColumns = {{
    {"Название", 75},
    {"Значение (кВт*ч)", 25},
}};

bool isKnown(double value) {
    return value >= 0;
}

// One register from the meter; unknown when the command fails. The record starts as "no
// value", so a valid reply that carries none (a register the meter does not keep) leaves
// the value unknown instead of 0 or an earlier reading.
double readEnergy(std::size_t slot, const LayoutRecord& params) {
    LayoutRecord reply = EnergyValue{Tables::kNoValue};
    if (executeCommand(slot, params, &reply) != 1) {
        return Tables::kNoValue;
    }
    const auto* energy = std::get_if<EnergyValue>(&reply);
    if (energy == nullptr || !std::isfinite(energy->energyKwh) || !isKnown(energy->energyKwh)) {
        return Tables::kNoValue;
    }
    return energy->energyKwh;
}

QString qtext(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

// --- ReadingsTables ----------------------------------------------------------------------

ReadingsTables::ReadingsTables() : monthIndex(std::clamp(localNow().month, 1, 12) - 1) {
    clearValues();
}

ReadingsTables& ReadingsTables::shared() {
    static ReadingsTables tables;
    return tables;
}

void ReadingsTables::clearValues() {
    totals.fill(kNoValue);
    for (auto& row : months) {
        row.fill(kNoValue);
    }
}

double& ReadingsTables::fileValue(std::size_t index) {
    if (index < kTotalRows) {
        return totals[index];
    }
    const std::size_t at = index - kTotalRows;
    return months.at(at / kMonths).at(at % kMonths);
}

double ReadingsTables::fileValue(std::size_t index) const {
    if (index < kTotalRows) {
        return totals[index];
    }
    const std::size_t at = index - kTotalRows;
    return months.at(at / kMonths).at(at % kMonths);
}

int ReadingsTables::followingMonth() const {
    return monthIndex + 1 == 12 ? 1 : monthIndex + 2;
}

std::string ReadingsTables::valueText(double value) {
    return isKnown(value) ? formatDouble(value, 8) : "-";
}

std::string ReadingsTables::totalText(std::size_t row) const {
    return valueText(totals.at(row));
}

double ReadingsTables::monthRowValue(std::size_t row, int currentMonth) const {
    if (row >= kMonthRows || monthIndex < 0 || monthIndex >= static_cast<int>(kMonths)) {
        return kNoValue;
    }
    const auto& readings = months[row];
    const double atStart = readings[static_cast<std::size_t>(monthIndex)];
    if (mode == kAtMonthStart) {
        return atStart;
    }
    const double atNextStart = readings[static_cast<std::size_t>(followingMonth() - 1)];
    // Without the start reading there is no consumption either: the difference from a
    // missing value's -1 would pass for one.
    if (!isKnown(atNextStart) || !isKnown(atStart)) {
        return kNoValue;
    }
    if (monthIndex + 1 == currentMonth) {
        return isKnown(totals[row]) ? totals[row] - atStart : kNoValue;
    }
    return atNextStart - atStart;
}

std::string ReadingsTables::monthText(std::size_t row, int currentMonth) const {
    return valueText(monthRowValue(row, currentMonth));
}

std::string ReadingsTables::fileBody() const {
    std::string body;
    for (std::size_t i = 0; i < kFileValues; ++i) {
        body += formatDouble(fileValue(i), 6);
        body += '\n';
    }
    return body;
}

bool ReadingsTables::loadFileLines(const std::function<std::optional<std::string>()>& nextLine) {
    bool complete = true;
    // Every line is tried: one bad value costs that value only.
    for (std::size_t i = 0; i < kFileValues; ++i) {
        const std::optional<std::string> line = nextLine();
        if (!line) {
            continue;
        }
        const std::optional<double> value = scanDouble(*line);
        if (!value) {
            continue;
        }
        // Overflowing or "nan" lines are no readings either: they would show as such.
        if (std::isfinite(*value) && (*value >= 0 || *value == kNoValue)) {
            fileValue(i) = *value + 0.0;  // no "-0" in the list
        } else {
            complete = false;
        }
    }
    return complete;
}

// --- ReadingsPage ------------------------------------------------------------------------

ReadingsPage::ReadingsPage(QWidget* parent) : TabPage(parent) {
    Application::instance().registerFileType(QStringLiteral("ind"), QStringLiteral("Показания"));
    createControls();
    toControls();
    showAll();
    // Connected once the lists hold their values, so that filling them moves nothing back.
    connect(mode_, &QComboBox::currentIndexChanged, this, &ReadingsPage::selectionChanged);
    connect(month_, &QComboBox::currentIndexChanged, this, &ReadingsPage::selectionChanged);
}

ReadingsPage::~ReadingsPage() {
    fromControls();
}

void ReadingsPage::createControls() {
    const DialogUnits units(font());

    totals_ = new ReportList(this);
    units.place(totals_, kTotalsId, 7, 4, 316, 60);

    mode_ = new QComboBox(this);
    mode_->addItems({QStringLiteral("На начало месяца"), QStringLiteral("Всего за месяц")});
    units.place(mode_, kModeId, 7, 68, 85, 12);
    units.place(new QLabel(QStringLiteral("Месяц:"), this), 0, 102, 70, 26, 8);
    month_ = new QComboBox(this);
    for (std::string_view name : MonthNames) {
        month_->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    units.place(month_, kMonthId, 128, 68, 62, 12);
    fix_ = new QPushButton(QStringLiteral("Фиксация..."), this);
    units.place(fix_, kFixId, 215, 67, 52, 14);
    connect(fix_, &QPushButton::clicked, this, &ReadingsPage::fixReadings);
    reset_ = new QPushButton(QStringLiteral("Сброс..."), this);
    units.place(reset_, kResetId, 271, 67, 52, 14);
    connect(reset_, &QPushButton::clicked, this, &ReadingsPage::resetReadings);

    monthReadings_ = new ReportList(this);
    units.place(monthReadings_, kMonthReadingsId, 7, 84, 316, 44);

    // Both lists have the width of the totals list, so both get its column widths.
    totals_->setColumns(kColumns);
    monthReadings_->setColumns(kColumns);
}

void ReadingsPage::toControls() {
    const Tables& tables = Tables::shared();
    mode_->setCurrentIndex(tables.mode);
    month_->setCurrentIndex(tables.monthIndex);
}

void ReadingsPage::fromControls() {
    Tables& tables = Tables::shared();
    if (mode_->currentIndex() >= 0) {
        tables.mode = mode_->currentIndex();
    }
    if (month_->currentIndex() >= 0) {
        tables.monthIndex = month_->currentIndex();
    }
}

void ReadingsPage::selectionChanged() {
    fromControls();
    for (std::size_t row = 0; row < Tables::kMonthRows; ++row) {
        showMonthRow(row);
    }
}

void ReadingsPage::showTotal(std::size_t row) {
    totals_->setRow(static_cast<int>(row), {QString::fromUtf8(Tables::kTotalRowInfo[row].name),
                                            qtext(Tables::shared().totalText(row))});
}

void ReadingsPage::showMonthRow(std::size_t row) {
    monthReadings_->setRow(static_cast<int>(row),
                           {QString::fromUtf8(Tables::kMonthRowInfo[row].name),
                            qtext(Tables::shared().monthText(row, localNow().month))});
}

void ReadingsPage::showAll() {
    for (std::size_t row = 0; row < Tables::kTotalRows; ++row) {
        showTotal(row);
    }
    for (std::size_t row = 0; row < Tables::kMonthRows; ++row) {
        showMonthRow(row);
    }
}

void ReadingsPage::readFromDevice() {
    fromControls();
    Tables& tables = Tables::shared();

    // Each command goes out whatever became of the one before; every value is shown as
    // soon as it is known, and a month row with it, as its consumption may run up to it.
    for (std::size_t row = 0; row < Tables::kTotalRows; ++row) {
        tables.totals[row] = Tables::kNoValue;
        tables.totals[row] = readEnergy(Tables::kTotalRowInfo[row].slot, {});
        showTotal(row);
        if (row < Tables::kMonthRows) {
            showMonthRow(row);
        }
    }
    // The following month first: the consumption of the selected one ends there.
    for (const int month : {tables.followingMonth(), tables.monthIndex + 1}) {
        for (std::size_t row = 0; row < Tables::kMonthRows; ++row) {
            double& reading = tables.months[row][static_cast<std::size_t>(month - 1)];
            reading = Tables::kNoValue;
            reading = readEnergy(Tables::kMonthRowInfo[row].slot, MonthNumber{month});
            showMonthRow(row);
        }
    }
}

void ReadingsPage::readFromFile() {
    const QString path = Application::instance().fileDialogs().openFileName(this, kFileFilter);
    if (path.isEmpty()) {
        return;
    }
    Tables& tables = Tables::shared();
    DataFileReader reader(path);
    // Checked before anything is emptied: a file that cannot be read must not cost the
    // operator the readings on the screen.
    if (!reader.ok()) {
        showAll();
        showWarning(this, QStringLiteral("Ошибка при загрузке показаний из файла"));
        return;
    }
    tables.clearValues();
    reader.skipHeader();
    const bool complete = tables.loadFileLines([&reader] { return reader.nextLine(); });
    showAll();
    if (!complete) {
        showInformation(this, QStringLiteral("Не все данные были успешно прочитаны"));
    }
}

void ReadingsPage::writeToFile() {
    const QString path = Application::instance().fileDialogs().saveFileName(this, kFileFilter,
                                                                            QStringLiteral("ind"));
    if (path.isEmpty()) {
        return;
    }
    if (!saveDataFile(path, Application::instance().settings(), qtext(Tables::shared().fileBody()))) {
        showWarning(this, QStringLiteral("Ошибка при сохранении показаний в файл"));
    }
}

void ReadingsPage::fixReadings() {
    emit exchangeBeginRequested();
    if (askYesNo(this, QStringLiteral("Подтвердите фиксацию показаний в указанном месяце"),
                 QMessageBox::Warning)) {
        fromControls();
        LayoutRecord none;
        executeCommand(kFixReadings, MonthNumber{Tables::shared().monthIndex + 1}, &none);
    }
    emit exchangeEndRequested();
}

void ReadingsPage::resetReadings() {
    emit exchangeBeginRequested();
    if (askYesNo(this,
                 QStringLiteral("Подтвердите сброс всех показаний группы счетчиков\n"
                                "(должна быть установлена технологическая перемычка)"),
                 QMessageBox::Warning)) {
        LayoutRecord none;
        executeCommand(kResetReadings, {}, &none);
    }
    emit exchangeEndRequested();
}

void ReadingsPage::setControlsEnabled(bool enabled) {
    fix_->setEnabled(enabled);
    reset_->setEnabled(enabled);
    month_->setEnabled(enabled);
    mode_->setEnabled(enabled);
}

void ReadingsPage::onExchangeBegin() {
    setControlsEnabled(false);
}

void ReadingsPage::onExchangeEnd() {
    setControlsEnabled(true);
}

void registerReadingsPage() {
    PageFactory::instance().add(ReadingsPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<ReadingsPage>(parent);
    });
}

}  // namespace quillet
