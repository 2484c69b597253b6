#include "pages/data/HolidaysPage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <string_view>

#include "app/Application.h"
#include "app/DataFiles.h"
#include "app/DialogLayout.h"
#include "app/MessageBoxes.h"
#include "app/ReportList.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

const QString kFileFilter = QStringLiteral("Праздники (*.day)|*.day|Все Файлы (*.*)|*.*||");
const QString kMissing = QStringLiteral("-");

constexpr std::array<ReportColumn, 3> kColumns = {{{"№", 10}, {"Число", 30}, {"Месяц", 60}}};

QString monthName(int month) {
    const std::string_view name = MonthNames.at(static_cast<std::size_t>(month - 1));
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

// --- Holiday files -------------------------------------------------------------------

bool saveHolidaysFile(const QString& path, const HolidayTable& table) {
    return saveDataFile(path, Application::instance().settings(),
                        QString::fromStdString(table.fileBody()));
}

HolidayTable::LoadResult loadHolidaysFile(const QString& path, HolidayTable& table) {
    DataFileReader reader(path);
    // Checked before anything is emptied: a file that cannot be read must not cost the
    // operator the holidays on the screen.
    if (!reader.ok()) {
        return HolidayTable::LoadResult::Unreadable;
    }
    reader.skipHeader();
    return table.loadFileLines([&reader] { return reader.nextLine(); });
}

// --- HolidayDialog ---------------------------------------------------------------------

HolidayDialog::HolidayDialog(const HolidayDate& date, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Изменение праздника"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits units(font());
    setFixedSize(units.x(161), units.y(46));

    units.place(new QLabel(QStringLiteral("Число:"), this), 7, 9, 28, 8);
    dayEdit_ = new QLineEdit(this);
    // Digits only, as typed; an empty field is left to the validity check.
    dayEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), dayEdit_));
    setControlId(dayEdit_, kDayId);
    units.place(dayEdit_, 37, 7, 30, 12);

    units.place(new QLabel(QStringLiteral("Месяц:"), this), 7, 27, 28, 8);
    monthList_ = new QComboBox(this);
    for (int month = 1; month <= 12; ++month) {
        monthList_->addItem(monthName(month));
    }
    setControlId(monthList_, kMonthId);
    units.place(monthList_, 37, 25, 60, 12);

    auto* ok = new QPushButton(QStringLiteral("Изменить"), this);
    setControlId(ok, kOkId);
    ok->setDefault(true);
    units.place(ok, 104, 6, 50, 14);
    auto* cancel = new QPushButton(QStringLiteral("Отменить"), this);
    setControlId(cancel, kCancelId);
    units.place(cancel, 104, 24, 50, 14);
    connect(ok, &QPushButton::clicked, this, &HolidayDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &HolidayDialog::reject);

    const HolidayDate shown = date.empty() ? HolidayDate{1, 1} : date;
    dayEdit_->setText(QString::number(shown.day));
    monthList_->setCurrentIndex(shown.month - 1);
    dayEdit_->setFocus();
    dayEdit_->selectAll();
}

void HolidayDialog::accept() {
    day_ = textAsInt(dayEdit_->text().toStdString());
    month_ = monthList_->currentIndex() + 1;
    QDialog::accept();
}

// --- HolidaysPage ----------------------------------------------------------------------

HolidaysPage::HolidaysPage(QWidget* parent) : TabPage(parent) {
    Application::instance().registerFileType(QStringLiteral("day"), QStringLiteral("Праздники"));
    createControls();
    list_->setColumns(kColumns);
    showRows();
    individual_->setChecked(true);
}

void HolidaysPage::createControls() {
    const DialogUnits units(font());
    list_ = new ReportList(this);
    units.place(list_, kListId, 7, 7, 200, 98);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &HolidaysPage::editHoliday);

    units.place(new QGroupBox(QStringLiteral("Команда"), this), 0, 215, 3, 108, 46);
    individual_ = new QRadioButton(QStringLiteral("Индивидуальная"), this);
    units.place(individual_, kIndividualId, 223, 17, 95, 10);
    group_ = new QRadioButton(QStringLiteral("Групповая"), this);
    units.place(group_, kGroupId, 223, 32, 95, 10);

    units.place(
        new QLabel(QStringLiteral(
                       "* редактирование праздников - двойной щелчок мыши по порядковому номеру"),
                   this),
        0, 7, 111, 316, 8);
}

void HolidaysPage::showRow(int index) {
    const HolidayDate& entry = HolidayTable::shared().at(index);
    list_->setRow(index,
                  {QString::number(index), entry.empty() ? kMissing : QString::number(entry.day),
                   entry.empty() ? kMissing : monthName(entry.month)});
}

void HolidaysPage::showRows() {
    for (int i = 0; i < HolidayTable::kCount; ++i) {
        showRow(i);
    }
}

void HolidaysPage::readFromDevice() {
    HolidayTable& table = HolidayTable::shared();
    table.clear();
    showRows();
    WindowCommands commands;
    table.read(commands, [this](int index) { showRow(index); });
}

void HolidaysPage::writeToDevice() {
    const std::size_t slot = individual_->isChecked() ? kSetHoliday : kSetHolidayGroup;
    const HolidayTable& table = HolidayTable::shared();
    // All sixteen, so that an emptied holiday is cleared in the meter as well.
    for (int i = 0; i < HolidayTable::kCount; ++i) {
        const HolidayDate& entry = table.at(i);
        executeCommand(slot, Holiday{i + 1, entry.day, entry.month, 0}, nullptr);
    }
}

void HolidaysPage::readFromFile() {
    const QString path = Application::instance().fileDialogs().openFileName(this, kFileFilter);
    if (path.isEmpty()) {
        return;
    }
    const HolidayTable::LoadResult result = loadHolidaysFile(path, HolidayTable::shared());
    showRows();
    if (result == HolidayTable::LoadResult::Unreadable) {
        showWarning(this, QStringLiteral("Ошибка при загрузке праздников из файла"));
    } else if (result == HolidayTable::LoadResult::Incomplete) {
        showInformation(this, QStringLiteral("Не все данные были успешно прочитаны"));
    }
}

void HolidaysPage::writeToFile() {
    const QString path = Application::instance().fileDialogs().saveFileName(this, kFileFilter,
                                                                            QStringLiteral("day"));
    if (path.isEmpty()) {
        return;
    }
    if (!saveHolidaysFile(path, HolidayTable::shared())) {
        showWarning(this, QStringLiteral("Ошибка при сохранении праздников в файл"));
    }
}

void HolidaysPage::onExchangeBegin() {
    exchanging_ = true;
}

void HolidaysPage::onExchangeEnd() {
    exchanging_ = false;
}

void HolidaysPage::editHoliday(QTreeWidgetItem* item, int column) {
    // While the line is busy the rows belong to the running operation.
    if (exchanging_ || item == nullptr || column != 0) {
        return;
    }
    const int index = list_->indexOfTopLevelItem(item);
    if (index < 0 || index >= HolidayTable::kCount) {
        return;
    }
    HolidayTable& table = HolidayTable::shared();
    HolidayDialog dialog(table.at(index), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    table.set(index, dialog.day(), dialog.month());
    showRow(index);
}

void registerHolidaysPage() {
    PageFactory::instance().add(HolidaysPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<HolidaysPage>(parent);
    });
}

}  // namespace quillet
