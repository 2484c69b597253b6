#include "app/IndicatorLight.h"

#include <QPainter>

#include "app/Pictures.h"

namespace quillet {

namespace {

QPixmap lampPixmap(int id) {
    QImage image = loadBitmap(id);
    if (image.isNull()) {
        return {};
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb background = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == background) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return QPixmap::fromImage(image);
}

}  // namespace

IndicatorLight::IndicatorLight(QWidget* parent) : QWidget(parent) {}

bool IndicatorLight::setBitmaps(int onId, int offId) {
    on_ = lampPixmap(onId);
    off_ = lampPixmap(offId);
    shown_ = state_ ? on_ : off_;
    if (!shown_.isNull()) {
        // A bitmap static takes the size of its picture.
        setFixedSize(shown_.deviceIndependentSize().toSize());
    }
    update();
    return !on_.isNull() && !off_.isNull();
}

void IndicatorLight::setState(bool on) {
    state_ = on;
    const QPixmap& wanted = on ? on_ : off_;
    // The timer sets every light four times a second; only a real change repaints.
    if (wanted.isNull() || wanted.cacheKey() == shown_.cacheKey()) {
        return;
    }
    shown_ = wanted;
    update();
}

QSize IndicatorLight::sizeHint() const {
    return shown_.isNull() ? QSize(16, 16) : shown_.deviceIndependentSize().toSize();
}

void IndicatorLight::paintEvent(QPaintEvent*) {
    if (shown_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, shown_);
}

}  // namespace quillet
