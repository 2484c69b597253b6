// quillet-cli run in process against the simulator (built in, and over a pseudo-terminal):
// options and usage errors, the settings store, ranges of meters with one missing, repeats,
// the modem link, the trace and data files, the device list and the output formats.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/CliMain.h"
#include "cli/CliOptions.h"
#include "cli/LineTraceFile.h"
#include "cli/Output.h"
#include "protocol/Cp1251.h"
#include "sim/LineSimulator.h"
#include "sim/MeterModel.h"
#include "sim/PtyServer.h"
#include "tests/meter/SimulatedMeters.h"

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

sim::SimulatorOptions meters(std::initializer_list<int> addresses) {
    return testing::SimulatedMeters::withMeters(addresses);
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CliTest : public ::testing::Test {
protected:
    CliTest() {
        environment.openStore = [this] {
            return std::make_unique<QSettings>(storePath(), QSettings::IniFormat);
        };
    }

    QString storePath() const { return dir.filePath(QStringLiteral("store.ini")); }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }

    void setStored(const char* key, const char* value) {
        QSettings store(storePath(), QSettings::IniFormat);
        store.setValue(QString::fromUtf8(key), QString::fromUtf8(value));
    }

    // The simulator behind "sim" for the next runs.
    sim::LineSimulator& simulate(const sim::SimulatorOptions& options) {
        simulator = std::make_shared<sim::LineSimulator>(options);
        environment.simulator = simulator;
        return *simulator;
    }

    CliRun run(std::vector<std::string> args) {
        std::ostringstream out;
        std::ostringstream err;
        CliRun result;
        result.status = runCli(args, out, err, environment);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    static QJsonObject json(const CliRun& run) {
        QJsonParseError error{};
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out;
        return document.object();
    }

    QTemporaryDir dir;
    CliEnvironment environment;
    std::shared_ptr<sim::LineSimulator> simulator;
};

// --- Options ---------------------------------------------------------------------------

TEST(CliOptionsTest, AddressListsTakeRangesOnceEachAndRejectWhatIsNoAddress) {
    const struct {
        const char* text;
        std::optional<std::vector<int>> addresses;
    } cases[] = {
        {"5", std::vector<int>{5}},
        {"1-3,35", std::vector<int>{1, 2, 3, 35}},
        {"3,1-3", std::vector<int>{3, 1, 2}},
        {"0-0,999", std::vector<int>{0, 999}},
        {"", std::nullopt},
        {"1,", std::nullopt},
        {"3-1", std::nullopt},
        {"1-", std::nullopt},
        {"-4", std::nullopt},
        {"1000", std::nullopt},
        {"1-1000", std::nullopt},
        {"a", std::nullopt},
        {"1 2", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseAddressList(c.text), c.addresses) << c.text;
    }
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndSayWhatIsWrongBeforeAnythingIsSent) {
    simulate(meters({0}));
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{}, "no command"},
        {{"dance"}, "unknown command: dance"},
        {{"--colour", "red", "service"}, "unknown option: --colour"},
        {{"service", "--speed", "1234"}, "--speed"},
        {{"service", "--address", "5-1"}, "--address"},
        {{"service", "--format", "xml"}, "--format"},
        {{"service", "--link", "radio"}, "--link"},
        {{"service", "--password", "ABC"}, "--password"},
        {{"service", "--timeout", "50"}, "--timeout"},
        {{"service", "--retries", "-1"}, "--retries"},
        {{"service", "--port", "COM9"}, "--port"},
        {{"service", "--port"}, "--port needs a value"},
        {{"service", "extra"}, "service"},
        {{"graph"}, "graph"},
        {{"graph", "31/02"}, "graph"},
        {{"schedule", "13"}, "schedule"},
        {{"service", "--save", "x"}, "keeps no data file"},
        {{"send"}, "send"},
        {{"send", "999"}, "999"},
    };
    for (const auto& c : cases) {
        const CliRun result = run(c.args);
        EXPECT_EQ(result.status, 2) << c.says;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
    EXPECT_TRUE(simulator->framesSeen().empty());
}

TEST_F(CliTest, HelpListsEveryReadAndExitsWithZero) {
    const CliRun result = run({"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* read : {"service", "clock", "readings", "graph DAY/MONTH", "schedule MONTH",
                             "holidays", "thresholds", "display", "tariffs", "payment", "send"}) {
        EXPECT_NE(result.out.find(read), std::string::npos) << read;
    }
}

