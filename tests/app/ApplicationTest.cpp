// The application object: its settings store, the port's waits, file types and help.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <tuple>

#include "app/Application.h"
#include "protocol/Frame.h"
#include "sim/LineSimulator.h"

namespace quillet {
namespace {

class ApplicationTest : public ::testing::Test {
protected:
    std::unique_ptr<Application> makeApp() {
        auto app = std::make_unique<Application>(
            std::make_unique<QSettings>(storePath(), QSettings::IniFormat));
        app->loadSettings();
        return app;
    }
    QString storePath() const { return dir_.filePath("Quillet.conf"); }
    void store(const QString& key, const QVariant& value) {
        QSettings(storePath(), QSettings::IniFormat).setValue(key, value);
    }
    int storeMode() const {
        struct stat info {};
        return ::stat(QFile::encodeName(storePath()).constData(), &info) == 0
                   ? static_cast<int>(info.st_mode & 0777)
                   : -1;
    }

    QTemporaryDir dir_;
};

TEST_F(ApplicationTest, ExitWritesEveryValueAsTextToAPrivateStore) {
    auto app = makeApp();
    app->saveSettings(-1);
    EXPECT_EQ(storeMode(), 0600);
    QSettings readBack(storePath(), QSettings::IniFormat);
    EXPECT_EQ(readBack.allKeys().size(), 17 + kPortCount);
    for (const QString& key : readBack.allKeys()) {
        EXPECT_EQ(readBack.value(key).typeId(), QMetaType::QString) << key.toStdString();
    }
    // First-start values that the checks below do not show.
    for (const auto& [key, text] : {std::pair{"Settings/InitialTab", "-1"},
                                    {"Modem/NumberPrefix", "ATDP"},
                                    {"Modem/Number", ""},
                                    {"Modem/ModEnable", "0"},
                                    {"Ports/COM1", "/dev/ttyS0"},
                                    {"Ports/COM4", "/dev/ttyS3"}}) {
        EXPECT_EQ(readBack.value(key).toString(), text) << key;
    }
    // A store that became readable by others is private again after the next write.
    ::chmod(QFile::encodeName(storePath()).constData(), 0644);
    app->writeSettingString("Modem", "Number", "2");
    EXPECT_EQ(storeMode(), 0600);
    EXPECT_EQ(app->readSettingString("Modem", "Number", {}), "2");
}

// What the program holds after the start is what it writes back at the exit; a value
// that fails its check gives the first-start default. Cases read "stored→written".
TEST_F(ApplicationTest, StoredValuesPassTheirChecksOrTakeTheDefault) {
    const QString init31 = QString(31, 'A') + "→AT&F1&B1M3E0Q0&D0";
    const QString init30 = QString(30, 'A') + "→" + QString(30, 'A');
    const std::vector<std::pair<QString, QStringList>> texts = {
        {"Settings/ComPort", {"4→1", "3→3"}},
        {"Settings/ComSpeed", {"6→5", "0→0"}},
        {"Settings/Timeout", {"99→500", "500x→500", "10000→10000"}},
        {"Settings/Controler", {"-1→0"}},
        {"Settings/ErrorReport", {"-1→1"}},
        {"Settings/ControlerAddress", {"→0", "ab→0", "#→0", "Ж→0", "q→q"}},
        {"Modem/ModTime", {"0→1", "16→1", "15→15"}},
        {"Modem/Init", {init31, init30}},
        {"Modem/ModCommand", {init31}},
        {"Modem/Number", {"8,495;1#2 доб.→8,495;1#2 доб."}},
        {"Modem/NumberPrefix", {"@ATDT→@ATDT"}},
        {"Access/Category", {"100→0"}},
        {"Access/Address", {"1000→0", "-1→0", "999→999"}},
        {"Access/GroupPassword", {"aB3xy→aB3xy", "ABCD→Q7K2M", "ÄBCDE→Q7K2M"}},
        {"Access/PrivatePassword", {"AB CD→Q7K2M", "ABCDEF→Q7K2M"}},
    };
    // Only plain text counts: other types are missing.
    std::vector<std::tuple<QString, QVariant, QString>> cases = {
        {"Settings/ComPort", QByteArray("3"), "1"},
        {"Settings/ComPort", QStringList{"3", "2"}, "1"},
        {"Modem/Number", QStringList{"8", "495"}, ""}};
    for (const auto& [key, list] : texts) {
        for (const QString& text : list) {
            cases.emplace_back(key, text.section("→", 0, 0), text.section("→", 1));
        }
    }
    for (const auto& [key, stored, expected] : cases) {
        QFile::remove(storePath());
        store(key, stored);
        makeApp()->saveSettings(0);
        EXPECT_EQ(QSettings(storePath(), QSettings::IniFormat).value(key).toString(), expected)
            << key.toStdString() << " = " << stored.toString().toStdString();
    }
}

// Lets a quit request reach the application's watch but no further, so that the shared
// QApplication of the test run goes on.
class SwallowQuit : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Quit; }
};

