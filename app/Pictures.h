#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QString>

namespace quillet {

// Resource ids of the program's pictures (drawn by resources/pictures at build time).
inline constexpr int kProgramIconId = 128;
inline constexpr int kBannerId = 134;  // "DIB": 508 x 60, 8 bits, 128 colours
inline constexpr int kRedLampId = 136;
inline constexpr int kGreenLampId = 137;
inline constexpr int kGreyLampId = 138;

// The bytes of a "DIB" resource, of a bitmap resource by id (the lamps) or by name (the
// toolbar's "DOWNLOADU" ...); empty when there is none.
QByteArray dibResource(int id);
QByteArray bitmapResource(int id);
QByteArray bitmapResource(const QString& name);

// A bitmap resource read through CDIB; a null image when it is missing or malformed.
QImage loadBitmap(int id);
QImage loadBitmap(const QString& name);

// Icon 128 in the sizes it is drawn in (16, 32, 48).
QIcon programIcon();

}  // namespace quillet