// --- Reading meters ----------------------------------------------------------------------

TEST_F(CliTest, ARangeWithOneMeterMissingReadsTheOthersAndExitsWithOne) {
    simulate(meters({1, 2, 4}));
    const CliRun result = run({"--port", "sim", "--address", "1-4", "--format", "json", "service"});
    EXPECT_EQ(result.status, 1) << result.err;
    const QJsonObject document = json(result);
    EXPECT_EQ(document["read"].toString(), "service");
    const QJsonArray read = document["meters"].toArray();
    ASSERT_EQ(read.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const QJsonObject meter = read[i].toObject();
        const bool present = i != 2;
        EXPECT_EQ(meter["address"].toInt(), i + 1);
        EXPECT_EQ(meter["complete"].toBool(), present) << i + 1;
        const QJsonObject values = meter["values"].toObject();
        const QJsonObject failures = meter["failures"].toObject();
        EXPECT_FALSE(values.isEmpty());
        for (const QString& key : values.keys()) {
            EXPECT_EQ(values[key].isNull(), !present) << key.toStdString();
            EXPECT_EQ(failures.contains(key), !present) << key.toStdString();
        }
        if (!present) {
            // The missing meter's values carry the system's message for a silent line.
            EXPECT_NE(failures.begin()->toString().toStdString().find("Нет символа начала ответа."),
                      std::string::npos)
                << failures.begin()->toString().toStdString();
        }
    }
}

// The meters, with a stop requested as the second frame reaches them (as a Ctrl-C would).
class StopAtSecondFrame final : public LinePeer {
public:
    StopAtSecondFrame(std::shared_ptr<sim::LineSimulator> devices, std::atomic<bool>& stop)
        : devices_(std::move(devices)), stop_(stop) {}

    void receive(std::span<const std::uint8_t> bytes, int baudRate, Clock::time_point at) override {
        devices_->receive(bytes, baudRate, at);
        if (devices_->framesSeen().size() >= 2) {
            stop_ = true;
        }
    }
    std::vector<std::uint8_t> takeDue(Clock::time_point now) override {
        return devices_->takeDue(now);
    }
    std::optional<Clock::time_point> nextDue() const override { return devices_->nextDue(); }
    unsigned modemLines(Clock::time_point now) override { return devices_->modemLines(now); }

private:
    std::shared_ptr<sim::LineSimulator> devices_;
    std::atomic<bool>& stop_;
};

TEST_F(CliTest, AStopEndsTheRunAfterTheCommandUnderWayAndSaysWhyTheRestIsMissing) {
    std::atomic<bool> stop{false};
    auto devices = std::make_shared<sim::LineSimulator>(meters({1, 2}));
    environment.simulator = std::make_shared<StopAtSecondFrame>(devices, stop);
    environment.interrupted = &stop;
    const CliRun result = run({"--port", "sim", "--address", "1,2", "--format", "json", "service"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("interrupted"), std::string::npos) << result.err;
    EXPECT_EQ(devices->framesSeen().size(), 2u);

    const QJsonArray read = json(result)["meters"].toArray();
    ASSERT_EQ(read.size(), 1);  // meter 2 is never begun
    const QJsonObject meter = read[0].toObject();
    EXPECT_FALSE(meter["complete"].toBool());
    const QJsonObject values = meter["values"].toObject();
    const QJsonObject failures = meter["failures"].toObject();
    int kept = 0;
    for (const QString& key : values.keys()) {
        if (values[key].isNull()) {
            EXPECT_EQ(failures[key].toString(), "interrupted") << key.toStdString();
        } else {
            ++kept;
            EXPECT_FALSE(failures.contains(key)) << key.toStdString();
        }
    }
    // The two commands that went out kept their values; the rest are missing.
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, values.size());
}

TEST_F(CliTest, WithoutOptionsTheLinkComesFromTheSettingsStoreWhichStaysUntouched) {
    setStored("Settings/ComPort", "2");
    setStored("Ports/COM3", "sim");
    setStored("Access/Address", "7");
    setStored("Access/PrivatePassword", "ABCDE");
    sim::SimulatorOptions options = meters({7});
    options.devices.meters[0].privatePassword = "ABCDE";
    simulate(options);
    const std::string before = readFile(storePath().toStdString());

    const CliRun result = run({"--format", "json", "service"});
    EXPECT_EQ(result.status, 0) << result.err;
    const QJsonObject meter = json(result)["meters"].toArray()[0].toObject();
    EXPECT_EQ(meter["address"].toInt(), 7);
    EXPECT_TRUE(meter["complete"].toBool());
    EXPECT_EQ(readFile(storePath().toStdString()), before);

    // A password given on the command line wins over the stored one.
    EXPECT_EQ(run({"--password", "ZZZZZ", "service"}).status, 1);
}

