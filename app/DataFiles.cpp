#include "app/DataFiles.h"

#include <QFile>
#include <QSaveFile>

#include "meter/AppSettings.h"
#include "protocol/Cp1251.h"

namespace quillet {

bool saveFileBytes(const QString& path, const std::string& bytes) {
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

bool saveTextFile(const QString& path, const QString& text) {
    QString withCrLf = text;
    withCrLf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    withCrLf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return saveFileBytes(path, utf8ToCp1251(withCrLf.toStdString()));
}

QString dataFileHeader(const AppSettings& settings) {
    return QString::asprintf(
        "Групповой пароль: %s\nИндивидуальный пароль: %s\nАдрес: %03d\nКатегория "
        "потребителя: %02d\n",
        settings.groupPassword.c_str(), settings.privatePassword.c_str(), settings.address,
        settings.category);
}

QString dataFileText(const AppSettings& settings, const QString& body) {
    return dataFileHeader(settings) + QLatin1Char('\n') + body;
}

bool saveDataFile(const QString& path, const AppSettings& settings, const QString& body) {
    return saveTextFile(path, dataFileText(settings, body));
}

DataFileReader::DataFileReader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize) {
        return;
    }
    bytes_ = file.read(kMaxFileSize + 1);
    ok_ = file.error() == QFileDevice::NoError && bytes_.size() <= kMaxFileSize;
    if (!ok_) {
        bytes_.clear();
    }
}

void DataFileReader::skipHeader() {
    while (const std::optional<std::string> line = nextLine()) {
        if (line->empty()) {
            return;
        }
    }
}

std::optional<std::string> DataFileReader::nextLine() {
    if (pos_ >= bytes_.size()) {
        return std::nullopt;
    }
    qsizetype end = bytes_.indexOf('\n', pos_);
    const qsizetype next = end < 0 ? bytes_.size() : end + 1;
    end = end < 0 ? bytes_.size() : end;
    if (end > pos_ && bytes_[end - 1] == '\r') {
        --end;
    }
    std::string line(bytes_.constData() + pos_, static_cast<std::size_t>(end - pos_));
    pos_ = next;
    return line;
}

}  // namespace quillet
