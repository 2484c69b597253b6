#pragma once

#include <QString>

class QWidget;

namespace quillet {

// Where files are chosen. The production dialogs are the toolkit's; tests replace them with
// fixed answers. Filters come in the form "Description|*.ext|Description|*.ext||".
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Empty when the operator cancels.
    virtual QString openFileName(QWidget* parent, const QString& filter);
    virtual QString saveFileName(QWidget* parent, const QString& filter,
                                 const QString& defaultExtension);

    // "a|b|c|d||" in the toolkit's form "a (b);;c (d)".
    static QString toolkitFilter(const QString& filter);
};

}  // namespace quillet
