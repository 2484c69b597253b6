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

#include "protocol/ValueText.h"
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

const QString kSettings = QStringLiteral("Settings");
const QString kModem = QStringLiteral("Modem");
const QString kAccess = QStringLiteral("Access");
const QString kPorts = QStringLiteral("Ports");

constexpr int kDefaultPortIndex = 1;  // "COM2"
constexpr int kDefaultTimeoutMs = 500;
constexpr int kMaxModemLineLength = 30;
constexpr int kPasswordLength = 5;
const std::string kDefaultModemInit = "AT&F1&B1M3E0Q0&D0";
const std::string kDefaultPassword = "Q7K2M";
const std::string kDefaultControllerAddress = "0";

constexpr int kModemLink = 2;

const QUrl kHelpContents(QStringLiteral("qrc:/help/index.html"));

// Only ASCII letters and digits go into passwords and the controller address: the
// devices compare them byte by byte.
bool isAsciiLetterOrDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

bool isLetterOrDigitText(const QString& text, qsizetype length) {
    return text.size() == length && std::all_of(text.begin(), text.end(), isAsciiLetterOrDigit);
}

int inRangeOr(int value, int low, int high, int replacement) {
    return value >= low && value <= high ? value : replacement;
}

QString portName(int portIndex) {
    const std::string_view name = PortNameTable[static_cast<std::size_t>(portIndex)];
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
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
    settings_.initialTab = readSettingInt(kSettings, QStringLiteral("InitialTab"), -1);

    int baudIndex = readSettingInt(kSettings, QStringLiteral("ComSpeed"), kDefaultBaudIndex);
    if (!isValidBaudIndex(baudIndex)) {
        baudIndex = kDefaultBaudIndex;
    }
    int portIndex = readSettingInt(kSettings, QStringLiteral("ComPort"), kDefaultPortIndex);
    if (!isValidPortIndex(portIndex)) {
        portIndex = kDefaultPortIndex;
    }
    settings_.timeoutMs =
        inRangeOr(readSettingInt(kSettings, QStringLiteral("Timeout"), kDefaultTimeoutMs), 100,
                  10000, kDefaultTimeoutMs);

    bool mapChanged = false;
    for (int i = 0; i < kPortCount; ++i) {
        const QString device = readSettingString(kPorts, portName(i),
                                                 QString::fromStdString(PortMap::defaultDevice(i)));
        const std::string before = port_->portMap().device(i);
        port_->portMap().setDevice(i, device.toStdString());
        mapChanged = mapChanged || port_->portMap().device(i) != before;
    }
    if (mapChanged) {
        // An open port would go on using the old device.
        port_->close();
    }
    port_->configure(portIndex, baudIndex, settings_.timeoutMs);

    const QString address = readSettingString(kSettings, QStringLiteral("ControlerAddress"),
                                              QString::fromStdString(kDefaultControllerAddress));
    settings_.controllerAddress =
        isLetterOrDigitText(address, 1) ? address.toStdString() : kDefaultControllerAddress;
    settings_.linkType = readSettingInt(kSettings, QStringLiteral("Controler"), 0);
    settings_.errorReport = readSettingInt(kSettings, QStringLiteral("ErrorReport"), 1);

    const auto modemLine = [this](const QString& name) {
        const QString text =
            readSettingString(kModem, name, QString::fromStdString(kDefaultModemInit));
        return text.size() <= kMaxModemLineLength ? text.toStdString() : kDefaultModemInit;
    };
    settings_.init = modemLine(QStringLiteral("Init"));
    settings_.numberPrefix =
        readSettingString(kModem, QStringLiteral("NumberPrefix"), QStringLiteral("ATDP"))
            .toStdString();
    settings_.number = readSettingString(kModem, QStringLiteral("Number"), {}).toStdString();
    settings_.modCommand = modemLine(QStringLiteral("ModCommand"));
    settings_.modTime = inRangeOr(readSettingInt(kModem, QStringLiteral("ModTime"), 1), 1, 15, 1);
    settings_.modEnable = readSettingInt(kModem, QStringLiteral("ModEnable"), 0);

    const auto password = [this](const QString& name) {
        const QString text =
            readSettingString(kAccess, name, QString::fromStdString(kDefaultPassword));
        return isLetterOrDigitText(text, kPasswordLength) ? text.toStdString() : kDefaultPassword;
    };
    settings_.groupPassword = password(QStringLiteral("GroupPassword"));
    settings_.privatePassword = password(QStringLiteral("PrivatePassword"));
    settings_.category =
        inRangeOr(readSettingInt(kAccess, QStringLiteral("Category"), 0), 0, 99, 0);
    settings_.address = inRangeOr(readSettingInt(kAccess, QStringLiteral("Address"), 0), 0, 999, 0);

    exchangeCancelled = false;
}

