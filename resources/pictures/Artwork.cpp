#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QTransform>
#include <array>
#include <cmath>

namespace picgen {

namespace {

// The sixteen colours by name; the toolbar and lamps use nothing else.
namespace c16 {
const QColor black(0, 0, 0);
const QColor maroon(128, 0, 0);
const QColor green(0, 128, 0);
const QColor olive(128, 128, 0);
const QColor navy(0, 0, 128);
const QColor teal(0, 128, 128);
const QColor silver(192, 192, 192);
const QColor grey(128, 128, 128);
const QColor red(255, 0, 0);
const QColor lime(0, 255, 0);
const QColor yellow(255, 255, 0);
const QColor blue(0, 0, 255);
const QColor white(255, 255, 255);
}  // namespace c16

const QColor kGold(0xf4, 0xc9, 0x5d);
const QColor kDeepGold(0xd9, 0x93, 0x2b);
const QColor kQuillShaft(0x7a, 0x4e, 0x10);
const QColor kSkyLeft(0x10, 0x24, 0x3e);
const QColor kSkyMiddle(0x17, 0x4a, 0x63);
const QColor kSkyRight(0x1f, 0x6e, 0x74);

// A quill feather in `box`, nib at the lower left.
void drawQuill(QPainter& p, const QRectF& box) {
    QTransform unit;
    unit.translate(box.x(), box.y());
    unit.scale(box.width(), box.height());

    QPainterPath vane;
    vane.moveTo(0.20, 0.82);
    vane.cubicTo(0.20, 0.50, 0.48, 0.17, 0.96, 0.02);
    vane.cubicTo(0.88, 0.36, 0.62, 0.66, 0.30, 0.86);
    vane.closeSubpath();
    QLinearGradient fill(box.bottomLeft(), box.topRight());
    fill.setColorAt(0.0, kDeepGold);
    fill.setColorAt(0.7, kGold);
    fill.setColorAt(1.0, QColor(0xfb, 0xe7, 0xa8));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(unit.map(vane));

    // Two splits in the vane, as a real feather has; kept inside it.
    p.save();
    p.setClipPath(unit.map(vane));
    p.setPen(QPen(kDeepGold.darker(135), box.width() * 0.04, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(unit.map(QLineF(0.22, 0.46, 0.38, 0.55)));
    p.drawLine(unit.map(QLineF(0.80, 0.50, 0.64, 0.45)));
    p.restore();

    QPainterPath shaft;
    shaft.moveTo(0.04, 0.99);
    shaft.cubicTo(0.30, 0.70, 0.55, 0.38, 0.93, 0.05);
    p.setPen(QPen(kQuillShaft, std::max(1.0, box.width() * 0.04), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(unit.map(shaft));
}

// The program's name in stroked letters, so that the picture depends on no installed font.
// Letter coordinates: cap height 1, baseline at y = 1.
QPainterPath nameStrokes(QPainterPath& dots) {
    QPainterPath path;
    double x = 0.0;
    const double gap = 0.20;

    // Q
    path.addEllipse(QRectF(x, 0.0, 0.84, 1.0));
    path.moveTo(x + 0.50, 0.74);
    path.lineTo(x + 0.92, 1.10);
    x += 0.84 + gap + 0.04;
    // u
    path.moveTo(x, 0.40);
    path.lineTo(x, 0.78);
    path.cubicTo(x, 1.04, x + 0.46, 1.04, x + 0.46, 0.78);
    path.moveTo(x + 0.46, 0.40);
    path.lineTo(x + 0.46, 1.0);
    x += 0.46 + gap;
    // i
    path.moveTo(x, 0.40);
    path.lineTo(x, 1.0);
    dots.addEllipse(QPointF(x, 0.17), 0.095, 0.095);
    x += gap;
    // l, l
    for (int i = 0; i < 2; ++i) {
        path.moveTo(x, 0.0);
        path.lineTo(x, 0.84);
        path.quadTo(x, 1.0, x + 0.13, 1.0);
        x += 0.13 + gap;
    }
    // e
    path.moveTo(x + 0.02, 0.70);
    path.lineTo(x + 0.48, 0.70);
    path.arcTo(QRectF(x, 0.40, 0.48, 0.60), 0.0, 300.0);
    x += 0.48 + gap;
    // t
    path.moveTo(x + 0.13, 0.10);
    path.lineTo(x + 0.13, 0.84);
    path.quadTo(x + 0.13, 1.0, x + 0.36, 0.98);
    path.moveTo(x, 0.40);
    path.lineTo(x + 0.32, 0.40);
    return path;
}

void drawName(QPainter& p, double left, double baseline, double capHeight) {
    const double slant = 0.18;
    // x' = left + H x + slant H (1 - y), y' = baseline - H (1 - y)
    const QTransform place(capHeight, 0.0, 0.0, -slant * capHeight, capHeight, 0.0,
                           left + slant * capHeight, baseline - capHeight, 1.0);
    QPainterPath dots;
    const QPainterPath strokes = place.map(nameStrokes(dots));
    const QPainterPath dotPath = place.map(dots);
    const double width = capHeight * 0.15;

    for (int layer = 0; layer < 2; ++layer) {
        const bool shadow = layer == 0;
        const QColor ink = shadow ? QColor(0, 0, 0, 110) : QColor(0xf7, 0xf2, 0xe4);
        p.save();
        if (shadow) {
            p.translate(1.5, 2.0);
        }
        p.setPen(QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(strokes);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPath(dotPath);
        p.restore();
    }
}

// A day of half-hour power bars, faint, behind the middle of the banner.
void drawPowerGraph(QPainter& p, double left, double baseline) {
    p.setPen(Qt::NoPen);
    for (int line = 1; line <= 3; ++line) {
        p.fillRect(QRectF(left, baseline - 11.0 * line, 192.0, 1.0), QColor(255, 255, 255, 16));
    }
    for (int i = 0; i < 48; ++i) {
        const double morning = std::exp(-std::pow((i - 15) / 4.0, 2.0));
        const double evening = std::exp(-std::pow((i - 38) / 5.0, 2.0));
        const double ripple = std::pow(std::sin(i * 0.9), 2.0);
        const double height = std::round(5.0 + 13.0 * morning + 23.0 * evening + 3.0 * ripple);
        const QRectF bar(left + 4.0 * i, baseline - height, 3.0, height);
        p.fillRect(bar, QColor(255, 255, 255, 38));
        p.fillRect(QRectF(bar.x(), bar.y(), 3.0, 1.0), QColor(255, 255, 255, 110));
    }
    p.fillRect(QRectF(left - 2.0, baseline, 196.0, 1.0), QColor(255, 255, 255, 80));
}

// Seven-segment digit: bits a..g from bit 0.
void drawDigit(QPainter& p, double x, double y, int digit, const QColor& lit, const QColor& dark) {
    static constexpr std::array<int, 10> kSegments{0x3f, 0x06, 0x5b, 0x4f, 0x66,
                                                   0x6d, 0x7d, 0x07, 0x7f, 0x6f};
    const double w = 6.0;
    const double h = 11.0;
    const double t = 1.6;
    const double half = (h - t) / 2.0;
    const std::array<QRectF, 7> segments{
        QRectF(x + t / 2, y, w - t, t),          // a
        QRectF(x + w - t, y + t / 2, t, half),   // b
        QRectF(x + w - t, y + h / 2, t, half),   // c
        QRectF(x + t / 2, y + h - t, w - t, t),  // d
        QRectF(x, y + h / 2, t, half),           // e
        QRectF(x, y + t / 2, t, half),           // f
        QRectF(x + t / 2, y + half, w - t, t),   // g
    };
    for (int s = 0; s < 7; ++s) {
        p.fillRect(segments[s], (kSegments[digit] >> s) & 1 ? lit : dark);
    }
}

// A stylised electricity meter in `r`.
void drawMeter(QPainter& p, const QRectF& r) {
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0.0, QColor(0xf2, 0xf5, 0xf7));
    body.setColorAt(1.0, QColor(0xb6, 0xc0, 0xc9));
    p.setPen(QPen(QColor(0x22, 0x31, 0x3d), 1.5));
    p.setBrush(body);
    p.drawRoundedRect(r, 6.0, 6.0);

    const QRectF window(r.x() + 6.0, r.y() + 6.0, r.width() - 12.0, 16.0);
    p.setPen(QPen(QColor(0x0a, 0x14, 0x0d), 1.0));
    p.setBrush(QColor(0x13, 0x24, 0x19));
    p.drawRect(window);
    const QColor lit(0xa8, 0xf0, 0x8c);
    const QColor dark(0x22, 0x3c, 0x29);
    static constexpr std::array<int, 6> kReading{0, 2, 8, 6, 4, 3};
    for (int i = 0; i < 6; ++i) {
        const double x = window.x() + 3.5 + i * 9.5;
        drawDigit(p, x, window.y() + 2.5, kReading[i], i == 5 ? QColor(0xff, 0x9a, 0x7a) : lit,
                  dark);
    }
    // Decimal point before the tenths.
    p.fillRect(QRectF(window.x() + 3.5 + 5 * 9.5 - 2.4, window.y() + 12.0, 1.5, 1.5), lit);

    // Pulse lamp and a small bolt.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe5, 0x39, 0x2b));
    p.drawEllipse(QPointF(r.x() + 12.0, r.y() + 30.0), 2.6, 2.6);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(QPointF(r.x() + 11.2, r.y() + 29.2), 0.9, 0.9);
    const std::array<QPointF, 6> bolt{
        QPointF(r.x() + 25.0, r.y() + 25.0), QPointF(r.x() + 20.5, r.y() + 31.5),
        QPointF(r.x() + 23.5, r.y() + 31.5), QPointF(r.x() + 21.0, r.y() + 37.5),
        QPointF(r.x() + 27.5, r.y() + 29.5), QPointF(r.x() + 24.2, r.y() + 29.5)};
    p.setBrush(QColor(0xf2, 0xa5, 0x16));
    p.drawPolygon(bolt.data(), static_cast<int>(bolt.size()));
    // Name plate lines.
    for (int i = 0; i < 3; ++i) {
        p.fillRect(QRectF(r.x() + 34.0, r.y() + 26.0 + 3.5 * i, i == 2 ? 22.0 : 34.0, 1.2),
                   QColor(0x6d, 0x7a, 0x86));
    }

    // Terminal cover with four screws.
    const QRectF cover(r.x() + 4.0, r.bottom() - 12.0, r.width() - 8.0, 8.0);
    p.setBrush(QColor(0x74, 0x82, 0x8e));
    p.drawRoundedRect(cover, 2.0, 2.0);
    p.setBrush(QColor(0xdc, 0xe2, 0xe7));
    for (int i = 0; i < 4; ++i) {
        p.drawEllipse(
            QPointF(cover.x() + 10.0 + i * (cover.width() - 20.0) / 3.0, cover.center().y()), 2.0,
            2.0);
    }
}

// The small meter that the device buttons show, 12 x 10 at (x, y).
void drawMiniMeter(QPainter& p, int x, int y) {
    p.fillRect(x, y, 12, 10, c16::white);
    p.setPen(c16::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(x, y, 11, 9);
    p.fillRect(x + 2, y + 2, 8, 3, c16::black);
    for (int i = 0; i < 3; ++i) {
        p.fillRect(x + 3 + 2 * i, y + 3, 1, 1, c16::lime);
    }
    p.fillRect(x + 2, y + 7, 1, 1, c16::red);
    p.fillRect(x + 5, y + 7, 5, 1, c16::grey);
}

void drawPolygon(QPainter& p, std::initializer_list<QPoint> points, const QColor& fill) {
    p.setPen(c16::black);
    p.setBrush(fill);
    const QPolygon polygon{QList<QPoint>(points)};
    p.drawPolygon(polygon);
}

// The picture of one tool on a transparent 22 x 22 ground.
QImage drawGlyph(Tool tool) {
    QImage glyph(22, 22, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    switch (tool) {
        case Tool::Download:
            drawMiniMeter(p, 5, 0);
            drawPolygon(
                p, {{9, 11}, {12, 11}, {12, 15}, {16, 15}, {11, 20}, {10, 20}, {5, 15}, {9, 15}},
                c16::lime);
            break;
        case Tool::Upload:
            drawMiniMeter(p, 5, 0);
            drawPolygon(
                p, {{10, 11}, {11, 11}, {16, 16}, {12, 16}, {12, 20}, {9, 20}, {9, 16}, {5, 16}},
                c16::red);
            break;
        case Tool::Open:
            drawPolygon(p, {{1, 4}, {7, 4}, {9, 6}, {17, 6}, {17, 18}, {1, 18}}, c16::olive);
            p.fillRect(4, 2, 10, 8, c16::white);
            p.setPen(c16::black);
            p.setBrush(Qt::NoBrush);
            p.drawRect(4, 2, 10, 8);
            p.fillRect(6, 4, 6, 1, c16::grey);
            p.fillRect(6, 6, 6, 1, c16::grey);
            drawPolygon(p, {{1, 18}, {5, 10}, {21, 10}, {17, 18}}, c16::yellow);
            break;
        case Tool::Save:
            drawPolygon(p, {{1, 1}, {18, 1}, {20, 3}, {20, 20}, {1, 20}}, c16::navy);
            p.fillRect(4, 2, 13, 8, c16::white);
            p.fillRect(6, 4, 9, 1, c16::grey);
            p.fillRect(6, 6, 9, 1, c16::grey);
            p.fillRect(6, 13, 10, 7, c16::silver);
            p.fillRect(12, 14, 2, 5, c16::navy);
            break;
        case Tool::Exit:
            p.fillRect(3, 1, 9, 20, c16::black);
            p.setPen(c16::grey);
            p.setBrush(Qt::NoBrush);
            p.drawRect(2, 0, 10, 20);
            drawPolygon(p, {{3, 1}, {8, 3}, {8, 21}, {3, 20}}, c16::maroon);
            p.fillRect(6, 11, 1, 2, c16::yellow);
            drawPolygon(p, {{11, 9}, {15, 9}, {15, 6}, {20, 11}, {15, 16}, {15, 13}, {11, 13}},
                        c16::red);
            break;
        case Tool::Help: {
            p.setPen(c16::navy);
            p.setBrush(c16::blue);
            p.drawEllipse(1, 1, 19, 19);
            // Question mark, pixel by pixel rows (x from, x to inclusive).
            static constexpr std::array<std::array<int, 3>, 13> kMark{{{5, 8, 13},
                                                                       {6, 7, 14},
                                                                       {7, 7, 9},
                                                                       {7, 12, 14},
                                                                       {8, 12, 14},
                                                                       {9, 11, 13},
                                                                       {10, 10, 12},
                                                                       {11, 9, 11},
                                                                       {12, 9, 11},
                                                                       {13, 9, 11},
                                                                       {15, 9, 11},
                                                                       {16, 9, 11},
                                                                       {17, 9, 11}}};
            for (const auto& [y, from, to] : kMark) {
                p.fillRect(from, y, to - from + 1, 1, c16::white);
            }
            break;
        }
    }
    return glyph;
}

bool isInk(QRgb pixel) {
    return qAlpha(pixel) != 0 && qGray(pixel) < 128;
}

}  // namespace

QImage drawBanner() {
    QImage image(508, 60, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0.0, 0.0, 508.0, 0.0);
    sky.setColorAt(0.0, kSkyLeft);
    sky.setColorAt(0.55, kSkyMiddle);
    sky.setColorAt(1.0, kSkyRight);
    p.fillRect(image.rect(), sky);
    QLinearGradient gloss(0.0, 0.0, 0.0, 60.0);
    gloss.setColorAt(0.0, QColor(255, 255, 255, 40));
    gloss.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.fillRect(image.rect(), gloss);

    drawPowerGraph(p, 212.0, 52.0);
    drawQuill(p, QRectF(10.0, 6.0, 44.0, 47.0));
    drawName(p, 62.0, 43.0, 31.0);
    drawMeter(p, QRectF(420.0, 4.0, 80.0, 51.0));

    p.fillRect(QRectF(0.0, 58.0, 508.0, 2.0), kDeepGold);
    return image;
}

QImage drawToolbarPicture(Tool tool, ButtonState state) {
    QImage image(30, 30, QImage::Format_RGB32);
    image.fill(c16::silver);
    QPainter p(&image);
    const int last = 29;

    // Bevel: raised for up, focused and disabled, sunken for down. The focused button
    // also gets the black default frame around it.
    int inset = 0;
    if (state == ButtonState::Focused || state == ButtonState::Down) {
        p.setPen(c16::black);
        p.drawRect(0, 0, last, last);
        inset = 1;
    }
    if (state == ButtonState::Down) {
        p.setPen(c16::grey);
        p.drawLine(inset, inset, last - inset, inset);
        p.drawLine(inset, inset, inset, last - inset);
    } else {
        p.setPen(c16::white);
        p.drawLine(inset, inset, last - inset - 1, inset);
        p.drawLine(inset, inset, inset, last - inset - 1);
        p.setPen(c16::black);
        p.drawLine(inset, last - inset, last - inset, last - inset);
        p.drawLine(last - inset, inset, last - inset, last - inset);
        p.setPen(c16::grey);
        p.drawLine(inset + 1, last - inset - 1, last - inset - 1, last - inset - 1);
        p.drawLine(last - inset - 1, inset + 1, last - inset - 1, last - inset - 1);
    }

    const QImage glyph = drawGlyph(tool);
    const int shift = state == ButtonState::Down ? 1 : 0;
    if (state == ButtonState::Disabled) {
        // Etched: the dark strokes of the picture in grey over a white shadow.
        for (int pass = 0; pass < 2; ++pass) {
            const int offset = pass == 0 ? 1 : 0;
            for (int y = 0; y < glyph.height(); ++y) {
                for (int x = 0; x < glyph.width(); ++x) {
                    if (isInk(glyph.pixel(x, y))) {
                        image.setPixelColor(4 + x + offset, 4 + y + offset,
                                            pass == 0 ? c16::white : c16::grey);
                    }
                }
            }
        }
    } else {
        p.drawImage(4 + shift, 4 + shift, glyph);
    }

    if (state == ButtonState::Focused) {
        // Dotted focus rectangle just inside the bevel.
        for (int i = 3; i <= last - 3; i += 2) {
            image.setPixelColor(i, 3, c16::black);
            image.setPixelColor(i, last - 3, c16::black);
            image.setPixelColor(3, i, c16::black);
            image.setPixelColor(last - 3, i, c16::black);
        }
    }
    return image;
}

QImage drawLamp(Lamp lamp) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(c16::silver);
    QPainter p(&image);
    QColor shade = c16::grey;
    QColor face = c16::grey;
    switch (lamp) {
        case Lamp::Red:
            shade = c16::maroon;
            face = c16::red;
            break;
        case Lamp::Green:
            shade = c16::green;
            face = c16::lime;
            break;
        case Lamp::Grey:
            break;
    }
    p.setPen(c16::black);
    p.setBrush(shade);
    p.drawEllipse(1, 1, 13, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawEllipse(3, 3, 9, 9);
    p.fillRect(5, 4, 2, 1, c16::white);
    p.fillRect(4, 5, 1, 2, c16::white);
    p.fillRect(5, 5, 1, 1, c16::white);
    return image;
}

QImage drawProgramIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QRectF tile(s * 0.03, s * 0.03, s * 0.94, s * 0.94);
    QLinearGradient ground(tile.topLeft(), tile.bottomRight());
    ground.setColorAt(0.0, kSkyLeft);
    ground.setColorAt(1.0, kSkyRight);
    p.setPen(QPen(kDeepGold, std::max(1.0, s / 24.0)));
    p.setBrush(ground);
    p.drawRoundedRect(tile, s * 0.18, s * 0.18);
    drawQuill(p, QRectF(s * 0.16, s * 0.10, s * 0.70, s * 0.78));
    return image;
}

}  // namespace picgen
