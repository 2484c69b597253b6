#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace quillet {

// The program's message boxes: caption "Quillet", buttons reading "OK", "Да", "Нет".

// A validation or failure message: exclamation icon, OK.
void showWarning(QWidget* parent, const QString& text);
// A report: information icon, OK.
void showInformation(QWidget* parent, const QString& text);
// A confirmation with Да and Нет; true for Да.
bool askYesNo(QWidget* parent, const QString& text, QMessageBox::Icon icon = QMessageBox::Question);

}  // namespace quillet
