#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>

namespace quillet::testing {

// Runs `action` on the next modal widget (message box or dialog) once it is shown: the
// code under test blocks in its exec(), so the answer has to come from the event loop.
inline void whenModalAppears(std::function<void(QWidget*)> action, int timeoutMs = 5000) {
    // Owned by the application, so a timer whose modal never came goes with it.
    auto* timer = new QTimer(qApp);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, action, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        *waited += 10;
        if (modal != nullptr && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        } else if (*waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

// Clicks the button reading `buttonText` on the next message box; its text lands in `seen`.
inline void answerMessageBox(const QString& buttonText, QString* seen = nullptr) {
    whenModalAppears([buttonText, seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            return;
        }
        if (seen != nullptr) {
            *seen = box->text();
        }
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == buttonText) {
                button->click();
                return;
            }
        }
    });
}

}  // namespace quillet::testing
