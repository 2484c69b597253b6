#include "pages/data/ReadingsPage.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

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

QString qtext(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

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
    // Every value is shown as soon as it is known, and a month row with a total, as its
    // consumption may run up to it.
    WindowCommands commands;
    Tables::shared().read(commands, [this](const Tables::ReadStep& step) {
        if (step.total) {
            showTotal(step.row);
        }
        if (step.row < Tables::kMonthRows) {
            showMonthRow(step.row);
        }
    });
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
    if (!saveDataFile(path, Application::instance().settings(),
                      qtext(Tables::shared().fileBody()))) {
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
