#pragma once

#include <QPixmap>
#include <QWidget>

namespace quillet {

// One "Монитор:" light: shows its lit or its unlit bitmap. The bitmaps' corner colour is
// their background and stays transparent, so the lamp sits on the window's own colour.
class IndicatorLight : public QWidget {
    Q_OBJECT

public:
    explicit IndicatorLight(QWidget* parent = nullptr);

    // Loads the two bitmap resources (e.g. 137 and 138), replacing earlier ones, and shows
    // the one of the current state. False when either is missing.
    bool setBitmaps(int onId, int offId);
    // Shows the lit or the unlit bitmap; nothing changes on screen when that bitmap is not
    // loaded or already shown.
    void setState(bool on);
    bool state() const { return state_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap on_;
    QPixmap off_;
    QPixmap shown_;
    bool state_ = false;
};

}  // namespace quillet
