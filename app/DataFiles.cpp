#include "app/DataFiles.h"

#include <QFile>
#include <QFileDialog>
#include <QSaveFile>
#include <QStringList>

#include "protocol/Cp1251.h"

namespace quillet {

bool saveTextFile(const QString& path, const QString& text) {
    QString withCrLf = text;
    withCrLf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    withCrLf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const std::string bytes = utf8ToCp1251(withCrLf.toStdString());
    QSaveFile file(path);
    // Unbuffered: a short write (disk full) must show here, not vanish in a final flush
    // that the commit would not report.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return false;
    }
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<QString> loadTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    QString text = QString::fromStdString(
        cp1251ToUtf8(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

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