TEST_F(ApplicationTest, PortComesFromTheStoreAndItsWaitsKeepEventsFlowingAndEndOnQuit) {
    store("Settings/ComPort", "2");
    store("Settings/Timeout", "10000");
    store("Ports/COM3", "sim");  // the only simulated line: the exchange proves port and map
    SwallowQuit swallow;
    qApp->installEventFilter(&swallow);
    auto app = makeApp();  // its watch is installed later, so it sees events first
    EXPECT_EQ(app->port().replyTimeoutMs(), 10000);
    EXPECT_EQ(app->settings().timeoutMs, 10000);
    bool timerFired = false;
    QTimer::singleShot(0, [&] { timerFired = true; });
    constexpr std::size_t kReadSerial = 51;
    std::array<char, kReplyCapacity> reply{};
    LinkSettings link = app->settings().link();
    EXPECT_EQ(app->port().transact(kReadSerial, *buildRequestFrame(kReadSerial, "", link), reply,
                                   kReplyStart, '\r'),
              PortResult::Ok);
    EXPECT_EQ(app->simulator().framesSeen().size(), 1u);
    EXPECT_TRUE(timerFired);

    // No meter answers address 5; the wait would last the whole time-out.
    link.address = 5;
    // What quit() sends while the application's loop runs.
    QTimer::singleShot(0, [] {
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(qApp, &quit);
    });
    QElapsedTimer elapsed;
    elapsed.start();
    app->port().transact(kReadSerial, *buildRequestFrame(kReadSerial, "", link), reply, kReplyStart,
                         '\r');
    EXPECT_TRUE(app->quitRequested());
    EXPECT_LT(elapsed.elapsed(), 2000);
}

TEST_F(ApplicationTest, RegisterFileTypeWritesAValidPackageOnlyWhenItChanges) {
    const QString updateTool = QStandardPaths::findExecutable("update-mime-database");
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("XDG_DATA_HOME", dir_.path().toUtf8());
    // No background database run that could race with this test's own.
    qputenv("PATH", "");
    auto app = makeApp();
    const QString package = dir_.filePath("mime/packages/quillet-log.xml");
    app->registerFileType("log", "Протокол & <обмен>");
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1000000000);
    {
        QFile file(package);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    app->registerFileType("log", "Протокол & <обмен>");
    EXPECT_EQ(QFileInfo(package).lastModified(), old);
    app->registerFileType("log", "Протокол");
    EXPECT_NE(QFileInfo(package).lastModified(), old);
    app->registerFileType("../x", "Путь");
    app->registerFileType("plt", "График & <мощность>");
    qputenv("PATH", savedPath);
    savedHome.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", savedHome);
    EXPECT_EQ(QDir(dir_.filePath("mime/packages")).entryList(QDir::Files).size(), 2);

    if (updateTool.isEmpty()) {
        GTEST_SKIP() << "update-mime-database not installed";
    }
    QProcess tool;
    tool.start(updateTool, {dir_.filePath("mime")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    QFile type(dir_.filePath("mime/application/x-quillet-plt.xml"));
    ASSERT_TRUE(type.open(QIODevice::ReadOnly)) << tool.readAllStandardError().toStdString();
    const QString text = QString::fromUtf8(type.readAll());
    EXPECT_TRUE(text.contains("График &amp; &lt;мощность&gt;")) << text.toStdString();
    EXPECT_TRUE(text.contains("text/plain")) << text.toStdString();
    QFile globs(dir_.filePath("mime/globs2"));
    ASSERT_TRUE(globs.open(QIODevice::ReadOnly));
    EXPECT_TRUE(globs.readAll().contains("application/x-quillet-plt:*.plt"));
}

// Every link of the contents leads to a section: 17 links, each resolving, leave no
// section out.
TEST_F(ApplicationTest, HelpOpensOneWindowAtTheContentsWhoseLinksAllResolve) {
    auto app = makeApp();
    const auto helpWindows = [] {
        QList<QWidget*> found = QApplication::topLevelWidgets();
        found.removeIf([](QWidget* w) { return w->objectName() != "helpWindow"; });
        return found;
    };
    app->showHelp();
    ASSERT_EQ(helpWindows().size(), 1);
    auto* browser = qobject_cast<QTextBrowser*>(helpWindows().front());
    ASSERT_NE(browser, nullptr);
    browser->setSource(QUrl("qrc:/help/pages.html#log"));
    app->showHelp();
    EXPECT_EQ(helpWindows().size(), 1);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(browser->source(), QUrl("qrc:/help/index.html"));

    QFile index(":/help/index.html");
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    int links = 0;
    for (const auto& match : QRegularExpression(R"re(href="([^"#]+)#([^"]+)")re")
                                 .globalMatch(QString::fromUtf8(index.readAll()))) {
        QFile target(":/help/" + match.captured(1));
        ASSERT_TRUE(target.open(QIODevice::ReadOnly)) << match.captured(1).toStdString();
        EXPECT_TRUE(target.readAll().contains(("id=\"" + match.captured(2) + "\"").toUtf8()))
            << match.captured(2).toStdString();
        ++links;
    }
    EXPECT_EQ(links, 17);
}

}  // namespace
}  // namespace quillet
