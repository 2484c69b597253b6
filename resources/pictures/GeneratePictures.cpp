// Draws every picture of the program into one folder, with the resource file that names
// them: the banner (resource 134, 8-bit with 128 colours), the lamps (136 red, 137 green,
// 138 grey), the toolbar pictures in their four states and the program icon (128); and
// the program icon in each size asked for the desktop's icon theme (quillet-SIZE.png, not
// in the resource file: those are installed, not compiled in).
//
//     quillet-pictures OUTPUT-FOLDER [ICON-SIZE...]
//
// Output is the same, byte for byte, on every run.

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <array>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <utility>

#include "Artwork.h"
#include "Indexed.h"

namespace {

struct Written {
    QString alias;
    QString file;
};

void writeFile(const QDir& folder, const QString& name, const QByteArray& bytes) {
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + file.fileName().toStdString());
    }
}

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        throw std::runtime_error("cannot encode a PNG picture");
    }
    return bytes;
}

QByteArray sixteenColourBmp(const QImage& picture) {
    return picgen::encodeBmp(picgen::mapToPalette(picture, picgen::sixteenColours()), 4);
}

QList<Written> generate(const QDir& folder, const QList<int>& desktopIconSizes) {
    using picgen::ButtonState;
    using picgen::Lamp;
    using picgen::Tool;
    QList<Written> written;
    auto add = [&](const QString& alias, const QString& file, const QByteArray& bytes) {
        writeFile(folder, file, bytes);
        written.append({alias, file});
    };

    const QImage banner = picgen::drawBanner();
    add("dib/134", "banner.bmp",
        picgen::encodeBmp(picgen::mapToPalette(banner, picgen::medianCutPalette(banner, 128)), 8));

    const std::array<std::pair<int, Lamp>, 3> lamps{
        {{136, Lamp::Red}, {137, Lamp::Green}, {138, Lamp::Grey}}};
    for (const auto& [id, lamp] : lamps) {
        add(QStringLiteral("bitmap/%1").arg(id), QStringLiteral("lamp-%1.bmp").arg(id),
            sixteenColourBmp(picgen::drawLamp(lamp)));
    }

    const std::array<std::pair<const char*, Tool>, 6> tools{{{"DOWNLOAD", Tool::Download},
                                                             {"UPLOAD", Tool::Upload},
                                                             {"OPEN", Tool::Open},
                                                             {"SAVE", Tool::Save},
                                                             {"EXIT", Tool::Exit},
                                                             {"INFO", Tool::Help}}};
    const std::array<std::pair<char, ButtonState>, 4> states{{{'U', ButtonState::Up},
                                                              {'D', ButtonState::Down},
                                                              {'F', ButtonState::Focused},
                                                              {'X', ButtonState::Disabled}}};
    for (const auto& [name, tool] : tools) {
        for (const auto& [suffix, state] : states) {
            const QString resource = QString::fromLatin1(name) + QChar::fromLatin1(suffix);
            add("bitmap/" + resource, resource.toLower() + ".bmp",
                sixteenColourBmp(picgen::drawToolbarPicture(tool, state)));
        }
    }

    for (const int size : {16, 32, 48}) {
        add(QStringLiteral("icon/128-%1.png").arg(size), QStringLiteral("icon-%1.png").arg(size),
            encodePng(picgen::drawProgramIcon(size)));
    }
    for (const int size : desktopIconSizes) {
        writeFile(folder, QStringLiteral("quillet-%1.png").arg(size),
                  encodePng(picgen::drawProgramIcon(size)));
    }
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER [ICON-SIZE...]\n", argv[0]);
        return 2;
    }
    QList<int> desktopIconSizes;
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "%s: icon size %s is not 16..1024\n", argv[0], argv[i]);
            return 2;
        }
        desktopIconSizes.append(size);
    }
    try {
        const QString path = QString::fromLocal8Bit(argv[1]);
        if (!QDir().mkpath(path)) {
            throw std::runtime_error("cannot create " + path.toStdString());
        }
        const QDir folder(path);
        const QList<Written> written = generate(folder, desktopIconSizes);
        // The resource file last, so that its time stamp says the pictures are complete.
        QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
        for (const Written& entry : written) {
            qrc += "  <file alias=\"" + entry.alias.toUtf8() + "\">" + entry.file.toUtf8() +
                   "</file>\n";
        }
        qrc += "</qresource>\n</RCC>\n";
        writeFile(folder, "pictures.qrc", qrc);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
