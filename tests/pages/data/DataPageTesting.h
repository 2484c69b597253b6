#pragma once

// What the data pages' tests share: a fixed clock, file dialogs and files, expected frames.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "PageFixture.h"
#include "ScopedMessageBoxes.h"
#include "app/DataFiles.h"
#include "app/ReportList.h"
#include "protocol/Frame.h"
#include "protocol/LocalClock.h"
#include "protocol/ValueText.h"
#include "sim/Faults.h"
#include "sim/MeterModel.h"

// Failure messages show texts, not bytes.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace quillet::testing {

// The computer's clock stands at `now` while this lives.
struct FixedClock {
    explicit FixedClock(LocalDateTime now) {
        setLocalClock([now] { return now; });
    }
    ~FixedClock() { setLocalClock({}); }
};

// Every file choice answers `path`.
class FixedFileDialogs : public FileDialogs {
public:
    QString openFileName(QWidget*, const QString&) override { return path; }
    QString saveFileName(QWidget*, const QString&, const QString&) override { return path; }
    QString path;
};

using Sent = std::vector<std::pair<std::size_t, std::string>>;  // slot and parameter text

class DataPageFixture : public PageFixture {
protected:
    DataPageFixture() {
        app->settings().errorReport = 0;  // a failed command goes on without a dialog
        app->setFileDialogs(std::unique_ptr<FileDialogs>(dialogs));
    }

    QString fileWith(const std::string& bytes, const QString& name = "in.dat") {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) &&
                    file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()));
        return file.fileName();
    }
    // What a saved data file holds after its header (whose bytes are the saver's own test).
    static std::string fileBody(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const std::string bytes = file.readAll().toStdString();
        return bytes.substr(std::min(bytes.size(), bytes.find("\r\n\r\n") + 4));
    }
    std::vector<std::string> framesSince(std::size_t count) {
        const std::vector<std::string> all = frames();
        return {all.begin() + std::ptrdiff_t(count), all.end()};
    }
    std::vector<std::string> framesOf(const Sent& sent) {
        std::vector<std::string> expected;
        for (const auto& [slot, params] : sent) {
            expected.push_back(buildRequestFrame(slot, params, app->settings().link()).value());
        }
        return expected;
    }

    FixedFileDialogs* dialogs = new FixedFileDialogs;
};

}  // namespace quillet::testing
