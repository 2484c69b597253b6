// The graph view: the chart against an image built from the drawing rules pixel by pixel,
// and the bar reported for pointer positions around the edges of the plot area.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <vector>

#include "pages/data/GraphView.h"

namespace quillet {
namespace {

const QRgb kBlack = qRgb(0, 0, 0);

struct Chart {
    QSize size;
    double scaleMax;
    std::vector<double> values;
    std::vector<int> shown;
    std::vector<int> barTops;  // the first row of each bar
    QStringList valueLabels;   // bottom to top
};

// The chart as the rules lay it out; boxes cover columns left..right-1, rows top..bottom-1.
QImage expectedChart(const Chart& c, const QFont& font) {
    const int w = c.size.width(), h = c.size.height();
    QImage image(c.size, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));
    const auto box = [&](int l, int t, int r, int b, QRgb colour) {
        for (int y = t; y < b; ++y) {
            for (int x = l; x < r; ++x) {
                image.setPixel(x, y, colour);
            }
        }
    };
    box(0, 0, w, 1, kBlack), box(0, h - 1, w, h, kBlack);
    box(0, 0, 1, h, kBlack), box(w - 1, 0, w, h, kBlack);
    const int left = 80, top = 10, right = w - 10, bottom = h - 20, n = int(c.values.size());
    box(left, top, right, bottom, qRgb(192, 192, 192));
    std::vector<std::tuple<QRect, int, QString>> texts;
    for (int k = 0; k <= 10; ++k) {
        const int y = bottom - (bottom - top) * k / 10;
        box(left - 2, y, right, y + 1, kBlack);
        texts.emplace_back(QRect(4, y - 20, left - 12, 40), Qt::AlignRight, c.valueLabels[k]);
    }
    texts.emplace_back(QRect(4, top - 20, left - 12, 40), Qt::AlignLeft, "КВт");
    const double step = double(right - left - 1) / std::max(n, 1);
    for (int i = 0; n > 0 && i <= n; ++i) {
        const int x = int(i * step) + left;
        box(x, top, x + 1, bottom + 2, kBlack);
        if (i % 2 == 0) {
            texts.emplace_back(QRect(x - 16, bottom, 32, h - bottom), Qt::AlignHCenter,
                               QString::number(i / 2));
        }
    }
    {
        QPainter painter(&image);
        painter.setFont(font);
        for (const auto& [rect, align, text] : texts) {
            painter.drawText(rect, align | Qt::AlignVCenter | Qt::TextSingleLine, text);
        }
    }
    for (std::size_t i = 0; i < c.values.size(); ++i) {
        box(int(left + double(i) * step) + 1, c.barTops[i], int(left + double(i + 1) * step),
            bottom, c.shown[i] != 0 ? qRgb(0, 0, 255) : qRgb(255, 0, 0));
    }
    return image;
}

TEST(GraphView, DrawsGridLabelsAndBarsPixelForPixel) {
    // clang-format off
    const QStringList fives = {"0", "0.5", "1", "1.5", "2", "2.5", "3", "3.5", "4", "4.5", "5"};
    const QStringList ones = {"0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1"};
    const QStringList halves = {"0", "0.05", "0.1", "0.15", "0.2", "0.25", "0.3", "0.35", "0.4", "0.45", "0.5"};
    // clang-format on
    std::vector<int> alternate;
    for (int i = 0; i < 48; ++i) {
        alternate.push_back(i % 2);
    }
    // Plot rows 10..129: the full value reaches the top line, more is clipped there, 0 and
    // below leave one row above the bottom line, in the bar's colour.
    // clang-format off
    for (const Chart& chart : std::vector<Chart>{
             {{300, 150}, 5, {5, 7, 0, 0, 2.5, -1}, {1, 1, 1, 0, 0, 1}, {10, 10, 129, 129, 69, 129}, fives},
             {{500, 200}, 0.5, std::vector(48, 0.25), alternate, std::vector(48, 94), halves},
             {{200, 120}, 0, {}, {}, {}, ones}}) {  // no bars yet, nor a scale: an empty chart
        // clang-format on
        GraphView view;
        view.resize(chart.size);
        view.setBars(chart.values, chart.shown);
        view.setScaleMax(chart.scaleMax);
        QImage drawn(chart.size, QImage::Format_RGB32);
        view.render(&drawn);
        EXPECT_TRUE(drawn == expectedChart(chart, view.font())) << chart.values.size() << " bars";
    }
}

TEST(GraphView, ReportsTheBarUnderThePointerInsideThePlotAreaOnly) {
    GraphView view;
    view.resize(300, 150);  // plot columns 80..289, rows 10..129
    const std::vector<double> values(48, 1);
    const std::vector<int> shown(48, 1);
    view.setBars(values, shown);
    QSignalSpy hovered(&view, &GraphView::barHovered);
    // clang-format off
    for (const auto& [x, y, bar] : std::vector<std::tuple<int, int, int>>{
             {79, 50, -1}, {80, 50, 0}, {289, 50, 47}, {290, 50, -1}, {150, 9, -1},
             {150, 10, 16}, {150, 129, 16}, {150, 130, -1}, {84, 60, 0}, {85, 60, 1}}) {
        // clang-format on
        hovered.clear();
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        EXPECT_EQ(hovered, bar < 0 ? QList<QVariantList>() : QList<QVariantList>{{bar}})
            << x << "," << y;
    }
}

}  // namespace
}  // namespace quillet
