#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace quillet {

// A toolbar button drawn entirely by its four bitmaps: up, down (pressed), focused and
// disabled. A missing down, focused or disabled bitmap falls back to the up one.
class BitmapButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit BitmapButton(QWidget* parent = nullptr);

    // Loads the bitmap resources `caption` + "U", "D", "F" and "X" (e.g. "DOWNLOADU") and
    // takes the size of the up bitmap. False when the up bitmap is missing.
    bool loadBitmaps(const QString& caption);
    void setBitmaps(const QPixmap& up, const QPixmap& down, const QPixmap& focused,
                    const QPixmap& disabled);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QPixmap& current() const;

    QPixmap up_;
    QPixmap down_;
    QPixmap focused_;
    QPixmap disabled_;
};

}  // namespace quillet
