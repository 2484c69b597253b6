#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <deque>

namespace quillet::testing {

// Answers every message box while it lives: the next queued button text, else "OK";
// keeps the texts shown.
class ScopedMessageBoxes {
public:
    explicit ScopedMessageBoxes(std::deque<QString> answers = {}) : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible()) {
                return;
            }
            texts.push_back(box->text());
            QString answer = QStringLiteral("OK");
            if (box->buttons().size() > 1 && !answers_.empty()) {
                answer = answers_.front();
                answers_.pop_front();
            }
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == answer) {
                    button->click();
                    return;
                }
            }
        });
        timer_.start(10);
    }

    QStringList texts;

private:
    std::deque<QString> answers_;
    QTimer timer_;
};

}  // namespace quillet::testing
