#include "app/ReportList.h"

#include <QHeaderView>
#include <QStyle>

namespace quillet {

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
}

void ReportList::setColumns(std::span<const ReportColumn> columns) {
    const int width =
        contentsRect().width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    QStringList titles;
    for (const ReportColumn& column : columns) {
        titles << QString::fromUtf8(column.title);
    }
    setColumnCount(static_cast<int>(columns.size()));
    setHeaderLabels(titles);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        setColumnWidth(static_cast<int>(i), width * columns[i].percent / 100);
        headerItem()->setTextAlignment(static_cast<int>(i), Qt::AlignLeft | Qt::AlignVCenter);
    }
}

void ReportList::setRow(int row, const QStringList& texts) {
    while (topLevelItemCount() <= row) {
        addTopLevelItem(new QTreeWidgetItem(this));
    }
    QTreeWidgetItem* item = topLevelItem(row);
    for (int column = 0; column < texts.size(); ++column) {
        item->setText(column, texts[column]);
    }
}

QString ReportList::text(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->text(column) : QString();
}

}  // namespace quillet
