#pragma once

#include <QString>
#include <array>
#include <string>

#include "meter/AppSettings.h"
#include "serial/PortTables.h"

class QSettings;

namespace quillet {

// Everything the program keeps in the settings store, as read with its defaults and
// checks.
struct StoredSettings {
    AppSettings settings;
    int portIndex = 1;  // "COM2"
    int baudIndex = kDefaultBaudIndex;
    std::array<std::string, kPortCount> devices;  // section "Ports", "COM1".."COM4"
};

// The settings store's sections and value names. Values are plain text; a value of
// another type, or one that fails its check, reads as its default.
class SettingsStore {
public:
    explicit SettingsStore(QSettings& store) : store_(store) {}

    StoredSettings load() const;
    // Writes every value in the order of the program's exit, then the file.
    void save(const StoredSettings& values);

    int readInt(const QString& section, const QString& name, int defaultValue) const;
    QString readString(const QString& section, const QString& name,
                       const QString& defaultValue) const;
    void writeString(const QString& section, const QString& name, const QString& text);
    // Writes pending values to the file and keeps it private to its owner.
    void sync();

    // "COM1".."COM4".
    static QString portName(int portIndex);

private:
    QSettings& store_;
};

}  // namespace quillet
