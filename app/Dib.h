#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>
#include <vector>

class QPainter;

namespace quillet {

// A device-independent bitmap held in memory: the info header with its colour table and
// the pixel rows, as a Windows bitmap file image carries them. Uncompressed pictures of
// 1, 4, 8 and 24 bits per pixel with a 40-byte (or longer) info header are accepted;
// anything truncated or inconsistent is refused before a byte outside the data is read.
class CDIB {
public:
    // Room for the 40-byte info header and 256 colour-table entries.
    static constexpr int kInfoBytes = 40 + 256 * 4;
    // Larger pictures are taken for corrupt headers.
    static constexpr int kMaxSide = 16384;

    CDIB() = default;

    // The picture of the "DIB" resource `resourceId` (e.g. 134, the banner).
    bool load(int resourceId);
    // A Windows bitmap file image ("BM", file header, info header, colours, rows). On
    // failure the object holds no picture, whatever it held before.
    bool loadFromData(QByteArrayView data);
    void clear();

    bool isLoaded() const { return !info_.empty(); }
    int width() const;
    // Rows of the picture; positive also for a top-down file image.
    int height() const;
    int bitCount() const;
    // Colour-table entries: 2, 16 or 256 by depth unless the header's colours-used field
    // names fewer; 0 for a picture without a table.
    int colourCount() const;
    QRgb colour(int index) const;
    QList<QRgb> colourTable() const;

    // The picture as an image, top row first: 8-bit indexed with the colour table for
    // 1, 4 and 8 bits per pixel, 32-bit RGB for 24.
    const QImage& image() const { return image_; }

    // Stretches the whole picture into `target` with smooth scaling; nothing when no
    // picture is loaded.
    void draw(QPainter& painter, const QRect& target) const;

private:
    static int colourCountOf(const unsigned char* header);
    // False when the image cannot be allocated.
    bool buildImage(const unsigned char* rows, int stride, bool bottomUp);

    std::vector<unsigned char> info_;  // info header and colour table; empty: no picture
    std::vector<unsigned char> bits_;  // the rows as stored in the file image
    QImage image_;
};

// The palette of a CDIB: one entry per colour of its table.
class CDIBPal {
public:
    // Fails when the picture has no colour table (none loaded, or 24 bits without one).
    bool create(const CDIB& dib);
    bool isCreated() const { return !colours_.isEmpty(); }
    const QList<QRgb>& colours() const { return colours_; }
    // Realising maps the entries into a palette-based display and returns how many
    // changed. A true-colour display has no palette to map into: always 0.
    int realize() const { return 0; }

private:
    QList<QRgb> colours_;
};

}  // namespace quillet
