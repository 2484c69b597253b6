#include "Indexed.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <vector>

namespace picgen {

namespace {

struct Entry {
    QRgb colour;
    std::uint64_t count;
};

struct Box {
    std::size_t begin;
    std::size_t end;
};

int channel(QRgb colour, int axis) {
    switch (axis) {
        case 0:
            return qRed(colour);
        case 1:
            return qGreen(colour);
        default:
            return qBlue(colour);
    }
}

int distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b);
    const int dg = qGreen(a) - qGreen(b);
    const int db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

void put16(QByteArray& out, int value) {
    std::array<char, 2> bytes{};
    qToLittleEndian(static_cast<quint16>(value), bytes.data());
    out.append(bytes.data(), 2);
}

void put32(QByteArray& out, qint64 value) {
    std::array<char, 4> bytes{};
    qToLittleEndian(static_cast<quint32>(value), bytes.data());
    out.append(bytes.data(), 4);
}

}  // namespace

QList<QRgb> sixteenColours() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

QImage mapToPalette(const QImage& rgb, const QList<QRgb>& palette) {
    const QImage source = rgb.convertToFormat(QImage::Format_RGB32);
    QImage indexed(source.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    std::map<QRgb, uchar> nearest;
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            const QRgb colour = in[x] & 0xffffffu;
            auto found = nearest.find(colour);
            if (found == nearest.end()) {
                int best = 0;
                for (int i = 1; i < palette.size(); ++i) {
                    if (distance(colour, palette[i]) < distance(colour, palette[best])) {
                        best = i;
                    }
                }
                found = nearest.emplace(colour, static_cast<uchar>(best)).first;
            }
            out[x] = found->second;
        }
    }
    return indexed;
}

QList<QRgb> medianCutPalette(const QImage& rgb, int colours) {
    const QImage source = rgb.convertToFormat(QImage::Format_RGB32);
    std::map<QRgb, std::uint64_t> histogram;
    for (int y = 0; y < source.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            ++histogram[line[x] & 0xffffffu];
        }
    }
    std::vector<Entry> entries;
    entries.reserve(histogram.size());
    for (const auto& [colour, count] : histogram) {
        entries.push_back({colour, count});
    }

    std::vector<Box> boxes{{0, entries.size()}};
    while (boxes.size() < static_cast<std::size_t>(colours)) {
        // Split the box where most pixels spread over the widest range: that is where the
        // eye sees banding first.
        std::size_t best = boxes.size();
        std::uint64_t bestScore = 0;
        int bestAxis = 0;
        for (std::size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].end - boxes[b].begin < 2) {
                continue;
            }
            std::array<int, 3> low{255, 255, 255};
            std::array<int, 3> high{0, 0, 0};
            std::uint64_t population = 0;
            for (std::size_t i = boxes[b].begin; i < boxes[b].end; ++i) {
                for (int axis = 0; axis < 3; ++axis) {
                    low[axis] = std::min(low[axis], channel(entries[i].colour, axis));
                    high[axis] = std::max(high[axis], channel(entries[i].colour, axis));
                }
                population += entries[i].count;
            }
            int axis = 0;
            for (int a = 1; a < 3; ++a) {
                if (high[a] - low[a] > high[axis] - low[axis]) {
                    axis = a;
                }
            }
            const std::uint64_t score =
                population * static_cast<std::uint64_t>(high[axis] - low[axis]);
            if (score > bestScore) {
                best = b;
                bestScore = score;
                bestAxis = axis;
            }
        }
        if (best == boxes.size()) {
            break;
        }
        const Box box = boxes[best];
        const auto first = entries.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = entries.begin() + static_cast<std::ptrdiff_t>(box.end);
        // Colours are distinct, so ordering by the axis and then by the whole value is total
        // and the split does not depend on the sort algorithm.
        std::sort(first, last, [bestAxis](const Entry& a, const Entry& b) {
            const int ca = channel(a.colour, bestAxis);
            const int cb = channel(b.colour, bestAxis);
            return ca != cb ? ca < cb : a.colour < b.colour;
        });
        std::uint64_t population = 0;
        for (auto it = first; it != last; ++it) {
            population += it->count;
        }
        std::size_t split = box.begin + 1;
        std::uint64_t below = entries[box.begin].count;
        while (split < box.end - 1 && below * 2 < population) {
            below += entries[split].count;
            ++split;
        }
        boxes[best] = {box.begin, split};
        boxes.push_back({split, box.end});
    }

    QList<QRgb> palette;
    for (const Box& box : boxes) {
        std::array<std::uint64_t, 3> sum{};
        std::uint64_t population = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            for (int axis = 0; axis < 3; ++axis) {
                sum[axis] +=
                    static_cast<std::uint64_t>(channel(entries[i].colour, axis)) * entries[i].count;
            }
            population += entries[i].count;
        }
        if (population == 0) {
            continue;
        }
        auto mean = [&](int axis) {
            return static_cast<int>((sum[axis] + population / 2) / population);
        };
        palette.append(qRgb(mean(0), mean(1), mean(2)));
    }
    while (palette.size() < colours) {
        palette.append(qRgb(0, 0, 0));
    }
    return palette;
}

QByteArray encodeBmp(const QImage& indexed, int bitsPerPixel) {
    if (indexed.format() != QImage::Format_Indexed8 || (bitsPerPixel != 4 && bitsPerPixel != 8) ||
        indexed.colorCount() > (1 << bitsPerPixel)) {
        throw std::invalid_argument("encodeBmp: not an indexed picture of that depth");
    }
    const int width = indexed.width();
    const int height = indexed.height();
    const qint64 stride = ((static_cast<qint64>(width) * bitsPerPixel + 31) / 32) * 4;
    const qint64 tableBytes = 4LL * indexed.colorCount();
    const qint64 bitsOffset = 14 + 40 + tableBytes;
    const qint64 imageBytes = stride * height;

    QByteArray out;
    out.reserve(static_cast<qsizetype>(bitsOffset + imageBytes));
    // BITMAPFILEHEADER
    out.append("BM", 2);
    put32(out, bitsOffset + imageBytes);
    put16(out, 0);
    put16(out, 0);
    put32(out, bitsOffset);
    // BITMAPINFOHEADER; 2835 pixels per metre is 72 dots per inch.
    put32(out, 40);
    put32(out, width);
    put32(out, height);
    put16(out, 1);
    put16(out, bitsPerPixel);
    put32(out, 0);
    put32(out, imageBytes);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, indexed.colorCount());
    put32(out, 0);
    for (const QRgb colour : indexed.colorTable()) {
        const std::array<char, 4> quad{static_cast<char>(qBlue(colour)),
                                       static_cast<char>(qGreen(colour)),
                                       static_cast<char>(qRed(colour)), 0};
        out.append(quad.data(), 4);
    }
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(static_cast<qsizetype>(stride), '\0');
        const uchar* line = indexed.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            if (bitsPerPixel == 8) {
                row[x] = static_cast<char>(line[x]);
            } else {
                // Two pixels a byte, the left one in the high nibble.
                const int shift = (x % 2 == 0) ? 4 : 0;
                row[x / 2] = static_cast<char>(row[x / 2] | ((line[x] & 0x0f) << shift));
            }
        }
        out.append(row);
    }
    return out;
}

}  // namespace picgen
