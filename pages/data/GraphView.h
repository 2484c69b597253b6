#pragma once

#include <QColor>
#include <QWidget>
#include <span>

namespace quillet {

// The bar chart of the consumption graph: one bar per value on a grey plot area, a value
// grid with labels on the left, an hour grid with labels below. It owns no data: the
// owner hands it its arrays and the top of the value axis and repaints it when they change.
// Moving the mouse over the plot area reports the bar under the pointer.
class GraphView : public QWidget {
    Q_OBJECT

public:
    // Margins of the plot area inside the control.
    static constexpr int kLeftMargin = 80;
    static constexpr int kTopMargin = 10;
    static constexpr int kRightMargin = 10;
    static constexpr int kBottomMargin = 20;

    explicit GraphView(QWidget* parent = nullptr);

    // `values` in kW, `shown` non-zero for a complete bar; the bar count is the shorter
    // of the two. Both must outlive the view or be replaced.
    void setBars(std::span<const double> values, std::span<const int> shown);
    // The value at the top of the plot area; one that is not above 0 draws as 1.
    void setScaleMax(double scaleMax) { scaleMax_ = scaleMax; }
    double scaleMax() const { return scaleMax_; }
    int count() const { return static_cast<int>(values_.size()); }

    QColor completeColour{0, 0, 255};
    QColor incompleteColour{255, 0, 0};

    // Edges of an area: right and bottom are the first pixels outside it.
    struct Edges {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };
    // The plot area of a control of this size.
    static Edges plotArea(const QSize& size);
    // The bar under a position of the control, -1 outside the plot area.
    int barAt(const QPoint& position) const;

signals:
    void barHovered(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    std::span<const double> values_;
    std::span<const int> shown_;
    double scaleMax_ = 0;
};

}  // namespace quillet
