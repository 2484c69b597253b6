#pragma once

#include <QString>
#include <string>

#include "app/TabPage.h"
#include "serial/ExchangeLog.h"

class QPlainTextEdit;
class QPushButton;

namespace quillet {

// The log as the operator reads it, in Windows-1251 bytes with CR LF line ends: every
// record begins on a new line, a request under its command's name and a colon, control
// bytes shown as "<CR>", "<LF>" or ".". After a wrap the text starts at the first whole
// record. Pure, so that the page and the benchmark time the same code.
std::string renderExchangeLog(const ExchangeLog::Snapshot& log);

// The tab "Протокол обмена": the rendered exchange log, its clearing and its *.log file.
class ExchangeLogPage : public TabPage {
public:
    static constexpr int kTemplateId = 132;
    static constexpr int kLogId = 1012;
    static constexpr int kClearId = 1056;

    explicit ExchangeLogPage(QWidget* parent);

    void writeToFile() override;

    // The bytes shown, as rendered (the field's own text loses some, e.g. no-break spaces).
    const std::string& renderedLog() const { return rendered_; }

private:
    void renderLog();
    void clearLog();

    QPlainTextEdit* log_ = nullptr;
    QPushButton* clear_ = nullptr;
    std::string rendered_;
};

}  // namespace quillet
