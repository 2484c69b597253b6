#include "app/ExchangeErrorDialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

#include "app/DialogLayout.h"

namespace quillet {

ExchangeErrorDialog::ExchangeErrorDialog(int& errorReport, std::atomic<bool>& cancelled,
                                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      errorReport_(errorReport),
      cancelled_(cancelled) {
    setWindowTitle(QStringLiteral("Quillet"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits units(font());
    setFixedSize(units.x(284), units.y(76));

    auto* icon = new QLabel(this);
    const QRect iconRect = units.rect(4, 4, 20, 20);
    icon->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconRect.size()));
    icon->setAlignment(Qt::AlignCenter);
    icon->setGeometry(iconRect);

    message_ = new QPlainTextEdit(this);
    setControlId(message_, kMessageId);
    message_->setReadOnly(true);
    message_->setTabChangesFocus(true);
    message_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    units.place(message_, 33, 4, 247, 44);

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    units.place(separator, 4, 53, 276, 1);

    reportCheck_ = new QCheckBox(QStringLiteral("Сообщать об ошибках далее"), this);
    setControlId(reportCheck_, kReportCheckId);
    reportCheck_->setChecked(errorReport_ != 0);
    units.place(reportCheck_, 5, 59, 113, 10);

    auto* cancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    setControlId(cancelButton, kCancelId);
    units.place(cancelButton, 122, 58, 50, 14);
    auto* retryButton = new QPushButton(QStringLiteral("Повтор"), this);
    setControlId(retryButton, kRetryId);
    units.place(retryButton, 176, 58, 50, 14);
    auto* skipButton = new QPushButton(QStringLiteral("Пропуск"), this);
    setControlId(skipButton, kSkipId);
    units.place(skipButton, 230, 58, 50, 14);

    retryButton->setDefault(true);
    connect(retryButton, &QPushButton::clicked, this, &ExchangeErrorDialog::accept);
    connect(skipButton, &QPushButton::clicked, this, &ExchangeErrorDialog::reject);
    connect(cancelButton, &QPushButton::clicked, this, &ExchangeErrorDialog::cancelOperation);

    // The buttons in the order they read, then the check box and the message.
    setTabOrder(cancelButton, retryButton);
    setTabOrder(retryButton, skipButton);
    setTabOrder(skipButton, reportCheck_);
    setTabOrder(reportCheck_, message_);
    // Enter repeats the command from the start.
    retryButton->setFocus();
}

void ExchangeErrorDialog::setMessage(const QString& message) {
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    message_->setPlainText(text);
}

void ExchangeErrorDialog::accept() {
    done(kRetry);
}

// Esc and the close box skip the command, as the button does.
void ExchangeErrorDialog::reject() {
    done(kSkip);
}

void ExchangeErrorDialog::cancelOperation() {
    cancelled_ = true;
    reject();
}

// Every way of closing ends here, so the check box always reaches the setting.
void ExchangeErrorDialog::done(int result) {
    errorReport_ = reportCheck_->isChecked() ? 1 : 0;
    QDialog::done(result);
}

}  // namespace quillet
