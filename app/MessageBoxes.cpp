#include "app/MessageBoxes.h"

#include <QPushButton>

namespace quillet {

namespace {

const QString kCaption = QStringLiteral("Quillet");

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, kCaption, text, QMessageBox::NoButton, parent);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

}  // namespace

void showWarning(QWidget* parent, const QString& text) {
    showMessage(parent, QMessageBox::Warning, text);
}

void showInformation(QWidget* parent, const QString& text) {
    showMessage(parent, QMessageBox::Information, text);
}

bool askYesNo(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, kCaption, text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace quillet