TEST_F(CliTest, TheBuiltInSimulatorAnswersAtEveryAddressAsked) {
    const CliRun result = run({"--port", "sim", "--address", "5,6", "--format", "csv", "tariffs"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(result.out.starts_with("address,key,value,failure\r\n")) << result.out;
    EXPECT_NE(result.out.find("\r\n5,"), std::string::npos);
    EXPECT_NE(result.out.find("\r\n6,"), std::string::npos);
}

TEST_F(CliTest, OverAPseudoTerminalTheRealTerminalPathReadsTheMeter) {
    auto line = std::make_shared<SharedLine>(std::make_shared<sim::LineSimulator>(meters({3})));
    sim::PtyServer server(line);
    server.start();
    const CliRun result =
        run({"--port", server.terminalPath(), "--address", "3", "--format", "csv", "service"});
    server.stop();
    EXPECT_EQ(result.status, 0) << result.err;
    std::istringstream rows(result.out);
    std::string row;
    std::getline(rows, row);
    int values = 0;
    while (std::getline(rows, row)) {
        // address,key,value,failure: every value there, no failure.
        EXPECT_TRUE(row.starts_with("3,")) << row;
        EXPECT_TRUE(row.ends_with(",\r")) << row;
        ++values;
    }
    EXPECT_GE(values, 7);
}

TEST_F(CliTest, RetriesRepeatAFailedCommandBeforeItCountsAsFailed) {
    const struct {
        const char* retries;
        int status;
    } cases[] = {{"0", 1}, {"1", 0}, {"2", 0}};
    for (const auto& c : cases) {
        simulate(meters({0})).faults().script({sim::Fault::BadChecksum});
        const CliRun result = run({"--port", "sim", "--retries", c.retries, "tariffs"});
        EXPECT_EQ(result.status, c.status) << c.retries;
        if (c.status == 1) {
            EXPECT_NE(result.out.find("Неверный ответ счетчика"), std::string::npos) << result.out;
        }
    }
}

TEST_F(CliTest, AModemLinkDialsBeforeTheFirstMeterAndHangsUpAfterTheLast) {
    sim::SimulatorOptions options = meters({1, 2});
    options.modem.emplace();
    options.modem->dialTime = 50ms;
    setStored("Modem/Number", "5551234");
    sim::LineSimulator& devices = simulate(options);
    const std::string trace = path("modem.trace");
    const CliRun result =
        run({"--port", "sim", "--link", "modem", "--address", "1,2", "--trace", trace, "tariffs"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(devices.modem()->carrier());
    const std::string text = readFile(trace);
    const std::size_t dial = text.find("ATDP5551234");
    const std::size_t firstFrame = text.find("->", text.find("CONNECT"));
    const std::size_t hangUp = text.rfind("+++");
    ASSERT_NE(dial, std::string::npos) << text;
    ASSERT_NE(hangUp, std::string::npos) << text;
    EXPECT_LT(dial, firstFrame);
    EXPECT_GT(hangUp, text.rfind("<-", hangUp - 40));

    options.modem->dialOutcomes = {sim::DialOutcome::Busy};
    simulate(options);
    const CliRun busy = run({"--port", "sim", "--link", "modem", "tariffs"});
    EXPECT_EQ(busy.status, 1);
    EXPECT_NE(busy.err.find("Ошибка соединения."), std::string::npos) << busy.err;
    EXPECT_TRUE(busy.out.empty()) << busy.out;
}

// Every read through the whole program: its JSON carries the simulator's state.
TEST_F(CliTest, EveryReadsJsonCarriesTheMetersState) {
    sim::LineSimulator& devices = simulate(meters({9}));
    sim::MeterModel& meter = *devices.devices().meter(9);
    sim::MeterSettings& set = meter.settings();
    set.summerTime = false;
    set.powerThresholdKw = 12.3;
    set.displayModes = {0, 1, 1, 0, 0, 1, 0, 1};
    set.displayCycleSeconds = 17;
    set.singleTariff = true;
    set.loadMode = 2;
    set.holidays[1] = {8, 3, 0};
    set.schedule[2][0].halfPeakStart = {7, 30};
    char serial[16];
    std::snprintf(serial, sizeof serial, "%04X%08X",
                  static_cast<unsigned>(meter.serialNumber() >> 32),
                  static_cast<unsigned>(meter.serialNumber() & 0xFFFFFFFF));
    const double marchHalfPeak = meter.monthReadings(3)[0];

    const struct {
        std::vector<std::string> read;
        const char* key;  // dots: levels of the JSON objects
        QJsonValue expected;
    } cases[] = {
        {{"service"}, "serial", QString::fromLatin1(serial)},
        {{"clock"}, "summerTime", false},
        {{"readings", "2"}, "months.3.halfPeak", marchHalfPeak},
        {{"graph", "1/01"}, "date", "01/01"},
        {{"schedule", "3"}, "days.sunday.halfPeakStart", "07:30"},
        {{"holidays"}, "holidays.2", "08/03"},
        {{"thresholds"}, "power", 12.3},
        {{"display"}, "modes.8", true},
        {{"display"}, "cycleSeconds", 17},
        {{"tariffs"}, "singleTariff", true},
        {{"payment"}, "loadMode", 2},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--port", "sim", "--address", "9", "--format", "json"};
        args.insert(args.end(), c.read.begin(), c.read.end());
        const CliRun result = run(args);
        EXPECT_EQ(result.status, 0) << c.key << result.err;
        QJsonValue value = json(result)["meters"].toArray()[0].toObject()["values"];
        for (const QString& level : QString::fromLatin1(c.key).split('.')) {
            value = value.toObject()[level];
        }
        // Energies travel with three decimals.
        if (c.expected.isDouble() && value.isDouble()) {
            EXPECT_NEAR(value.toDouble(), c.expected.toDouble(), 5e-4) << c.read[0] << c.key;
        } else {
            EXPECT_EQ(value, c.expected) << c.read[0] << " " << c.key << ": " << result.out;
        }
    }
}

// --- Files -------------------------------------------------------------------------------

TEST_F(CliTest, TheTraceHoldsEveryByteOfTheLineWithItsTimeAndDirection) {
    simulate(meters({0}));
    const std::string trace = path("line.trace");
    ASSERT_EQ(run({"--port", "sim", "--trace", trace, "tariffs"}).status, 0);

    const std::regex record(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (->|<-) ((?:[0-9A-F]{2} ){1,16}) *(.*))");
    std::istringstream lines(readFile(trace));
    std::string sentHex;
    int received = 0;
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, record)) << line;
        std::string bytes;
        std::istringstream hex(match[2].str());
        for (unsigned byte; hex >> std::hex >> byte;) {
            bytes += static_cast<char>(byte);
        }
        // The text column shows the same bytes, control bytes as dots.
        ASSERT_EQ(match[3].str().size(), bytes.size()) << line;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            EXPECT_EQ(match[3].str()[i], byte < 0x20 ? '.' : bytes[i]) << line;
        }
        if (match[1] == "->") {
            sentHex += bytes;
        } else {
            ++received;
        }
    }
    std::string framesSent;
    for (const std::string& frame : simulator->framesSeen()) {
        framesSent += frame;
    }
    EXPECT_EQ(sentHex, framesSent);
    EXPECT_GT(received, 0);
}

