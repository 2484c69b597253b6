// The pictures compiled into the program, the bitmap reader behind them, and the two
// controls that show them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QtEndian>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
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

std::uint32_t get32(const Bytes& data, std::size_t at) {
    return qFromLittleEndian<quint32>(data.data() + at);
}
std::uint16_t get16(const Bytes& data, std::size_t at) {
    return qFromLittleEndian<quint16>(data.data() + at);
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
        data.push_back(static_cast<char>(qBlue(colour)));
        data.push_back(static_cast<char>(qGreen(colour)));
        data.push_back(static_cast<char>(qRed(colour)));
        data.push_back(0);
    }
    data.insert(data.end(), rows.begin(), rows.end());
    put32(data, 2, static_cast<std::uint32_t>(data.size()));
    return data;
}

QImage rgb(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

QString toolbarName(const char* tool, char state) {
    return QString::fromLatin1(tool) + QLatin1Char(state);
}

constexpr const char* kTools[] = {"DOWNLOAD", "UPLOAD", "OPEN", "SAVE", "EXIT", "INFO"};

TEST(PicturesTest, BannerIsAn8BitFileImageWith128Colours) {
    const Bytes file = bytesOf(dibResource(kBannerId));
    ASSERT_GE(file.size(), 54u);
    const std::uint32_t bitsOffset = 14 + 40 + 128 * 4;
    EXPECT_EQ(std::string(file.data(), 2), "BM");
    EXPECT_EQ(get32(file, 2), file.size());
    EXPECT_EQ(get32(file, 10), bitsOffset);
    EXPECT_EQ(get32(file, 14), 40u);
    EXPECT_EQ(get32(file, 18), 508u);
    EXPECT_EQ(get32(file, 22), 60u);  // positive: rows bottom-up
    EXPECT_EQ(get16(file, 26), 1);
    EXPECT_EQ(get16(file, 28), 8);
    EXPECT_EQ(get32(file, 30), 0u);
    EXPECT_EQ(get32(file, 46), 128u);
    EXPECT_EQ(file.size(), bitsOffset + 508u * 60u);

    CDIB banner;
    ASSERT_TRUE(banner.load(kBannerId));
    EXPECT_EQ(banner.width(), 508);
    EXPECT_EQ(banner.height(), 60);
    EXPECT_EQ(banner.bitCount(), 8);
    EXPECT_EQ(banner.colourCount(), 128);
    // The picture uses most of its palette, not a few flat colours.
    std::set<int> used;
    for (int y = 0; y < banner.height(); ++y) {
        for (int x = 0; x < banner.width(); ++x) {
            used.insert(banner.image().pixelIndex(x, y));
        }
    }
    EXPECT_GT(used.size(), 100u);

    CDIBPal palette;
    ASSERT_TRUE(palette.create(banner));
    EXPECT_EQ(palette.colours(), banner.colourTable());
    EXPECT_EQ(palette.colours().size(), 128);
    EXPECT_EQ(palette.realize(), 0);
}

TEST(PicturesTest, BitmapsHaveTheirSizesAndSixteenColours) {
    struct Picture {
        QString name;
        int side;
    };
    std::vector<Picture> pictures{{"136", 16}, {"137", 16}, {"138", 16}};
    for (const char* tool : kTools) {
        for (const char state : {'U', 'D', 'F', 'X'}) {
            pictures.push_back({toolbarName(tool, state), 30});
        }
    }
    pictures.push_back({"DIB 134", 0});
    for (const Picture& picture : pictures) {
        SCOPED_TRACE(picture.name.toStdString());
        const QByteArray file =
            picture.side == 0 ? dibResource(kBannerId) : bitmapResource(picture.name);
        CDIB dib;
        ASSERT_TRUE(dib.loadFromData(file));
        if (picture.side != 0) {
            EXPECT_EQ(dib.width(), picture.side);
            EXPECT_EQ(dib.height(), picture.side);
            EXPECT_EQ(dib.bitCount(), 4);
            EXPECT_EQ(dib.colourCount(), 16);
        }
        // Qt's own reader sees the same pixels: rows, order and padding agree.
        const QImage reference = QImage::fromData(file, "BMP");
        ASSERT_FALSE(reference.isNull());
        EXPECT_EQ(rgb(dib.image()), rgb(reference));
    }
}

TEST(PicturesTest, LampsAndButtonStatesLookDifferent) {
    // The lamp's middle shows its colour: 136 red, 137 green, 138 grey.
    const QColor red = loadBitmap(kRedLampId).pixelColor(7, 7);
    const QColor green = loadBitmap(kGreenLampId).pixelColor(7, 7);
    const QColor grey = loadBitmap(kGreyLampId).pixelColor(7, 7);
    EXPECT_TRUE(red.red() > 200 && red.green() < 64 && red.blue() < 64) << red.name().toStdString();
    EXPECT_TRUE(green.green() > 200 && green.red() < 64 && green.blue() < 64)
        << green.name().toStdString();
    EXPECT_TRUE(grey.red() == grey.green() && grey.green() == grey.blue())
        << grey.name().toStdString();

    for (const char* tool : kTools) {
        SCOPED_TRACE(tool);
        const QString states = "UDFX";
        for (int a = 0; a < states.size(); ++a) {
            for (int b = a + 1; b < states.size(); ++b) {
                EXPECT_NE(rgb(loadBitmap(toolbarName(tool, states[a].toLatin1()))),
                          rgb(loadBitmap(toolbarName(tool, states[b].toLatin1()))));
            }
        }
    }

    const QList<QSize> sizes = programIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)) &&
                sizes.contains(QSize(48, 48)));
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
        CDIBPal palette;
        EXPECT_FALSE(palette.create(dib));
    }
    // A 4-bit picture cannot index 17 colours.
    Bytes lamp = bytesOf(bitmapResource(kGreenLampId));
    ASSERT_TRUE(CDIB().loadFromData(viewOf(lamp)));
    put32(lamp, 46, 17);
    EXPECT_FALSE(CDIB().loadFromData(viewOf(lamp)));
}

