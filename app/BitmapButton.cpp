#include "app/BitmapButton.h"

#include <QPainter>

#include "app/Pictures.h"

namespace quillet {

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {}

bool BitmapButton::loadBitmaps(const QString& caption) {
    auto load = [&caption](char suffix) {
        return QPixmap::fromImage(loadBitmap(caption + QLatin1Char(suffix)));
    };
    setBitmaps(load('U'), load('D'), load('F'), load('X'));
    return !up_.isNull();
}

void BitmapButton::setBitmaps(const QPixmap& up, const QPixmap& down, const QPixmap& focused,
                              const QPixmap& disabled) {
    up_ = up;
    down_ = down;
    focused_ = focused;
    disabled_ = disabled;
    if (!up_.isNull()) {
        setFixedSize(up_.deviceIndependentSize().toSize());
    }
    update();
}

QSize BitmapButton::sizeHint() const {
    return up_.isNull() ? QSize(30, 30) : up_.deviceIndependentSize().toSize();
}

const QPixmap& BitmapButton::current() const {
    const QPixmap* chosen = &up_;
    if (!isEnabled()) {
        chosen = &disabled_;
    } else if (isDown()) {
        chosen = &down_;
    } else if (hasFocus()) {
        chosen = &focused_;
    }
    return chosen->isNull() ? up_ : *chosen;
}

void BitmapButton::paintEvent(QPaintEvent*) {
    const QPixmap& picture = current();
    if (picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture);
}

}  // namespace quillet