TEST_F(CliTest, AFailedTraceLeavesTheEarlierOneAndAMissingFolderIsAUsageError) {
    simulate(meters({0}));
    EXPECT_EQ(run({"--port", "sim", "--trace", path("no/such/folder/t"), "tariffs"}).status, 2);
    EXPECT_TRUE(simulator->framesSeen().empty());
}

TEST_F(CliTest, SavedFilesGetTheAddressOfTheirMeterInNameAndHeader) {
    simulate(meters({1, 2}));
    const CliRun result =
        run({"--port", "sim", "--address", "1,2", "--save", path("h"), "holidays"});
    EXPECT_EQ(result.status, 0) << result.err;
    for (const char* address : {"001", "002"}) {
        const std::string file = readFile(path("h") + "-" + address + ".day");
        EXPECT_NE(file.find(utf8ToCp1251(std::string("Адрес: ") + address + "\r\n")),
                  std::string::npos)
            << file;
    }
    // One meter: the name as given.
    ASSERT_EQ(
        run({"--port", "sim", "--address", "2", "--save", path("one.day"), "holidays"}).status, 0);
    EXPECT_TRUE(fs::exists(path("one.day")));
}

// --- Output ------------------------------------------------------------------------------

TEST(ReportWriterTest, FormatsNestTheKeysQuoteTheTextsAndCarryTheFailures) {
    MeterReport report;
    report.address = 12;
    report.complete = false;
    report.fields = {
        {"a.b", "AB", 1.5, "1.5", ""},
        {"a.c", "AC", true, "да", ""},
        {"name", "Имя", std::string("x,\"y\"\n"), "x", ""},
        {"lost", "Потеряно", std::monostate{}, "-", "Нет ответа.\r\n\r\nКоманда: \"X\""},
        {"count", "N", 7LL, "7", ""},
    };
    const auto render = [&report](OutputFormat format) {
        std::ostringstream out;
        auto writer = makeReportWriter(format, out);
        writer->begin("test");
        writer->write(report);
        writer->end({});
        return out.str();
    };

    const QJsonObject meter =
        QJsonDocument::fromJson(QByteArray::fromStdString(render(OutputFormat::Json)))
            .object()["meters"]
            .toArray()[0]
            .toObject();
    const QJsonObject values = meter["values"].toObject();
    EXPECT_EQ(meter["address"].toInt(), 12);
    EXPECT_FALSE(meter["complete"].toBool());
    EXPECT_EQ(values["a"].toObject()["b"].toDouble(), 1.5);
    EXPECT_TRUE(values["a"].toObject()["c"].toBool());
    EXPECT_EQ(values["name"].toString(), "x,\"y\"\n");
    EXPECT_TRUE(values["lost"].isNull());
    EXPECT_EQ(values["count"].toInt(), 7);
    EXPECT_EQ(meter["failures"].toObject()["lost"].toString(), "Нет ответа.\r\n\r\nКоманда: \"X\"");

    const std::string csv = render(OutputFormat::Csv);
    EXPECT_NE(csv.find("12,name,\"x,\"\"y\"\"\n\",\r\n"), std::string::npos) << csv;
    // Messages keep to one line in text and CSV.
    EXPECT_NE(csv.find("12,lost,,\"Нет ответа. Команда: \"\"X\"\"\"\r\n"), std::string::npos)
        << csv;
    EXPECT_NE(csv.find("12,a.b,1.5,\r\n"), std::string::npos) << csv;

    const std::string text = render(OutputFormat::Text);
    EXPECT_NE(text.find("Адрес 012"), std::string::npos) << text;
    EXPECT_NE(text.find("  Потеряно: -  [Нет ответа. Команда: \"X\"]\n"), std::string::npos)
        << text;
}

