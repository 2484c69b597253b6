#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <string>

namespace quillet {

struct AppSettings;

// Text files of the program: Windows-1251 bytes and CR LF line ends on disk, UTF-8 with
// "\n" in memory. A save writes a temporary file beside the target and renames it over the
// target only after a complete, flushed write, so a failed save leaves the old file.
bool saveTextFile(const QString& path, const QString& text);
// Bytes as they are, through the same temporary file and rename.
bool saveFileBytes(const QString& path, const std::string& bytes);

// The four header lines of every data file, naming the passwords, address and category
// the data came from (UTF-8, "\n" line ends).
QString dataFileHeader(const AppSettings& settings);
// A data file: the header, an empty line, then `body`.
QString dataFileText(const AppSettings& settings, const QString& body);
bool saveDataFile(const QString& path, const AppSettings& settings, const QString& body);

// Reads a data file line by line. Lines come as the file's bytes (Windows-1251) without
// their end; CR LF and a lone LF both end a line.
class DataFileReader {
public:
    // No data file comes near this; anything bigger is taken for a wrong choice of file.
    static constexpr qint64 kMaxFileSize = qint64{16} << 20;

    explicit DataFileReader(const QString& path);

    // False when the file could not be opened or read, or is too big to be a data file.
    bool ok() const { return ok_; }
    // Skips the header: the lines up to and including the first empty one (all of them
    // when there is none).
    void skipHeader();
    // Empty at the end of the file.
    std::optional<std::string> nextLine();

private:
    QByteArray bytes_;
    qsizetype pos_ = 0;
    bool ok_ = false;
};
}  // namespace quillet
