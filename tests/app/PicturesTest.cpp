// The pictures compiled into the program, the bitmap reader behind them, and the two
// controls that show them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QtEndian>
#include <cstdint>
#include <functional>
#include <tuple>
#include <vector>

#include "app/BitmapButton.h"
#include "app/Dib.h"
#include "app/IndicatorLight.h"
#include "app/Pictures.h"

namespace quillet {
namespace {

using Bytes = std::vector<char>;

// Exactly sized copies, so that AddressSanitizer sees any read past the end.
Bytes bytesOf(const QByteArray& data) {
    return Bytes(data.begin(), data.end());
}
QByteArrayView viewOf(const Bytes& data) {
    return {data.data(), static_cast<qsizetype>(data.size())};
}
void put32(Bytes& data, std::size_t at, std::uint32_t value) {
    qToLittleEndian<quint32>(value, data.data() + at);
}
void put16(Bytes& data, std::size_t at, std::uint16_t value) {
    qToLittleEndian<quint16>(value, data.data() + at);
}

// A file image from its parts; `rows` are the pixel bytes as stored, padding included.
Bytes makeBmp(int width, int height, int bits, std::uint32_t coloursUsed,
              const std::vector<QRgb>& table, const std::vector<unsigned char>& rows) {
    Bytes data(14 + 40, '\0');
    data[0] = 'B';
    data[1] = 'M';
    put32(data, 10, static_cast<std::uint32_t>(14 + 40 + 4 * table.size()));
    put32(data, 14, 40);
    put32(data, 18, static_cast<std::uint32_t>(width));
    put32(data, 22, static_cast<std::uint32_t>(height));
    put16(data, 26, 1);
    put16(data, 28, static_cast<std::uint16_t>(bits));
    put32(data, 46, coloursUsed);
    for (const QRgb colour : table) {
        data.insert(data.end(),
                    {static_cast<char>(qBlue(colour)), static_cast<char>(qGreen(colour)),
                     static_cast<char>(qRed(colour)), 0});
    }
    data.insert(data.end(), rows.begin(), rows.end());
    put32(data, 2, static_cast<std::uint32_t>(data.size()));
    return data;
}

QImage rgb(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}
QImage toolbarPicture(const char* tool, char state) {
    return rgb(loadBitmap(QString::fromLatin1(tool) + QLatin1Char(state)));
}

constexpr const char* kTools[] = {"DOWNLOAD", "UPLOAD", "OPEN", "SAVE", "EXIT", "INFO"};
constexpr char kStates[] = {'U', 'D', 'F', 'X'};

TEST(PicturesTest, EveryPictureHasItsFormatAndReadsAsQtReadsIt) {
    struct Picture {
        QString name;  // empty: the banner
        int width, height, bits, colours;
    };
    std::vector<Picture> pictures{{"", 508, 60, 8, 128}};
    for (const char* name : {"136", "137", "138"}) {
        pictures.push_back({name, 16, 16, 4, 16});
    }
    for (const char* tool : kTools) {
        for (const char state : kStates) {
            pictures.push_back({QString::fromLatin1(tool) + QLatin1Char(state), 30, 30, 4, 16});
        }
    }
    for (const Picture& p : pictures) {
        SCOPED_TRACE(p.name.toStdString());
        const bool banner = p.name.isEmpty();
        const QByteArray file = banner ? dibResource(kBannerId) : bitmapResource(p.name);
        CDIB dib;
        ASSERT_TRUE(banner ? dib.load(kBannerId) : dib.loadFromData(file));
        EXPECT_EQ(std::tuple(dib.width(), dib.height(), dib.bitCount(), dib.colourCount()),
                  std::tuple(p.width, p.height, p.bits, p.colours));
        // Nothing but headers, colours and 4-byte aligned rows.
        const int stride = (p.width * p.bits + 31) / 32 * 4;
        EXPECT_EQ(file.size(), 14 + 40 + 4 * p.colours + stride * p.height);
        // Qt's own reader sees the same pixels: rows, order and padding agree.
        const QImage reference = QImage::fromData(file, "BMP");
        ASSERT_FALSE(reference.isNull());
        EXPECT_EQ(rgb(dib.image()), rgb(reference));
    }
    // Each button state looks different; the lamps' middles are red, green and grey.
    for (const char* tool : kTools) {
        for (int a = 0; a < 4; ++a) {
            for (int b = a + 1; b < 4; ++b) {
                EXPECT_NE(toolbarPicture(tool, kStates[a]), toolbarPicture(tool, kStates[b]))
                    << tool << kStates[a] << kStates[b];
            }
        }
    }
    const QColor red = loadBitmap(kRedLampId).pixelColor(7, 7);
    const QColor green = loadBitmap(kGreenLampId).pixelColor(7, 7);
    const QColor grey = loadBitmap(kGreyLampId).pixelColor(7, 7);
    EXPECT_TRUE(red.red() > 200 && red.green() < 64 && red.blue() < 64) << red.name().toStdString();
    EXPECT_TRUE(green.green() > 200 && green.red() < 64 && green.blue() < 64)
        << green.name().toStdString();
    EXPECT_TRUE(grey.red() == grey.green() && grey.green() == grey.blue())
        << grey.name().toStdString();
    for (const int side : {16, 32, 48}) {
        EXPECT_EQ(programIcon().pixmap(side).toImage().size(), QSize(side, side)) << side;
    }
}

TEST(DibTest, RefusesMalformedFileImages) {
    const Bytes banner = bytesOf(dibResource(kBannerId));
    ASSERT_FALSE(banner.empty());
    const auto size = static_cast<std::uint32_t>(banner.size());
    struct Corruption {
        const char* name;
        std::function<void(Bytes&)> apply;
    };
    const std::vector<Corruption> corruptions{
        {"empty", [](Bytes& d) { d.clear(); }},
        {"short file header", [](Bytes& d) { d.resize(10); }},
        {"short info header", [](Bytes& d) { d.resize(14 + 39); }},
        {"wrong magic", [](Bytes& d) { d[1] = 'X'; }},
        {"core header", [](Bytes& d) { put32(d, 14, 12); }},
        {"info header past the end", [](Bytes& d) { put32(d, 14, 0xfffffff0u); }},
        {"colours used 300", [](Bytes& d) { put32(d, 46, 300); }},
        {"colour table cut", [](Bytes& d) { d.resize(14 + 40 + 100); }},
        {"bits offset past the end", [size](Bytes& d) { put32(d, 10, size + 4); }},
        {"bits offset huge", [](Bytes& d) { put32(d, 10, 0xffffffffu); }},
        {"bits offset in the header", [](Bytes& d) { put32(d, 10, 20); }},
        {"width zero", [](Bytes& d) { put32(d, 18, 0); }},
        {"width negative", [](Bytes& d) { put32(d, 18, static_cast<std::uint32_t>(-508)); }},
        {"width absurd", [](Bytes& d) { put32(d, 18, 0x7fffffffu); }},
        {"height zero", [](Bytes& d) { put32(d, 22, 0); }},
        {"height absurd", [](Bytes& d) { put32(d, 22, 1000000); }},
        {"height most negative", [](Bytes& d) { put32(d, 22, 0x80000000u); }},
        {"height one row too many", [](Bytes& d) { put32(d, 22, 61); }},
        {"two planes", [](Bytes& d) { put16(d, 26, 2); }},
        {"7 bits per pixel", [](Bytes& d) { put16(d, 28, 7); }},
        {"run-length compressed", [](Bytes& d) { put32(d, 30, 1); }},
        {"last row truncated", [](Bytes& d) { d.pop_back(); }},
    };
    for (const Corruption& corruption : corruptions) {
        SCOPED_TRACE(corruption.name);
        Bytes data = banner;
        corruption.apply(data);
        CDIB dib;
        ASSERT_TRUE(dib.loadFromData(viewOf(banner)));
        // A failed load leaves no picture, also where one was loaded before.
        EXPECT_FALSE(dib.loadFromData(viewOf(data)));
        EXPECT_FALSE(dib.isLoaded());
        EXPECT_EQ(dib.width(), 0);
        EXPECT_EQ(dib.colourCount(), 0);
        EXPECT_TRUE(dib.image().isNull());
        EXPECT_FALSE(CDIBPal().create(dib));
    }
    // A 4-bit picture cannot index 17 colours.
    Bytes lamp = bytesOf(bitmapResource(kGreenLampId));
    ASSERT_TRUE(CDIB().loadFromData(viewOf(lamp)));
    put32(lamp, 46, 17);
    EXPECT_FALSE(CDIB().loadFromData(viewOf(lamp)));
}

TEST(DibTest, DecodesEveryDepthAndRowOrder) {
    const QRgb k = qRgb(0, 0, 0), w = qRgb(255, 255, 255);
    const QRgb r = qRgb(200, 0, 0), g = qRgb(0, 200, 0), b = qRgb(0, 0, 200);
    std::vector<QRgb> ramp;  // 256 distinct colours
    for (int i = 0; i < 256; ++i) {
        ramp.push_back(qRgb(i, 255 - i, 7));
    }
    struct Case {
        const char* name;
        int colours;
        std::vector<QRgb> pixels;  // top row first
        Bytes file;
    };
    // Bottom-up rows and 4 bits a pixel: the pictures above.
    const Case cases[] = {
        {"1 bit, top-down",
         2,
         {w, k, w, k, w, k},
         makeBmp(3, -2, 1, 0, {k, w}, {0xa0, 0, 0, 0, 0x40, 0, 0, 0})},
        {"8 bits, 3 colours, padded",
         3,
         {g, b, b, r},
         makeBmp(2, 2, 8, 3, {r, g, b}, {2, 0, 0, 0, 1, 2, 0, 0})},
        {"no colours-used field: 256", 256, {ramp[255]}, makeBmp(1, 1, 8, 0, ramp, {255, 0, 0, 0})},
        {"index past the table: black", 2, {k}, makeBmp(1, 1, 8, 2, {r, g}, {200, 0, 0, 0})},
        {"24 bits",
         0,
         {qRgb(3, 2, 1), qRgb(6, 5, 4)},
         makeBmp(2, 1, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDIB dib;
        ASSERT_TRUE(dib.loadFromData(viewOf(c.file)));
        EXPECT_EQ(dib.colourCount(), c.colours);
        const QImage image = dib.image();
        ASSERT_EQ(static_cast<std::size_t>(image.width() * image.height()), c.pixels.size());
        for (int i = 0; i < static_cast<int>(c.pixels.size()); ++i) {
            EXPECT_EQ(image.pixel(i % image.width(), i / image.width()), c.pixels[i]) << i;
        }
        // A palette exists exactly when there is a colour table, and holds that table.
        CDIBPal palette;
        EXPECT_EQ(palette.create(dib), c.colours != 0);
        EXPECT_EQ(palette.colours(), image.colorTable().first(c.colours));
    }
}

TEST(DibTest, DrawStretchesSmoothly) {
    // Red | blue, stretched to 100 x 10: the ends keep their colours, the middle blends.
    const Bytes file = makeBmp(2, 1, 8, 2, {qRgb(255, 0, 0), qRgb(0, 0, 255)}, {0, 1, 0, 0});
    CDIB dib;
    ASSERT_TRUE(dib.loadFromData(viewOf(file)));
    QImage canvas(100, 10, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        dib.draw(painter, QRect(0, 0, 100, 10));
    }
    EXPECT_EQ(canvas.pixel(2, 5), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(97, 5), qRgb(0, 0, 255));
    const QColor middle = canvas.pixelColor(50, 5);
    EXPECT_TRUE(middle.red() > 40 && middle.blue() > 40 && middle.green() < 20)
        << middle.name().toStdString();
}

// Counts the paints that reach the light.
class CountingLight : public IndicatorLight {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        IndicatorLight::paintEvent(event);
    }
};

TEST(IndicatorLightTest, ShowsTheBitmapOfItsStateAndRepaintsOnlyOnChange) {
    const QRgb lit = loadBitmap(kGreenLampId).pixel(7, 7);
    const QRgb unlit = loadBitmap(kGreyLampId).pixel(7, 7);
    ASSERT_NE(lit, unlit);
    CountingLight light;
    const auto shown = [&light](int x = 7) { return light.grab().toImage().pixel(x, x); };
    light.setState(true);  // no bitmaps yet: nothing to show
    const QRgb empty = shown();
    EXPECT_NE(empty, lit);
    light.setState(false);

    ASSERT_TRUE(light.setBitmaps(kGreenLampId, kGreyLampId));
    EXPECT_EQ(light.size(), QSize(16, 16));
    EXPECT_EQ(shown(), unlit);
    // The corner is background, not the bitmap's own ground colour.
    EXPECT_EQ(shown(0), empty);

    light.show();
    QApplication::processEvents();
    for (const auto& [on, repaints] :
         {std::pair{false, false}, {true, true}, {true, false}, {false, true}}) {
        const int before = light.paints;
        light.setState(on);
        QApplication::processEvents();
        EXPECT_EQ(light.state(), on);
        EXPECT_EQ(light.paints > before, repaints) << "state " << on;
        EXPECT_EQ(shown(), on ? lit : unlit) << "state " << on;
    }
    // A lit bitmap that cannot be loaded leaves the unlit one on screen.
    EXPECT_FALSE(light.setBitmaps(999, kGreyLampId));
    light.setState(true);
    EXPECT_EQ(shown(), unlit);
}

TEST(BitmapButtonTest, PaintsThePictureOfItsState) {
    QWidget window;
    auto* button = new BitmapButton(&window);
    ASSERT_TRUE(button->loadBitmaps("DOWNLOAD"));
    EXPECT_EQ(button->size(), QSize(30, 30));
    auto* other = new BitmapButton(&window);
    ASSERT_TRUE(other->loadBitmaps("INFO"));
    other->move(40, 0);
    window.show();
    window.activateWindow();
    QApplication::processEvents();

    // Focus, down, enabled (or '-') and the picture: disabled wins over pressed, pressed
    // over focused.
    for (const std::string s : {"--eU", "-deD", "f-eF", "fdeD", "---X", "-d-X"}) {
        SCOPED_TRACE(s);
        const bool focus = s[0] == 'f', down = s[1] == 'd', enabled = s[2] == 'e';
        button->setEnabled(enabled);
        (focus ? button : other)->setFocus();
        button->setDown(down);
        QApplication::processEvents();
        ASSERT_EQ(button->hasFocus(), focus && enabled);
        EXPECT_EQ(rgb(button->grab().toImage()), toolbarPicture("DOWNLOAD", s[3]));
    }
    // Without its up picture a button has nothing to show.
    EXPECT_FALSE(BitmapButton().loadBitmaps("NOSUCH"));
}

}  // namespace
}  // namespace quillet