TEST(DibTest, DecodesEveryDepthAndRowOrder) {
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    const QRgb r = qRgb(200, 0, 0);
    const QRgb g = qRgb(0, 200, 0);
    const QRgb b = qRgb(0, 0, 200);
    std::vector<QRgb> ramp16;
    std::vector<QRgb> ramp256;
    for (int i = 0; i < 256; ++i) {
        (i < 16 ? ramp16 : ramp256).push_back(qRgb(i, 255 - i, 7));
    }
    ramp256.insert(ramp256.begin(), ramp16.begin(), ramp16.end());
    struct Case {
        const char* name;
        Bytes file;
        int colours;
        std::vector<QRgb> pixels;  // top row first
    };
    const std::vector<Case> cases{
        {"1 bit, bottom-up",
         makeBmp(3, 2, 1, 0, {black, white}, {0xa0, 0, 0, 0, 0x40, 0, 0, 0}),
         2,
         {black, white, black, white, black, white}},
        {"4 bits, top-down, high nibble first",
         makeBmp(3, -2, 4, 0, ramp16, {0x12, 0x30, 0, 0, 0xf0, 0, 0, 0}),
         16,
         {ramp16[1], ramp16[2], ramp16[3], ramp16[15], ramp16[0], ramp16[0]}},
        {"8 bits, 3 colours used, rows padded",
         makeBmp(2, 2, 8, 3, {r, g, b}, {2, 0, 0, 0, 1, 2, 0, 0}),
         3,
         {g, b, b, r}},
        {"8 bits, no colours-used field: 256",
         makeBmp(1, 1, 8, 0, ramp256, {255, 0, 0, 0}),
         256,
         {ramp256[255]}},
        {"8 bits, index past the table shows black",
         makeBmp(1, 1, 8, 2, {r, g}, {200, 0, 0, 0}),
         2,
         {black}},
        {"24 bits, no table",
         makeBmp(2, 1, 24, 0, {}, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0, 0}),
         0,
         {qRgb(0x30, 0x20, 0x10), qRgb(0x60, 0x50, 0x40)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDIB dib;
        ASSERT_TRUE(dib.loadFromData(viewOf(c.file)));
        EXPECT_EQ(dib.colourCount(), c.colours);
        const QImage image = dib.image();
        ASSERT_EQ(static_cast<std::size_t>(image.width() * image.height()), c.pixels.size());
        for (int i = 0; i < static_cast<int>(c.pixels.size()); ++i) {
            EXPECT_EQ(image.pixel(i % image.width(), i / image.width()), c.pixels[i])
                << "pixel " << i;
        }
        // A palette exists exactly when there is a colour table.
        CDIBPal palette;
        EXPECT_EQ(palette.create(dib), c.colours != 0);
        EXPECT_EQ(palette.colours().size(), c.colours);
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

    // Nothing loaded: nothing drawn.
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        CDIB().draw(painter, QRect(0, 0, 100, 10));
    }
    EXPECT_EQ(canvas.pixel(50, 5), qRgb(255, 255, 255));
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

QRgb centreOf(QWidget& widget) {
    return widget.grab().toImage().pixel(7, 7);
}

TEST(IndicatorLightTest, ShowsTheBitmapOfItsStateAndRepaintsOnlyOnChange) {
    const QRgb lit = loadBitmap(kGreenLampId).pixel(7, 7);
    const QRgb unlit = loadBitmap(kGreyLampId).pixel(7, 7);
    ASSERT_NE(lit, unlit);

    CountingLight light;
    light.setState(true);  // no bitmaps yet: nothing to show
    const QRgb empty = centreOf(light);
    EXPECT_NE(empty, lit);
    light.setState(false);

    ASSERT_TRUE(light.setBitmaps(kGreenLampId, kGreyLampId));
    EXPECT_EQ(light.size(), QSize(16, 16));
    EXPECT_EQ(centreOf(light), unlit);
    // The corner is background, not the bitmap's own ground colour.
    EXPECT_EQ(light.grab().toImage().pixel(0, 0), empty);

    light.show();
    QApplication::processEvents();
    struct Step {
        bool on;
        QRgb shown;
        bool repaints;
    };
    const Step steps[] = {
        {false, unlit, false}, {true, lit, true}, {true, lit, false}, {false, unlit, true}};
    for (const Step& step : steps) {
        const int before = light.paints;
        light.setState(step.on);
        QApplication::processEvents();
        EXPECT_EQ(light.state(), step.on);
        EXPECT_EQ(light.paints > before, step.repaints) << "state " << step.on;
        EXPECT_EQ(centreOf(light), step.shown) << "state " << step.on;
    }

    // A lit bitmap that cannot be loaded leaves the unlit one on screen.
    EXPECT_FALSE(light.setBitmaps(999, kGreyLampId));
    light.setState(true);
    EXPECT_EQ(centreOf(light), unlit);
}

// Which of the button's four pictures it shows; '?' for none of them.
char shownPicture(BitmapButton& button, const char* tool) {
    const QImage shown = rgb(button.grab().toImage());
    for (const char state : {'U', 'D', 'F', 'X'}) {
        if (shown == rgb(loadBitmap(toolbarName(tool, state)))) {
            return state;
        }
    }
    return '?';
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

    struct State {
        bool focus;
        bool down;
        bool enabled;
        char picture;
    };
    // Disabled wins over pressed, pressed over focused.
    const State states[] = {{false, false, true, 'U'},  {false, true, true, 'D'},
                            {true, false, true, 'F'},   {true, true, true, 'D'},
                            {false, false, false, 'X'}, {false, true, false, 'X'}};
    for (const State& state : states) {
        SCOPED_TRACE(testing::Message() << "focus " << state.focus << " down " << state.down
                                        << " enabled " << state.enabled);
        button->setEnabled(state.enabled);
        (state.focus ? button : other)->setFocus();
        button->setDown(state.down);
        QApplication::processEvents();
        ASSERT_EQ(button->hasFocus(), state.focus && state.enabled);
        EXPECT_EQ(shownPicture(*button, "DOWNLOAD"), state.picture);
    }

    // Without its up picture a button has nothing to show.
    BitmapButton missing;
    EXPECT_FALSE(missing.loadBitmaps("NOSUCH"));
}

}  // namespace
}  // namespace quillet
