#include "pages/link/ExchangeLogPage.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <array>
#include <memory>

#include "app/Application.h"
#include "app/DataFiles.h"
#include "app/DialogLayout.h"
#include "app/MessageBoxes.h"
#include "pages/link/LinkPages.h"
#include "protocol/CommandTable.h"
#include "protocol/Cp1251.h"

namespace quillet {

namespace {

// Record titles by tag byte, in the log's code page; the reply and modem tag has none.
const std::array<std::string, 256>& recordTitles() {
    static const std::array<std::string, 256> titles = [] {
        std::array<std::string, 256> made;
        for (std::size_t tag = 0; tag < made.size(); ++tag) {
            if (tag != ExchangeLog::kReplyTag) {
                made[tag] = utf8ToCp1251(commandName(tag)) + ":\r\n";
            }
        }
        return made;
    }();
    return titles;
}

// Where the text begins: after a wrap the oldest record may have lost its start, so the
// walk begins at the next record start; with none, the whole ring is shown.
std::size_t firstShownByte(const ExchangeLog::Snapshot& log) {
    if (!log.wrapped) {
        return 0;
    }
    const std::size_t capacity = log.buffer.size();
    for (std::size_t step = 0; step < capacity; ++step) {
        const std::size_t at = (log.writePosition + step) % capacity;
        if (log.buffer[at] == 0x00) {
            return at;
        }
    }
    return log.writePosition;
}

}  // namespace

std::string renderExchangeLog(const ExchangeLog::Snapshot& log) {
    std::string text;
    const std::size_t capacity = log.buffer.size();
    if (capacity == 0 || (log.writePosition == 0 && !log.wrapped)) {
        return text;
    }
    const std::size_t first = firstShownByte(log);
    const std::size_t count =
        log.wrapped ? (log.writePosition + capacity - first) % capacity : log.writePosition;
    // A wrapped ring whose first byte is the write position is shown once around.
    const std::size_t length = (log.wrapped && count == 0) ? capacity : count;

    const auto& titles = recordTitles();
    // Titles make the text longer than the log, "<CR>" and "<LF>" too.
    text.reserve(length * 2);
    bool tagNext = false;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t byte = log.buffer[(first + i) % capacity];
        if (tagNext) {
            text += titles[byte];
            tagNext = false;
        } else if (byte == 0x00) {
            text += "\r\n";
            tagNext = true;
        } else if (byte == '\n') {
            text += "<LF>";
        } else if (byte == '\r') {
            text += "<CR>";
        } else if (byte < 0x20) {
            text += '.';
        } else {
            text += static_cast<char>(byte);
        }
    }
    return text;
}

ExchangeLogPage::ExchangeLogPage(QWidget* parent) : TabPage(parent) {
    Application::instance().registerFileType(QStringLiteral("log"), QStringLiteral("Протокол"));

    const DialogUnits units(font());
    log_ = new QPlainTextEdit(this);
    setControlId(log_, kLogId);
    log_->setReadOnly(true);
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    units.place(log_, 7, 7, 316, 97);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    // A 16-pixel character cell.
    fixed.setPixelSize(14);
    if (!QFontInfo(fixed).fixedPitch()) {
        fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPixelSize(14);
    }
    log_->setFont(fixed);

    clear_ = new QPushButton(QStringLiteral("Очистить"), this);
    setControlId(clear_, kClearId);
    clear_->setDefault(true);
    units.place(clear_, 273, 109, 50, 14);
    connect(clear_, &QPushButton::clicked, this, &ExchangeLogPage::clearLog);

    // Rendered once the page is placed and shown, so the progress text can be seen.
    QMetaObject::invokeMethod(this, &ExchangeLogPage::renderLog, Qt::QueuedConnection);
}

void ExchangeLogPage::renderLog() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExchangeLog::Snapshot snapshot = Application::instance().port().log().snapshot();
    if (snapshot.writePosition == 0 && !snapshot.wrapped) {
        rendered_.clear();
        log_->clear();
        QApplication::restoreOverrideCursor();
        return;
    }
    log_->setPlainText(QStringLiteral("Обработка протокола..."));
    log_->repaint();

    rendered_ = renderExchangeLog(snapshot);
    QString shown = QString::fromStdString(cp1251ToUtf8(rendered_));
    // The field keeps lines, not their CR LF ends; a lone CR never occurs in the text.
    shown.remove(QLatin1Char('\r'));
    log_->setPlainText(shown);
    log_->moveCursor(QTextCursor::End);
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
    QApplication::restoreOverrideCursor();
}

void ExchangeLogPage::clearLog() {
    Application::instance().port().clearLog();
    // At once, so that a save right after the clearing never writes the old text.
    renderLog();
}

void ExchangeLogPage::writeToFile() {
    Application& app = Application::instance();
    QString header = dataFileText(Application::instance().settings(), {});
    header.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const QString path = app.fileDialogs().saveFileName(
        this, QStringLiteral("Протоколы (*.log)|*.log|Все Файлы (*.*)|*.*||"),
        QStringLiteral("log"));
    if (path.isEmpty()) {
        return;
    }
    // Written byte for byte: the rendered text is already Windows-1251 with CR LF.
    const bool saved = saveFileBytes(path, utf8ToCp1251(header.toStdString()) + rendered_);
    if (!saved) {
        showWarning(this, QStringLiteral("Ошибка при сохранении протокола в файл"));
    }
}

void registerExchangeLogPage() {
    PageFactory::instance().add(ExchangeLogPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<ExchangeLogPage>(parent);
    });
}

}  // namespace quillet
