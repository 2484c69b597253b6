#include "app/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "protocol/ValueText.h"
#include "serial/PortMap.h"

namespace quillet {

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kModem = QStringLiteral("Modem");
const QString kAccess = QStringLiteral("Access");
const QString kPorts = QStringLiteral("Ports");

constexpr int kDefaultPortIndex = 1;  // "COM2"
constexpr int kDefaultTimeoutMs = 500;
constexpr int kMaxModemLineLength = 30;
const std::string kDefaultModemInit = "AT&F1&B1M3E0Q0&D0";
const std::string kDefaultPassword = "Q7K2M";
const std::string kDefaultControllerAddress = "0";

int inRangeOr(int value, int low, int high, int replacement) {
    return value >= low && value <= high ? value : replacement;
}

}  // namespace

QString SettingsStore::portName(int portIndex) {
    const std::string_view name = PortNameTable[static_cast<std::size_t>(portIndex)];
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

StoredSettings SettingsStore::load() const {
    StoredSettings stored;
    AppSettings& s = stored.settings;
    s.initialTab = readInt(kSettings, QStringLiteral("InitialTab"), -1);

    stored.baudIndex = readInt(kSettings, QStringLiteral("ComSpeed"), kDefaultBaudIndex);
    if (!isValidBaudIndex(stored.baudIndex)) {
        stored.baudIndex = kDefaultBaudIndex;
    }
    stored.portIndex = readInt(kSettings, QStringLiteral("ComPort"), kDefaultPortIndex);
    if (!isValidPortIndex(stored.portIndex)) {
        stored.portIndex = kDefaultPortIndex;
    }
    s.timeoutMs = inRangeOr(readInt(kSettings, QStringLiteral("Timeout"), kDefaultTimeoutMs), 100,
                            10000, kDefaultTimeoutMs);
    for (int i = 0; i < kPortCount; ++i) {
        stored.devices[static_cast<std::size_t>(i)] =
            readString(kPorts, portName(i), QString::fromStdString(PortMap::defaultDevice(i)))
                .toStdString();
    }

    const QString address = readString(kSettings, QStringLiteral("ControlerAddress"),
                                       QString::fromStdString(kDefaultControllerAddress));
    s.controllerAddress = AppSettings::isValidControllerAddress(address.toStdString())
                              ? address.toStdString()
                              : kDefaultControllerAddress;
    s.linkType = readInt(kSettings, QStringLiteral("Controler"), 0);
    s.errorReport = readInt(kSettings, QStringLiteral("ErrorReport"), 1);

    const auto modemLine = [this](const QString& name) {
        const QString text = readString(kModem, name, QString::fromStdString(kDefaultModemInit));
        return text.size() <= kMaxModemLineLength ? text.toStdString() : kDefaultModemInit;
    };
    s.init = modemLine(QStringLiteral("Init"));
    s.numberPrefix =
        readString(kModem, QStringLiteral("NumberPrefix"), QStringLiteral("ATDP")).toStdString();
    s.number = readString(kModem, QStringLiteral("Number"), {}).toStdString();
    s.modCommand = modemLine(QStringLiteral("ModCommand"));
    s.modTime = inRangeOr(readInt(kModem, QStringLiteral("ModTime"), 1), 1, 15, 1);
    s.modEnable = readInt(kModem, QStringLiteral("ModEnable"), 0);

    const auto password = [this](const QString& name) {
        const QString text = readString(kAccess, name, QString::fromStdString(kDefaultPassword));
        return AppSettings::isValidPassword(text.toStdString()) ? text.toStdString()
                                                                : kDefaultPassword;
    };
    s.groupPassword = password(QStringLiteral("GroupPassword"));
    s.privatePassword = password(QStringLiteral("PrivatePassword"));
    s.category = inRangeOr(readInt(kAccess, QStringLiteral("Category"), 0), 0, 99, 0);
    s.address = inRangeOr(readInt(kAccess, QStringLiteral("Address"), 0), 0, 999, 0);
    return stored;
}

void SettingsStore::save(const StoredSettings& values) {
    const AppSettings& s = values.settings;
    const auto writeInt = [this](const QString& section, const QString& name, int value) {
        store_.setValue(section + u'/' + name, QString::number(value));
    };
    const auto writeText = [this](const QString& section, const QString& name,
                                  const std::string& text) {
        store_.setValue(section + u'/' + name, QString::fromStdString(text));
    };
    writeInt(kSettings, QStringLiteral("InitialTab"), s.initialTab);
    writeInt(kSettings, QStringLiteral("ComPort"), values.portIndex);
    writeInt(kSettings, QStringLiteral("ComSpeed"), values.baudIndex);
    writeInt(kSettings, QStringLiteral("Timeout"), s.timeoutMs);
    writeInt(kSettings, QStringLiteral("Controler"), s.linkType);
    writeText(kSettings, QStringLiteral("ControlerAddress"), s.controllerAddress);
    writeInt(kSettings, QStringLiteral("ErrorReport"), s.errorReport);
    writeText(kModem, QStringLiteral("Init"), s.init);
    writeText(kModem, QStringLiteral("NumberPrefix"), s.numberPrefix);
    writeText(kModem, QStringLiteral("Number"), s.number);
    writeText(kModem, QStringLiteral("ModCommand"), s.modCommand);
    writeInt(kModem, QStringLiteral("ModTime"), s.modTime);
    writeInt(kModem, QStringLiteral("ModEnable"), s.modEnable);
    writeText(kAccess, QStringLiteral("GroupPassword"), s.groupPassword);
    writeText(kAccess, QStringLiteral("PrivatePassword"), s.privatePassword);
    writeInt(kAccess, QStringLiteral("Category"), s.category);
    writeInt(kAccess, QStringLiteral("Address"), s.address);
    // Written although the program never changes them, so the operator finds where to.
    for (int i = 0; i < kPortCount; ++i) {
        writeText(kPorts, portName(i), values.devices[static_cast<std::size_t>(i)]);
    }
    sync();
}

int SettingsStore::readInt(const QString& section, const QString& name, int defaultValue) const {
    const QString text = readString(section, name, QString::number(defaultValue));
    const int value = textAsInt(text.toStdString());
    return value == -1 ? defaultValue : value;
}

QString SettingsStore::readString(const QString& section, const QString& name,
                                  const QString& defaultValue) const {
    // Only plain text counts: typed values (@Variant, @ByteArray) and lists are missing.
    const QVariant value = store_.value(section + u'/' + name);
    if (value.typeId() != QMetaType::QString) {
        return defaultValue;
    }
    return value.toString();
}

void SettingsStore::writeString(const QString& section, const QString& name, const QString& text) {
    store_.setValue(section + u'/' + name, text);
    sync();
}

void SettingsStore::sync() {
    const QString fileName = store_.fileName();
    // Created private before the first write, so the passwords are never readable by
    // others; later writes keep the mode of the file they replace.
    if (!fileName.isEmpty() && !QFileInfo::exists(fileName)) {
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        QFile file(fileName);
        file.open(QIODevice::WriteOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    store_.sync();
    if (!fileName.isEmpty()) {
        QFile::setPermissions(fileName, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

}  // namespace quillet
