#include "pages/data/GraphView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "protocol/ValueText.h"

namespace quillet {

namespace {

using Edges = GraphView::Edges;

const QColor kPlotColour(192, 192, 192);

// Areas and lines below follow the convention that right and bottom edges lie outside:
// a box from (l, t) to (r, b) covers columns l..r-1 and rows t..b-1.
void fillBox(QPainter& painter, int left, int top, int right, int bottom, const QColor& colour) {
    if (right > left && bottom > top) {
        painter.fillRect(QRect(left, top, right - left, bottom - top), colour);
    }
}

void horizontalLine(QPainter& painter, int fromX, int toX, int y) {
    fillBox(painter, fromX, y, toX, y + 1, Qt::black);
}

void verticalLine(QPainter& painter, int x, int fromY, int toY) {
    fillBox(painter, x, fromY, x + 1, toY, Qt::black);
}

void text(QPainter& painter, int left, int top, int right, int bottom, int alignment,
          const std::string& content) {
    if (right <= left || bottom <= top) {
        return;
    }
    painter.drawText(QRect(left, top, right - left, bottom - top),
                     alignment | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromStdString(content));
}

// The top row of bar `value` in a plot of `height` rows ending above row `bottom`. The
// height is bounded before it becomes an integer: a value far above the scale (or not a
// number) must not overflow the conversion.
int barTop(const Edges& plot, double scale, double value) {
    const double raw = (plot.bottom - plot.top) / scale * value;
    const double height =
        std::isnan(raw) ? 0.0 : std::clamp(raw, -1.0, double(plot.bottom - plot.top) + 1.0);
    const int top = plot.bottom - static_cast<int>(height) - 1;
    if (top < plot.top) {
        return plot.top;
    }
    return top >= plot.bottom ? plot.bottom - 1 : top;
}

}  // namespace

GraphView::GraphView(QWidget* parent) : QWidget(parent) {
    // The charts' small variable-pitch font, whatever the dialog around them uses.
    QFont small = QApplication::font();
    small.setPointSize(8);
    setFont(small);
    setMouseTracking(true);
}

void GraphView::setBars(std::span<const double> values, std::span<const int> shown) {
    const std::size_t count = std::min(values.size(), shown.size());
    values_ = values.first(count);
    shown_ = shown.first(count);
}

GraphView::Edges GraphView::plotArea(const QSize& size) {
    return {kLeftMargin, kTopMargin, size.width() - kRightMargin, size.height() - kBottomMargin};
}

int GraphView::barAt(const QPoint& position) const {
    const Edges plot = plotArea(size());
    const int x = position.x();
    const int y = position.y();
    if (count() == 0 || x < plot.left || x >= plot.right || y < plot.top || y >= plot.bottom) {
        return -1;
    }
    return (x - plot.left) * count() / (plot.right - plot.left);
}

void GraphView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);

    const int width = this->width();
    const int height = this->height();
    const Edges plot = plotArea(size());
    const double scale = scaleMax_ > 0 && std::isfinite(scaleMax_) ? scaleMax_ : 1.0;

    // White client area in a black one-pixel frame.
    fillBox(painter, 0, 0, width, height, Qt::white);
    horizontalLine(painter, 0, width, 0);
    horizontalLine(painter, 0, width, height - 1);
    verticalLine(painter, 0, 0, height);
    verticalLine(painter, width - 1, 0, height);

    fillBox(painter, plot.left, plot.top, plot.right, plot.bottom, kPlotColour);

    for (int k = 0; k <= 10; ++k) {
        const int y = plot.bottom - (plot.bottom - plot.top) * k / 10;
        horizontalLine(painter, plot.left - 2, plot.right, y);
        text(painter, 4, y - 20, plot.left - 8, y + 20, Qt::AlignRight,
             formatDouble(k * scale * 0.1));
    }
    // The unit shares the box of the top value, at its other end.
    text(painter, 4, plot.top - 20, plot.left - 8, plot.top + 20, Qt::AlignLeft, "КВт");

    const int count = this->count();
    if (count == 0) {
        return;
    }
    const double step = double(plot.right - plot.left - 1) / count;
    for (int n = 0; n <= count; ++n) {
        const int x = static_cast<int>(n * step) + plot.left;
        verticalLine(painter, x, plot.top, plot.bottom + 2);
        if (n % 2 == 0) {
            text(painter, x - 16, plot.bottom, x + 16, height, Qt::AlignHCenter,
                 std::to_string(n / 2));
        }
    }

    // Over the grid: each bar starts one pixel right of its grid line.
    for (int i = 0; i < count; ++i) {
        const double value = values_[static_cast<std::size_t>(i)];
        fillBox(painter, static_cast<int>(plot.left + i * step) + 1, barTop(plot, scale, value),
                static_cast<int>(plot.left + (i + 1) * step), plot.bottom,
                shown_[static_cast<std::size_t>(i)] != 0 ? completeColour : incompleteColour);
    }
}

void GraphView::mouseMoveEvent(QMouseEvent* event) {
    const int bar = barAt(event->position().toPoint());
    if (bar >= 0) {
        emit barHovered(bar);
    }
    QWidget::mouseMoveEvent(event);
}

}  // namespace quillet