void Application::hangUpModemIfLinked() {
    if (settings_.linkType == kModemLink) {
        ModemLink(*port_).modemHangUp();
    }
}

void Application::saveSettings(int currentTab) {
    settings_.initialTab = currentTab;
    const auto writeInt = [this](const QString& section, const QString& name, int value) {
        store_->setValue(section + u'/' + name, QString::number(value));
    };
    const auto writeText = [this](const QString& section, const QString& name,
                                  const std::string& text) {
        store_->setValue(section + u'/' + name, QString::fromStdString(text));
    };
    writeInt(kSettings, QStringLiteral("InitialTab"), currentTab);
    writeInt(kSettings, QStringLiteral("ComPort"), port_->portIndex());
    writeInt(kSettings, QStringLiteral("ComSpeed"), port_->baudIndex());
    writeInt(kSettings, QStringLiteral("Timeout"), settings_.timeoutMs);
    writeInt(kSettings, QStringLiteral("Controler"), settings_.linkType);
    writeText(kSettings, QStringLiteral("ControlerAddress"), settings_.controllerAddress);
    writeInt(kSettings, QStringLiteral("ErrorReport"), settings_.errorReport);
    writeText(kModem, QStringLiteral("Init"), settings_.init);
    writeText(kModem, QStringLiteral("NumberPrefix"), settings_.numberPrefix);
    writeText(kModem, QStringLiteral("Number"), settings_.number);
    writeText(kModem, QStringLiteral("ModCommand"), settings_.modCommand);
    writeInt(kModem, QStringLiteral("ModTime"), settings_.modTime);
    writeInt(kModem, QStringLiteral("ModEnable"), settings_.modEnable);
    writeText(kAccess, QStringLiteral("GroupPassword"), settings_.groupPassword);
    writeText(kAccess, QStringLiteral("PrivatePassword"), settings_.privatePassword);
    writeInt(kAccess, QStringLiteral("Category"), settings_.category);
    writeInt(kAccess, QStringLiteral("Address"), settings_.address);
    // Written although the program never changes them, so the operator finds where to.
    for (int i = 0; i < kPortCount; ++i) {
        writeText(kPorts, portName(i), port_->portMap().device(i));
    }
    syncStore();
}

int Application::readSettingInt(const QString& section, const QString& name, int defaultValue) {
    const QString text = readSettingString(section, name, QString::number(defaultValue));
    const int value = textAsInt(text.toStdString());
    return value == -1 ? defaultValue : value;
}

QString Application::readSettingString(const QString& section, const QString& name,
                                       const QString& defaultValue) {
    // Only plain text counts: typed values (@Variant, @ByteArray) and lists are missing.
    const QVariant value = store_->value(section + u'/' + name);
    if (value.typeId() != QMetaType::QString) {
        return defaultValue;
    }
    return value.toString();
}

void Application::writeSettingInt(const QString& section, const QString& name, int value) {
    writeSettingString(section, name, QString::number(value));
}

void Application::writeSettingString(const QString& section, const QString& name,
                                     const QString& text) {
    store_->setValue(section + u'/' + name, text);
    syncStore();
}

void Application::syncStore() {
    const QString fileName = store_->fileName();
    // Created private before the first write, so the passwords are never readable by
    // others; later writes keep the mode of the file they replace.
    if (!fileName.isEmpty() && !QFileInfo::exists(fileName)) {
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        QFile file(fileName);
        file.open(QIODevice::WriteOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    store_->sync();
    if (!fileName.isEmpty()) {
        QFile::setPermissions(fileName, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
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

QString Application::formatFileHeader() const {
    return QString::asprintf(
        "Групповой пароль: %s\nИндивидуальный пароль: %s\nАдрес: %03d\nКатегория "
        "потребителя: %02d\n",
        settings_.groupPassword.c_str(), settings_.privatePassword.c_str(), settings_.address,
        settings_.category);
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
