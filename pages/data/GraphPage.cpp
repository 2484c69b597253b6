#include "pages/data/GraphPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>

#include "app/Application.h"
#include "app/DataFiles.h"
#include "app/DialogLayout.h"
#include "app/MessageBoxes.h"
#include "app/Transaction.h"
#include "pages/data/DataPages.h"
#include "pages/data/DateTimeEdits.h"
#include "pages/data/GraphView.h"

namespace quillet {

namespace {

const QString kFileFilter = QStringLiteral("График (*.plt)|*.plt|Все Файлы (*.*)|*.*||");

}  // namespace

// --- GraphPage -------------------------------------------------------------------------

GraphPage::GraphPage(QWidget* parent) : TabPage(parent) {
    Application::instance().registerFileType(QStringLiteral("plt"), QStringLiteral("График"));
    createControls();
    HalfHourGraph& graph = HalfHourGraph::shared();
    fillGaps_->setChecked(graph.fillGaps);
    date_->setDate(graph.day, graph.month, 0);
    view_->setBars(graph.power, graph.shown);
    graph.updateScaleMax();
    view_->setScaleMax(graph.scaleMax);
    showInfo(0);
    progress_->setRange(0, HalfHourGraph::kReadings);
    progress_->setValue(0);
    connect(view_, &GraphView::barHovered, this, &GraphPage::showInfo);
}

GraphPage::~GraphPage() {
    HalfHourGraph& graph = HalfHourGraph::shared();
    // What the operator typed and chose outlives the page; a text that is no date leaves
    // the graph date as it was.
    date_->getDate(graph.day, graph.month, true);
    graph.fillGaps = fillGaps_->isChecked();
}

void GraphPage::createControls() {
    const DialogUnits units(font());
    units.place(new QLabel(QStringLiteral("Дата:"), this), 0, 7, 6, 22, 8);
    date_ = new DateEdit(this);
    date_->setWithYear(false);
    units.place(date_, kDateId, 30, 4, 40, 12);
    fillGaps_ = new QCheckBox(QStringLiteral("Полные данные"), this);
    units.place(fillGaps_, kFillGapsId, 82, 5, 70, 10);
    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    units.place(progress_, kProgressId, 163, 5, 160, 10);

    view_ = new GraphView(this);
    units.place(view_, kGraphId, 7, 20, 316, 94);
    info_ = new QLabel(this);
    units.place(info_, kInfoId, 7, 118, 316, 8);
}

void GraphPage::showInfo(int k) {
    info_->setText(QString::fromStdString(HalfHourGraph::shared().infoText(k)));
}

void GraphPage::showGraph() {
    view_->setScaleMax(HalfHourGraph::shared().scaleMax);
    view_->repaint();
}

bool GraphPage::takeDate() {
    HalfHourGraph& graph = HalfHourGraph::shared();
    // An empty field keeps the graph date.
    if (!date_->getDate(graph.day, graph.month, false)) {
        showWarning(this, QStringLiteral("Неверное задание даты"));
        return false;
    }
    return true;
}

void GraphPage::readFromDevice() {
    HalfHourGraph& graph = HalfHourGraph::shared();
    graph.fillGaps = fillGaps_->isChecked();
    if (!takeDate()) {
        return;
    }
    graph.clearValues();
    showGraph();

    progress_->setRange(0, HalfHourGraph::kReadings);
    WindowCommands commands;
    graph.read(commands, [this](int done) { progress_->setValue(done); });
    progress_->setValue(0);
    showGraph();
}

void GraphPage::readFromFile() {
    const QString path = Application::instance().fileDialogs().openFileName(this, kFileFilter);
    if (path.isEmpty()) {
        return;
    }
    HalfHourGraph& graph = HalfHourGraph::shared();
    DataFileReader reader(path);
    // Checked before anything is emptied: a file that cannot be read must not cost the
    // operator the graph on the screen.
    if (!reader.ok()) {
        showGraph();
        showWarning(this, QStringLiteral("Ошибка при загрузке графика из файла"));
        return;
    }
    reader.skipHeader();
    const HalfHourGraph::LoadOutcome outcome =
        graph.loadFileLines([&reader] { return reader.nextLine(); });
    if (outcome.dateRead) {
        date_->setDate(graph.day, graph.month, 0);
    }
    showGraph();
    if (outcome.result == HalfHourGraph::LoadResult::InvalidDate) {
        showWarning(this, QStringLiteral("Ошибка при загрузке графика из файла"));
    } else if (outcome.result == HalfHourGraph::LoadResult::Incomplete) {
        showInformation(this, QStringLiteral("Не все данные были успешно прочитаны"));
    }
}

void GraphPage::writeToFile() {
    if (!takeDate()) {
        return;
    }
    const QString path = Application::instance().fileDialogs().saveFileName(this, kFileFilter,
                                                                            QStringLiteral("plt"));
    if (path.isEmpty()) {
        return;
    }
    if (!saveDataFile(path, Application::instance().settings(),
                      QString::fromStdString(HalfHourGraph::shared().fileBody()))) {
        showWarning(this, QStringLiteral("Ошибка при сохранении графика в файл"));
    }
}

void GraphPage::onExchangeBegin() {
    date_->setEnabled(false);
}

void GraphPage::onExchangeEnd() {
    date_->setEnabled(true);
}

void registerGraphPage() {
    PageFactory::instance().add(GraphPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<GraphPage>(parent);
    });
}

}  // namespace quillet
