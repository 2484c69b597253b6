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
        return std::make_unique<Application>(
            std::make_unique<QSettings>(storePath(), QSettings::IniFormat));
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

TEST_F(ApplicationTest, FirstStartGivesDefaultsAndExitWritesEveryValueAsText) {
    auto app = makeApp();
    app->exchangeCancelled = true;
    app->loadSettings();
    EXPECT_FALSE(app->exchangeCancelled);
    EXPECT_EQ(app->settings().initialTab, -1);
    EXPECT_EQ(app->port().portIndex(), 1);
    EXPECT_EQ(app->port().baudIndex(), 5);
    EXPECT_EQ(app->port().replyTimeoutMs(), 500);
    EXPECT_EQ(app->port().portMap().device(0), "/dev/ttyS0");

    app->saveSettings(-1);
    EXPECT_EQ(storeMode(), 0600);
    const std::vector<std::pair<QString, QString>> written = {
        {"Settings/InitialTab", "-1"},
        {"Settings/ComPort", "1"},
        {"Settings/ComSpeed", "5"},
        {"Settings/Timeout", "500"},
        {"Settings/Controler", "0"},
        {"Settings/ControlerAddress", "0"},
        {"Settings/ErrorReport", "1"},
        {"Modem/Init", "AT&F1&B1M3E0Q0&D0"},
        {"Modem/NumberPrefix", "ATDP"},
        {"Modem/Number", ""},
        {"Modem/ModCommand", "AT&F1&B1M3E0Q0&D0"},
        {"Modem/ModTime", "1"},
        {"Modem/ModEnable", "0"},
        {"Access/GroupPassword", "Q7K2M"},
        {"Access/PrivatePassword", "Q7K2M"},
        {"Access/Category", "0"},
        {"Access/Address", "0"},
        {"Ports/COM4", "/dev/ttyS3"},
    };
    QSettings readBack(storePath(), QSettings::IniFormat);
    for (const auto& [key, text] : written) {
        const QVariant value = readBack.value(key);
        EXPECT_EQ(value.typeId(), QMetaType::QString) << key.toStdString();
        EXPECT_EQ(value.toString(), text) << key.toStdString();
    }
}

// What the program holds after the start is what it writes back at the exit.
TEST_F(ApplicationTest, StoredValuesPassTheirChecksOrTakeTheReplacement) {
    const QString defaultInit = "AT&F1&B1M3E0Q0&D0";
    const std::vector<std::tuple<QString, QVariant, QString>> cases = {
        {"Settings/ComPort", "4", "1"},
        {"Settings/ComPort", "3", "3"},
        {"Settings/ComPort", QByteArray("3"), "1"},
        {"Settings/ComPort", QStringList{"3", "2"}, "1"},
        {"Settings/ComSpeed", "6", "5"},
        {"Settings/ComSpeed", "0", "0"},
        {"Settings/Timeout", "99", "500"},
        {"Settings/Timeout", "500x", "500"},
        {"Settings/Timeout", "10000", "10000"},
        {"Settings/Controler", "-1", "0"},
        {"Settings/ErrorReport", "-1", "1"},
        {"Modem/ModTime", "0", "1"},
        {"Modem/ModTime", "16", "1"},
        {"Modem/ModTime", "15", "15"},
        {"Access/Category", "100", "0"},
        {"Access/Address", "1000", "0"},
        {"Access/Address", "-1", "0"},
        {"Access/Address", "999", "999"},
        {"Access/GroupPassword", "aB3xy", "aB3xy"},
        {"Access/PrivatePassword", "AB CD", "Q7K2M"},
        {"Access/GroupPassword", "ABCD", "Q7K2M"},
        {"Access/PrivatePassword", "ABCDEF", "Q7K2M"},
        {"Access/GroupPassword", "ÄBCDE", "Q7K2M"},
        {"Settings/ControlerAddress", "", "0"},
        {"Settings/ControlerAddress", "ab", "0"},
        {"Settings/ControlerAddress", "#", "0"},
        {"Settings/ControlerAddress", "Ж", "0"},
        {"Settings/ControlerAddress", "q", "q"},
        {"Modem/Init", QString(31, 'A'), defaultInit},
        {"Modem/ModCommand", QString(31, 'A'), defaultInit},
        {"Modem/Init", QString(30, 'A'), QString(30, 'A')},
        {"Modem/Number", QStringList{"8", "495"}, ""},
        {"Modem/Number", "8,495;1#2 доб.", "8,495;1#2 доб."},
        {"Modem/NumberPrefix", "@ATDT", "@ATDT"},
    };
    for (const auto& [key, stored, expected] : cases) {
        QFile::remove(storePath());
        store(key, stored);
        auto app = makeApp();
        app->loadSettings();
        app->saveSettings(0);
        EXPECT_EQ(QSettings(storePath(), QSettings::IniFormat).value(key).toString(), expected)
            << key.toStdString() << " = " << stored.toString().toStdString();
    }

    // An integer typed in the store (not text) counts as missing.
    QFile file(storePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\nComPort=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x3)\n");
    file.close();
    ASSERT_EQ(QSettings(storePath(), QSettings::IniFormat).value("Settings/ComPort").typeId(),
              QMetaType::Int);
    auto app = makeApp();
    app->loadSettings();
    EXPECT_EQ(app->port().portIndex(), 1);
}

