#include "app/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace quillet {

QString FileDialogs::toolkitFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
    }
    return filters.join(QStringLiteral(";;"));
}

QString FileDialogs::openFileName(QWidget* parent, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, {}, {}, toolkitFilter(filter));
}

QString FileDialogs::saveFileName(QWidget* parent, const QString& filter,
                                  const QString& defaultExtension) {
    QFileDialog dialog(parent, {}, {}, toolkitFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace quillet