TEST_F(CliTest, PortsListsTheDevicesPresentAndThePortMap) {
    const fs::path root(path("root"));
    const auto make = [&root](const fs::path& relative, const char* content = nullptr) {
        fs::create_directories((root / relative).parent_path());
        std::ofstream(root / relative) << (content ? content : "");
    };
    make("sys/ttyS0/type", "4\n");
    make("sys/ttyS1/type", "0\n");  // reserved, no UART
    fs::create_directories(root / "sys/ttyUSB0");
    fs::create_directories(root / "sys/tty5");
    for (const char* node : {"dev/ttyS0", "dev/ttyS1", "dev/ttyUSB0", "dev/tty5"}) {
        make(node);
    }
    fs::create_directories(root / "dev/serial/by-id");
    fs::create_symlink("../../ttyUSB0", root / "dev/serial/by-id/usb-adapter-port0");
    environment.deviceRoots = {(root / "sys").string(), (root / "dev").string()};
    setStored("Ports/COM2", "/dev/ttyUSB7");

    const CliRun result = run({"ports"});
    EXPECT_EQ(result.status, 0);
    const std::string dev = (root / "dev").string();
    EXPECT_EQ(result.out, "devices:\n  " + dev + "/ttyS0\n  " + dev + "/ttyUSB0\n  " + dev +
                              "/serial/by-id/usb-adapter-port0 -> " + dev +
                              "/ttyUSB0\nport map:\n  COM1 = /dev/ttyS0\n  COM2 = "
                              "/dev/ttyUSB7\n  COM3 = /dev/ttyS2\n  COM4 = /dev/ttyS3\n");
}

}  // namespace
}  // namespace quillet::cli
