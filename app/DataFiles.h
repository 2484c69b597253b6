#pragma once

#include <QString>
#include <memory>
#include <optional>

class QWidget;

namespace quillet {

// Text files of the program: Windows-1251 bytes and CR LF line ends on disk, UTF-8 with
// "\n" in memory. A save writes a temporary file beside the target and renames it over the
// target only after a complete, flushed write, so a failed save leaves the old file.
bool saveTextFile(const QString& path, const QString& text);
// Empty when the file cannot be read. CR LF and lone LF both end a line.
std::optional<QString> loadTextFile(const QString& path);

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
