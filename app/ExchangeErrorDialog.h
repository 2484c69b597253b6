#pragma once

#include <QDialog>
#include <atomic>

class QCheckBox;
class QPlainTextEdit;
class QString;

namespace quillet {

// Shown when a command fails: the message, Retry / Skip / Cancel, and the check box that
// switches further reports off. exec() gives kRetry or kSkip (Cancel also gives kSkip,
// after setting the cancel flag).
class ExchangeErrorDialog : public QDialog {
    Q_OBJECT

public:
    enum Id {
        kRetryId = 1,
        kSkipId = 2,
        kCancelId = 1095,
        kReportCheckId = 1058,
        kMessageId = 1059,
    };
    enum Result { kRetry = 1, kSkip = 2 };

    // `errorReport` gives the check box its state and receives it back when the dialog
    // closes; `cancelled` is set by Cancel.
    ExchangeErrorDialog(int& errorReport, std::atomic<bool>& cancelled, QWidget* parent = nullptr);

    // Line ends may be "\r\n".
    void setMessage(const QString& message);

    void accept() override;
    void reject() override;
    void done(int result) override;

private:
    void cancelOperation();

    int& errorReport_;
    std::atomic<bool>& cancelled_;
    QCheckBox* reportCheck_ = nullptr;
    QPlainTextEdit* message_ = nullptr;
};

}  // namespace quillet