TEST_F(ApplicationTest, PortIsConfiguredFromTheStore) {
    store("Settings/ComPort", "2");
    store("Settings/ComSpeed", "3");
    store("Settings/Timeout", "1500");
    store("Ports/COM3", "sim");
    auto app = makeApp();
    app->loadSettings();
    EXPECT_EQ(app->port().portIndex(), 2);
    EXPECT_EQ(app->port().baudIndex(), 3);
    EXPECT_EQ(app->port().replyTimeoutMs(), 1500);
    EXPECT_EQ(app->settings().timeoutMs, 1500);
    EXPECT_EQ(app->port().portMap().device(2), "sim");
    EXPECT_EQ(app->port().portMap().device(0), "/dev/ttyS0");
}

TEST_F(ApplicationTest, StoreIsPrivateAfterEveryWrite) {
    QFile file(storePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Modem]\nNumber=1\n");
    file.close();
    ::chmod(QFile::encodeName(storePath()).constData(), 0644);
    auto app = makeApp();
    app->writeSettingString("Modem", "Number", "2");
    EXPECT_EQ(storeMode(), 0600);
    EXPECT_EQ(app->readSettingString("Modem", "Number", {}), "2");
}

// Lets a quit request reach the application's watch but no further, so that the shared
// QApplication of the test run goes on.
class SwallowQuit : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Quit; }
};

TEST_F(ApplicationTest, PortWaitsKeepEventsFlowingAndEndOnQuit) {
    store("Settings/ComPort", "0");
    store("Settings/Timeout", "10000");
    store("Ports/COM1", "sim");
    SwallowQuit swallow;
    qApp->installEventFilter(&swallow);
    auto app = makeApp();  // its watch is installed later, so it sees events first
    app->loadSettings();
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

TEST_F(ApplicationTest, FileHeaderCarriesTheAccessData) {
    auto app = makeApp();
    app->settings().groupPassword = "GR0UP";
    app->settings().privatePassword = "priv1";
    app->settings().address = 7;
    app->settings().category = 3;
    EXPECT_EQ(app->formatFileHeader().toStdString(),
              "Групповой пароль: GR0UP\nИндивидуальный пароль: priv1\nАдрес: 007\n"
              "Категория потребителя: 03\n");
}

TEST_F(ApplicationTest, HelpOpensOneWindowAtTheContentsWhoseLinksAllResolve) {
    auto app = makeApp();
    app->showHelp();
    const auto helpWindows = [] {
        QList<QTextBrowser*> found;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "helpWindow") {
                found.append(qobject_cast<QTextBrowser*>(w));
            }
        }
        return found;
    };
    ASSERT_EQ(helpWindows().size(), 1);
    QTextBrowser* browser = helpWindows().front();
    ASSERT_NE(browser, nullptr);
    browser->setSource(QUrl("qrc:/help/pages.html#log"));
    app->showHelp();
    EXPECT_EQ(helpWindows().size(), 1);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(browser->source(), QUrl("qrc:/help/index.html"));

    const QString contents = browser->toPlainText();
    for (const char* page :
         {"Связь", "Модем", "Контролер-модем", "Доступ к счетчику", "Сервис", "Дата и Время",
          "Показания", "Индикация", "Тарифное расписание", "График потребления", "Пороги",
          "Праздники", "Оплата и Нагрузка", "Протокол обмена", "О Quillet"}) {
        EXPECT_TRUE(contents.contains(QString::fromUtf8(page))) << page;
    }
    QFile index(":/help/index.html");
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(index.readAll());
    int links = 0;
    for (const auto& match :
         QRegularExpression(R"re(href="([^"#]+)#([^"]+)")re").globalMatch(html)) {
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
