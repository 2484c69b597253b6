#include "app/DialogLayout.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QVariant>
#include <QWidget>
#include <algorithm>

namespace quillet {

namespace {

constexpr char kControlIdProperty[] = "controlId";
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

QFont DialogUnits::dialogFont() {
    QFont font = QApplication::font();
    font.setPointSize(9);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width over the alphabet, rounded, as dialog templates measure it.
    const int alphabetWidth = metrics.horizontalAdvance(QString::fromLatin1(kAlphabet));
    charWidth_ = std::max(1, (alphabetWidth / 26 + 1) / 2);
    charHeight_ = std::max(1, metrics.height());
}

int DialogUnits::x(int units) const {
    return units * charWidth_ / 4;
}
int DialogUnits::y(int units) const {
    return units * charHeight_ / 8;
}

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    return {x(left), y(top), x(width), y(height)};
}

void DialogUnits::place(QWidget* control, int left, int top, int width, int height) const {
    control->setGeometry(rect(left, top, width, height));
}

void DialogUnits::place(QWidget* control, int id, int left, int top, int width, int height) const {
    place(control, left, top, width, height);
    if (id != 0) {
        setControlId(control, id);
    }
}

QString controlName(int id) {
    return QStringLiteral("id%1").arg(id);
}

void setControlId(QWidget* control, int id) {
    control->setObjectName(controlName(id));
    control->setProperty(kControlIdProperty, id);
}

int controlId(const QWidget* control) {
    const QVariant id = control->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : -1;
}

}  // namespace quillet
