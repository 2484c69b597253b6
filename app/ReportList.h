#pragma once

#include <QStringList>
#include <QTreeWidget>
#include <span>

namespace quillet {

struct ReportColumn {
    const char* title;  // UTF-8
    int percent;        // of the width left beside a vertical scroll bar
};

// A list of rows and titled columns: single selection, headers that do not sort, no tree
// decoration. The pages' tables of values.
class ReportList : public QTreeWidget {
public:
    explicit ReportList(QWidget* parent);

    // Sizes the columns from the list's present width, so call it once the list is placed.
    void setColumns(std::span<const ReportColumn> columns);
    // Shows `texts` in row `row`, adding empty rows up to it when needed.
    void setRow(int row, const QStringList& texts);
    // Empty for a cell that does not exist.
    QString text(int row, int column) const;
};

}  // namespace quillet
