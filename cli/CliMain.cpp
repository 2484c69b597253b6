#include "cli/CliMain.h"

#include <QSettings>
#include <QString>
#include <cstdio>
#include <filesystem>

#include "app/DataFiles.h"
#include "app/SettingsStore.h"
#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "cli/LineTraceFile.h"
#include "cli/Output.h"
#include "cli/Reads.h"
#include "cli/RecordingRunner.h"
#include "cli/SendCommand.h"
#include "serial/SimulatedLineDevice.h"
#include "sim/LineSimulator.h"

namespace quillet::cli {

namespace {

constexpr int kAllSucceeded = 0;
constexpr int kSomeFailed = 1;
constexpr int kUsageError = 2;

int usageError(std::ostream& err, const std::string& message) {
    err << "quillet-cli: " << message << "\n(quillet-cli --help lists the commands and options)\n";
    return kUsageError;
}

StoredSettings loadStoredSettings(const CliEnvironment& environment) {
    std::unique_ptr<QSettings> store =
        environment.openStore
            ? environment.openStore()
            : std::make_unique<QSettings>(QStringLiteral("Halvorn"), QStringLiteral("Quillet"));
    return SettingsStore(*store).load();
}

// The devices of the built-in simulator: a meter at every address read, answering to the
// passwords of the link, so a run works out of the box.
std::shared_ptr<LinePeer> defaultSimulator(const LinkChoice& link,
                                           const std::vector<int>& addresses) {
    sim::SimulatorOptions options;
    options.devices.meters.clear();
    for (const int address : addresses) {
        sim::MeterConfig meter;
        meter.address = address;
        meter.privatePassword = link.settings.privatePassword;
        meter.groupPassword = link.settings.groupPassword;
        meter.category = link.settings.category;
        options.devices.meters.push_back(meter);
    }
    options.devices.controllerAddress = link.settings.controllerAddress.front();
    return std::make_shared<sim::LineSimulator>(options);
}

// With several meters each gets its own file: the address goes before the extension.
// A name without an extension gets the page's.
std::string savePathFor(const std::string& path, std::string_view extension, int address,
                        bool several) {
    std::filesystem::path file(path);
    if (!file.has_extension()) {
        file += "." + std::string(extension);
    }
    if (several) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "-%03d", address);
        const std::filesystem::path ext = file.extension();
        file.replace_extension();
        file += suffix;
        file += ext;
    }
    return file.string();
}

class ProgressLine {
public:
    ProgressLine(std::ostream& err, bool shown) : err_(err), shown_(shown) {}
    ~ProgressLine() { clear(); }

    void show(std::size_t done, std::size_t total, int address, std::string_view what) {
        if (!shown_) {
            return;
        }
        char line[96];
        std::snprintf(line, sizeof line, "\r\033[K%zu/%zu: address %03d %.*s", done + 1, total,
                      address, static_cast<int>(what.size()), what.data());
        err_ << line << std::flush;
        dirty_ = true;
    }

    void clear() {
        if (dirty_) {
            err_ << "\r\033[K" << std::flush;
            dirty_ = false;
        }
    }

private:
    std::ostream& err_;
    bool shown_;
    bool dirty_ = false;
};

}  // namespace

int runCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const CliEnvironment& environment) {
    auto parsed = parseCliOptions(args);
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        return usageError(err, *problem);
    }
    const CliOptions& options = std::get<CliOptions>(parsed);
    if (options.action == CliOptions::Action::Help) {
        out << usageText();
        return kAllSucceeded;
    }

    const StoredSettings stored = loadStoredSettings(environment);
    if (options.action == CliOptions::Action::Ports) {
        writePorts(options.format, out, findSerialDevices(environment.deviceRoots), stored.devices);
        return kAllSucceeded;
    }

    const ReadSpec* read = nullptr;
    std::optional<SendRequest> send;
    if (options.action == CliOptions::Action::Read) {
        read = findRead(options.readName);
        if (!options.savePath.empty() && read->fileExtension.empty()) {
            return usageError(err, "--save: the " + options.readName + " page keeps no data file");
        }
    } else {
        auto request = parseSend(options.words);
        if (const auto* problem = std::get_if<std::string>(&request)) {
            return usageError(err, *problem);
        }
        if (!options.savePath.empty()) {
            return usageError(err, "--save: send keeps no data file");
        }
        send = std::get<SendRequest>(std::move(request));
    }

    const LinkChoice link = chooseLink(stored, options);
    const std::vector<int> addresses =
        options.addresses.value_or(std::vector<int>{link.settings.address});

    LineTraceFile trace;
    if (!options.tracePath.empty() && !trace.open(options.tracePath)) {
        return usageError(err, "--trace: cannot create " + options.tracePath);
    }
    std::shared_ptr<LinePeer> simulator = environment.simulator;
    if (!simulator && link.device == kSimulatedDeviceName) {
        simulator = defaultSimulator(link, addresses);
    }
    CliSession session(link, options.retries, simulator, environment.interrupted);
    if (!options.tracePath.empty()) {
        session.port().setTrace([&trace](bool sent, std::span<const std::uint8_t> bytes) {
            trace.record(sent, bytes);
        });
    }

    const std::unique_ptr<ReportWriter> writer = makeReportWriter(options.format, out);
    const std::string_view what = read != nullptr ? read->name : std::string_view("send");
    writer->begin(what);
    int status = kAllSucceeded;

    std::string dialFailure;
    if (!session.connect(dialFailure)) {
        err << "quillet-cli: " << dialFailure << '\n';
        writer->end(dialFailure);
        session.port().close();
        trace.close();
        return kSomeFailed;
    }

    ProgressLine progress(err, environment.showProgress);
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        if (environment.interrupted != nullptr && *environment.interrupted) {
            progress.clear();
            err << "quillet-cli: " << kInterrupted << '\n';
            status = kSomeFailed;
            break;
        }
        const int address = addresses[i];
        progress.show(i, addresses.size(), address, what);
        session.settings().address = address;
        RecordingRunner runner(session.commands(),
                               [&session] { return session.commands().lastFailure(); });
        MeterReport report;
        report.address = address;
        std::string body;
        const bool saving = !options.savePath.empty();
        if (read != nullptr) {
            read->run(runner, options.words, report, saving ? &body : nullptr);
        } else {
            runSend(runner, *send, report);
        }
        report.complete = report.complete && runner.allSucceeded();
        if (!report.complete) {
            status = kSomeFailed;
        }
        progress.clear();
        writer->write(report);

        if (saving) {
            const std::string path =
                savePathFor(options.savePath, read->fileExtension, address, addresses.size() > 1);
            if (!saveDataFile(QString::fromStdString(path), session.settings(),
                              QString::fromStdString(body))) {
                err << "quillet-cli: cannot save " << path << '\n';
                status = kSomeFailed;
            }
        }
    }

    session.disconnect();
    writer->end({});
    session.port().close();
    if (!trace.close()) {
        err << "quillet-cli: the trace could not be written to " << options.tracePath << '\n';
        status = kSomeFailed;
    }
    return status;
}

}  // namespace quillet::cli
