#pragma once

#include <QString>
#include <atomic>
#include <memory>

#include "app/FileDialogs.h"
#include "meter/AppSettings.h"
#include "serial/SerialPort.h"

class QObject;
class QSettings;
class QTextBrowser;

namespace quillet {

namespace sim {
class LineSimulator;
struct SimulatorOptions;
}  // namespace sim
struct SharedLine;

// The program's one application object: the settings, the one serial port (with the
// embedded simulated line that the port map's "sim" device names), the settings store and
// the small services the rest of the program uses.
class Application {
public:
    // `store` is the settings store; null: QSettings("Halvorn", "Quillet").
    explicit Application(std::unique_ptr<QSettings> store = nullptr);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The one instance while it exists.
    static Application& instance();

    AppSettings& settings() { return settings_; }
    SerialPort& port() { return *port_; }
    // Set by Cancel in the exchange error dialog; every further command of the operation
    // then fails at once. Cleared when a device operation starts and ends.
    std::atomic<bool> exchangeCancelled{false};
    // The simulated line behind the device name "sim".
    sim::LineSimulator& simulator();
    SharedLine& simulatedLine();
    // Tests: puts a fresh simulator built from `options` (for example with a modem) on the
    // line. The port is closed first, so the next exchange opens it on the new devices.
    void replaceSimulator(const sim::SimulatorOptions& options);

    // Reads every setting with its default and check and configures the port; reads the
    // port map (section "Ports") into the port. Start-up steps before the main window.
    void loadSettings();
    // Writes every setting back, in the order of the exit; `currentTab` is the page shown.
    void saveSettings(int currentTab);
    // Hangs up the modem when the link goes through one (Controler 2). The exit calls it
    // before saveSettings.
    void hangUpModemIfLinked();
    // True once the program was asked to quit; the port's waits then end at once.
    bool quitRequested() const { return quitRequested_; }

    int readSettingInt(const QString& section, const QString& name, int defaultValue);
    QString readSettingString(const QString& section, const QString& name,
                              const QString& defaultValue);
    void writeSettingInt(const QString& section, const QString& name, int value);
    void writeSettingString(const QString& section, const QString& name, const QString& text);

    // Registers a data-file type with the desktop; failures are ignored.
    void registerFileType(const QString& extension, const QString& description);
    // Opens the contents page of the program's help.
    void showHelp();

    QSettings& store() { return *store_; }

    // Where the pages' file dialogs come from; tests install fixed answers.
    FileDialogs& fileDialogs() { return *fileDialogs_; }
    void setFileDialogs(std::unique_ptr<FileDialogs> dialogs) { fileDialogs_ = std::move(dialogs); }

private:
    std::unique_ptr<QSettings> store_;
    AppSettings settings_;
    std::shared_ptr<sim::LineSimulator> simulator_;
    std::shared_ptr<SharedLine> simulatedLine_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<FileDialogs> fileDialogs_ = std::make_unique<FileDialogs>();
    // Watches the application object for the request to quit.
    std::unique_ptr<QObject> quitWatch_;
    bool quitRequested_ = false;
    // Created by the first showHelp(); a widget, so the Application must go before the
    // QApplication does.
    std::unique_ptr<QTextBrowser> helpWindow_;
};

}  // namespace quillet
