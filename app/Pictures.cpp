#include "app/Pictures.h"

#include <QFile>
#include <mutex>

#include "app/Dib.h"

// The pictures live in a static library; registering them by name keeps the linker from
// dropping the resource object that nothing else refers to. Outside any namespace, as the
// registration function is declared there.
static void registerPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace quillet {

namespace {

void ensureRegistered() {
    static std::once_flag registered;
    std::call_once(registered, registerPictures);
}

QByteArray resourceBytes(const QString& path) {
    ensureRegistered();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

QImage imageOf(const QByteArray& bytes) {
    CDIB dib;
    return dib.loadFromData(bytes) ? dib.image() : QImage();
}

}  // namespace

QByteArray dibResource(int id) {
    return resourceBytes(QStringLiteral(":/dib/%1").arg(id));
}

QByteArray bitmapResource(int id) {
    return bitmapResource(QString::number(id));
}

QByteArray bitmapResource(const QString& name) {
    return resourceBytes(QStringLiteral(":/bitmap/") + name);
}

QImage loadBitmap(int id) {
    return imageOf(bitmapResource(id));
}

QImage loadBitmap(const QString& name) {
    return imageOf(bitmapResource(name));
}

QIcon programIcon() {
    ensureRegistered();
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/icon/%1-%2.png").arg(kProgramIconId).arg(size),
                     QSize(size, size));
    }
    return icon;
}

}  // namespace quillet
