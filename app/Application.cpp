#include "app/Application.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <algorithm>
#include <cassert>
#include <mutex>

#include "app/SettingsStore.h"
#include "serial/LinePeer.h"
#include "serial/ModemLink.h"
#include "serial/SimulatedLineDevice.h"
#include "sim/LineSimulator.h"

// The help pages live in a static library: without a reference the linker drops them.
static void initHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace quillet {

namespace {

Application* liveInstance = nullptr;

constexpr int kModemLink = 2;

const QUrl kHelpContents(QStringLiteral("qrc:/help/index.html"));

// Only ASCII letters and digits go into passwords and the controller address: the
// devices compare them byte by byte.
bool isAsciiLetterOrDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

// Sees the quit request on its way to the application object (the port's waits run
// inside nested event processing, where no loop exit would reach them).
class QuitWatch final : public QObject {
public:
    explicit QuitWatch(bool& requested) : requested_(requested) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
            requested_ = true;
        }
        return false;
    }

private:
    bool& requested_;
};

QString mimePackage(const QString& extension, const QString& description) {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"application/x-quillet-%1\">\n"
               "    <comment>%2</comment>\n"
               "    <sub-class-of type=\"text/plain\"/>\n"
               "    <glob pattern=\"*.%1\"/>\n"
               "  </mime-type>\n"
               "</mime-info>\n")
        .arg(extension, description.toHtmlEscaped());
}

}  // namespace

Application::Application(std::unique_ptr<QSettings> store)
    : store_(store ? std::move(store)
                   : std::make_unique<QSettings>(QStringLiteral("Halvorn"),
                                                 QStringLiteral("Quillet"))),
      simulator_(std::make_shared<sim::LineSimulator>(sim::SimulatorOptions{})),
      simulatedLine_(std::make_shared<SharedLine>(simulator_)),
      port_(std::make_unique<SerialPort>(PortMap(), makeSimulatedLineFactory(simulatedLine_))) {
    initHelpResources();
    if (auto* app = QCoreApplication::instance()) {
        quitWatch_ = std::make_unique<QuitWatch>(quitRequested_);
        app->installEventFilter(quitWatch_.get());
    }
    // Keeps the windows alive while the port waits for a reply; the port itself blocks
    // between the calls, so this must not loop.
    port_->setPumpHook([this] {
        if (QCoreApplication::instance() == nullptr) {
            return true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return !QCoreApplication::closingDown() && !quitRequested_;
    });
    liveInstance = this;
}

Application::~Application() {
    if (liveInstance == this) {
        liveInstance = nullptr;
    }
}

Application& Application::instance() {
    assert(liveInstance != nullptr);
    return *liveInstance;
}

sim::LineSimulator& Application::simulator() {
    return *simulator_;
}

SharedLine& Application::simulatedLine() {
    return *simulatedLine_;
}

void Application::replaceSimulator(const sim::SimulatorOptions& options) {
    port_->close();
    auto fresh = std::make_shared<sim::LineSimulator>(options);
    std::lock_guard lock(simulatedLine_->mutex);
    simulatedLine_->peer = fresh;
    simulator_ = std::move(fresh);
}

void Application::loadSettings() {
    const StoredSettings stored = SettingsStore(*store_).load();
    settings_ = stored.settings;
    bool mapChanged = false;
    for (int i = 0; i < kPortCount; ++i) {
        const std::string before = port_->portMap().device(i);
        port_->portMap().setDevice(i, stored.devices[static_cast<std::size_t>(i)]);
        mapChanged = mapChanged || port_->portMap().device(i) != before;
    }
    if (mapChanged) {
        // An open port would go on using the old device.
        port_->close();
    }
    port_->configure(stored.portIndex, stored.baudIndex, settings_.timeoutMs);
    exchangeCancelled = false;
}

void Application::hangUpModemIfLinked() {
    if (settings_.linkType == kModemLink) {
        ModemLink(*port_).modemHangUp();
    }
}

void Application::saveSettings(int currentTab) {
    settings_.initialTab = currentTab;
    StoredSettings stored;
    stored.settings = settings_;
    stored.portIndex = port_->portIndex();
    stored.baudIndex = port_->baudIndex();
    for (int i = 0; i < kPortCount; ++i) {
        stored.devices[static_cast<std::size_t>(i)] = port_->portMap().device(i);
    }
    SettingsStore(*store_).save(stored);
}

int Application::readSettingInt(const QString& section, const QString& name, int defaultValue) {
    return SettingsStore(*store_).readInt(section, name, defaultValue);
}

QString Application::readSettingString(const QString& section, const QString& name,
                                       const QString& defaultValue) {
    return SettingsStore(*store_).readString(section, name, defaultValue);
}

void Application::writeSettingInt(const QString& section, const QString& name, int value) {
    writeSettingString(section, name, QString::number(value));
}

void Application::writeSettingString(const QString& section, const QString& name,
                                     const QString& text) {
    SettingsStore(*store_).writeString(section, name, text);
}

void Application::registerFileType(const QString& extension, const QString& description) {
    // The extension becomes part of a file name and a type name.
    if (extension.isEmpty() ||
        !std::all_of(extension.begin(), extension.end(), isAsciiLetterOrDigit)) {
        return;
    }
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty()) {
        return;
    }
    const QString mimeDir = dataHome + QStringLiteral("/mime");
    const QString packagesDir = mimeDir + QStringLiteral("/packages");
    const QString path = packagesDir + QStringLiteral("/quillet-") + extension + ".xml";
    const QByteArray content = mimePackage(extension, description).toUtf8();

    // Pages register their type each time they are created: most calls change nothing.
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content) {
        return;
    }
    existing.close();
    if (!QDir().mkpath(packagesDir)) {
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        return;
    }
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!tool.isEmpty()) {
        QProcess::startDetached(tool, {mimeDir});
    }
}

void Application::showHelp() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return;
    }
    if (!helpWindow_) {
        helpWindow_ = std::make_unique<QTextBrowser>();
        helpWindow_->setObjectName(QStringLiteral("helpWindow"));
        helpWindow_->setWindowTitle(QStringLiteral("Quillet — Справка"));
        helpWindow_->setOpenExternalLinks(true);
        helpWindow_->resize(640, 480);
    }
    // Every help request shows the contents.
    helpWindow_->setSource(kHelpContents);
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
}

}  // namespace quillet
