#include "app/Dib.h"

#include <QPainter>
#include <QtEndian>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/Pictures.h"

namespace quillet {

namespace {

constexpr std::int64_t kFileHeaderBytes = 14;
constexpr std::int64_t kInfoHeaderBytes = 40;

// Offsets in the file header and in the 40-byte info header.
constexpr int kBitsOffsetField = 10;
constexpr int kWidthField = 4;
constexpr int kHeightField = 8;
constexpr int kPlanesField = 12;
constexpr int kBitCountField = 14;
constexpr int kCompressionField = 16;
constexpr int kColoursUsedField = 32;

std::uint16_t read16(const unsigned char* at) {
    return qFromLittleEndian<quint16>(at);
}
std::uint32_t read32(const unsigned char* at) {
    return qFromLittleEndian<quint32>(at);
}
std::int32_t readSigned32(const unsigned char* at) {
    return qFromLittleEndian<qint32>(at);
}

std::int64_t rowBytes(std::int64_t width, int bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

}  // namespace

bool CDIB::load(int resourceId) {
    return loadFromData(dibResource(resourceId));
}

void CDIB::clear() {
    info_.clear();
    bits_.clear();
    image_ = QImage();
}

int CDIB::colourCountOf(const unsigned char* header) {
    const int bitCount = read16(header + kBitCountField);
    const int nominal = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
    const std::uint32_t used = read32(header + kColoursUsedField);
    const int count = used != 0 ? static_cast<int>(std::min<std::uint32_t>(used, 256)) : nominal;
    return nominal != 0 ? std::min(count, nominal) : count;
}

bool CDIB::loadFromData(QByteArrayView data) {
    clear();
    const auto* file = reinterpret_cast<const unsigned char*>(data.data());
    const std::int64_t size = data.size();
    if (size < kFileHeaderBytes + kInfoHeaderBytes || file[0] != 'B' || file[1] != 'M') {
        return false;
    }
    const unsigned char* header = file + kFileHeaderBytes;
    // Longer headers (V4, V5) begin with the same 40 bytes; the 12-byte core header of the
    // oldest format is not taken.
    const std::int64_t headerBytes = read32(header);
    if (headerBytes < kInfoHeaderBytes || kFileHeaderBytes + headerBytes > size) {
        return false;
    }
    const std::int64_t width = readSigned32(header + kWidthField);
    const std::int64_t signedHeight = readSigned32(header + kHeightField);
    const std::int64_t height = std::abs(signedHeight);
    const int bitCount = read16(header + kBitCountField);
    if (width <= 0 || width > kMaxSide || height == 0 || height > kMaxSide ||
        read16(header + kPlanesField) != 1 || read32(header + kCompressionField) != 0 ||
        (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)) {
        return false;
    }
    // A colours-used field beyond what the depth can index (or beyond 256 for an optional
    // table of a 24-bit picture) marks a corrupt header.
    const std::uint32_t coloursUsed = read32(header + kColoursUsedField);
    if (coloursUsed > (bitCount == 24 ? 256u : (1u << bitCount))) {
        return false;
    }
    const int colours = colourCountOf(header);
    const std::int64_t tableEnd = kFileHeaderBytes + headerBytes + 4LL * colours;
    const std::int64_t bitsOffset = read32(file + kBitsOffsetField);
    const std::int64_t stride = rowBytes(width, bitCount);
    if (tableEnd > size || bitsOffset < tableEnd || bitsOffset > size ||
        stride * height > size - bitsOffset) {
        return false;
    }

    info_.assign(kInfoBytes, 0);
    std::memcpy(info_.data(), header, kInfoHeaderBytes);
    std::memcpy(info_.data() + kInfoHeaderBytes, file + kFileHeaderBytes + headerBytes,
                static_cast<std::size_t>(4 * colours));
    bits_.assign(file + bitsOffset, file + bitsOffset + stride * height);
    if (!buildImage(bits_.data(), static_cast<int>(stride), signedHeight > 0)) {
        clear();
        return false;
    }
    return true;
}

int CDIB::width() const {
    return isLoaded() ? readSigned32(info_.data() + kWidthField) : 0;
}

int CDIB::height() const {
    return isLoaded() ? std::abs(readSigned32(info_.data() + kHeightField)) : 0;
}

int CDIB::bitCount() const {
    return isLoaded() ? read16(info_.data() + kBitCountField) : 0;
}

int CDIB::colourCount() const {
    return isLoaded() ? colourCountOf(info_.data()) : 0;
}

QRgb CDIB::colour(int index) const {
    if (index < 0 || index >= colourCount()) {
        return qRgb(0, 0, 0);
    }
    // Colour-table entries are blue, green, red, reserved.
    const unsigned char* quad = info_.data() + kInfoHeaderBytes + 4 * index;
    return qRgb(quad[2], quad[1], quad[0]);
}

QList<QRgb> CDIB::colourTable() const {
    QList<QRgb> table;
    for (int i = 0; i < colourCount(); ++i) {
        table.append(colour(i));
    }
    return table;
}

bool CDIB::buildImage(const unsigned char* rows, int stride, bool bottomUp) {
    const int w = width();
    const int h = height();
    const int depth = bitCount();
    auto sourceRow = [&](int y) {
        return rows + static_cast<std::ptrdiff_t>(stride) * (bottomUp ? h - 1 - y : y);
    };

    if (depth == 24) {
        image_ = QImage(w, h, QImage::Format_RGB32);
        if (image_.isNull()) {
            return false;
        }
        for (int y = 0; y < h; ++y) {
            const unsigned char* in = sourceRow(y);
            auto* out = reinterpret_cast<QRgb*>(image_.scanLine(y));
            for (int x = 0; x < w; ++x) {
                out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
            }
        }
        return true;
    }

    image_ = QImage(w, h, QImage::Format_Indexed8);
    if (image_.isNull()) {
        return false;
    }
    const int perByte = 8 / depth;
    const int mask = (1 << depth) - 1;
    int highest = 0;
    for (int y = 0; y < h; ++y) {
        const unsigned char* in = sourceRow(y);
        uchar* out = image_.scanLine(y);
        for (int x = 0; x < w; ++x) {
            // The leftmost pixel sits in the most significant bits of its byte.
            const int shift = (perByte - 1 - x % perByte) * depth;
            out[x] = static_cast<uchar>((in[x / perByte] >> shift) & mask);
            highest = std::max<int>(highest, out[x]);
        }
    }
    // Indices past the table (a short colours-used field) show as black rather than
    // reading past the table.
    QList<QRgb> table = colourTable();
    while (table.size() <= highest) {
        table.append(qRgb(0, 0, 0));
    }
    image_.setColorTable(table);
    return true;
}

void CDIB::draw(QPainter& painter, const QRect& target) const {
    if (!isLoaded()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(target), image_, QRectF(image_.rect()));
    painter.restore();
}

bool CDIBPal::create(const CDIB& dib) {
    if (dib.colourCount() == 0) {
        return false;
    }
    colours_ = dib.colourTable();
    return true;
}

}  // namespace quillet
