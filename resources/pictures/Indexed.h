#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>

namespace picgen {

// The sixteen colours of the toolbar and lamp pictures.
QList<QRgb> sixteenColours();

// Maps every pixel of `rgb` to the nearest entry of `palette` (ties to the lower index).
// The result is an 8-bit indexed image whose colour table is exactly `palette`.
QImage mapToPalette(const QImage& rgb, const QList<QRgb>& palette);

// Median-cut palette of exactly `colours` entries for `rgb` (padded with black when the
// picture has fewer distinct colours). Deterministic: the same picture gives the same
// palette, entry for entry.
QList<QRgb> medianCutPalette(const QImage& rgb, int colours);

// A Windows bitmap file image of an indexed picture: file header, 40-byte info header,
// one colour-table entry per colour of `indexed` (biClrUsed says how many), rows bottom-up
// and padded to four bytes. `bitsPerPixel` is 4 or 8.
QByteArray encodeBmp(const QImage& indexed, int bitsPerPixel);

}  // namespace picgen
