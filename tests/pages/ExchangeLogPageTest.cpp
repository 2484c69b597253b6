// The exchange log page: the rendering of the ring, Clear, and the *.log file byte for byte.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "GuiTestHelpers.h"
#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/MainWindow.h"
#include "app/Transaction.h"
#include "pages/link/ExchangeLogPage.h"
#include "pages/link/LinkPages.h"
#include "protocol/CommandTable.h"
#include "protocol/Cp1251.h"

namespace quillet {
namespace {

constexpr int kReply = ExchangeLog::kReplyTag;

void appendRecord(ExchangeLog& log, int tag, const std::string& content) {
    log.appendRecordStart(static_cast<std::uint8_t>(tag));
    log.append({reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});
}

// A request record's title, in the log's code page.
std::string title(std::size_t command) {
    return utf8ToCp1251(commandName(command)) + ":\r\n";
}

TEST(ExchangeLogRender, RecordsAndControlBytes) {
    struct Row {
        std::vector<std::pair<int, std::string>> records;  // tag, content
        std::string expected;
    };
    const std::vector<Row> rows = {
        {{}, ""},
        {{{51, "#001Q7K2MS1A\r"}, {kReply, "~001S00000000001234F\r"}},
         "\r\n" + title(51) + "#001Q7K2MS1A<CR>\r\n~001S00000000001234F<CR>"},
        {{{0, "P12345\n"}}, "\r\n" + title(0) + "P12345<LF>"},  // tag 0x00 is a command
        {{{kReply, "ATZ\r"}, {kReply, "\r\nOK\r\n"}}, "\r\nATZ<CR>\r\n<CR><LF>OK<CR><LF>"},
        {{{kReply, "\x07\x01\x1f ~\xC0\xE1\xFF\xA0\x98\x80"}}, "\r\n... ~\xC0\xE1\xFF\xA0\x98\x80"},
        // A record start right after a tag is content, not a second tag.
        {{{kReply, ""}, {52, "x"}}, "\r\n\r\n" + title(52) + "x"},
    };
    for (const Row& row : rows) {
        ExchangeLog log;
        for (const auto& [tag, content] : row.records) {
            appendRecord(log, tag, content);
        }
        EXPECT_EQ(renderExchangeLog(log.snapshot()), row.expected) << row.expected;
    }
}

TEST(ExchangeLogRender, AfterAWrapOnlyWholeRecordsAreShown) {
    struct Row {
        std::size_t recordSize;  // start, tag and content
        int records;
        int firstShown;  // the oldest record wholly inside the ring
    };
    for (const Row& row : {Row{100, 170, 7}, Row{64, 300, 44}, Row{64, 256, 0}, Row{90, 183, 1}}) {
        ExchangeLog log;
        std::string expected;
        for (int i = 0; i < row.records; ++i) {
            const std::string body =
                std::to_string(100000 + i) + std::string(row.recordSize - 9, 'x');
            const int tag = i % 2 == 0 ? i % 142 : kReply;
            appendRecord(log, tag, body + "\r");
            if (i >= row.firstShown) {
                expected += "\r\n" + (tag == kReply ? "" : title(tag)) + body + "<CR>";
            }
        }
        ASSERT_TRUE(log.wrapped());
        EXPECT_EQ(renderExchangeLog(log.snapshot()), expected)
            << row.recordSize << " " << row.records;
    }

    // One reply longer than the ring leaves no record start: the ring is shown once around.
    ExchangeLog log;
    log.appendRecordStart(kReply);
    for (std::size_t i = 0; i < ExchangeLog::kCapacity + 10; ++i) {
        log.append(static_cast<std::uint8_t>('a' + i % 26));
    }
    const std::string text = renderExchangeLog(log.snapshot());
    ASSERT_EQ(text.size(), ExchangeLog::kCapacity);
    EXPECT_EQ(text.front(), char('a' + 10 % 26));
    EXPECT_EQ(text.back(), char('a' + (ExchangeLog::kCapacity + 9) % 26));
}

// Answers the file dialogs with a fixed path and counts the questions.
class FixedFileDialogs : public FileDialogs {
public:
    QString openFileName(QWidget*, const QString&) override {
        ++asked;
        return {};
    }
    QString saveFileName(QWidget*, const QString& filter, const QString& extension) override {
        ++asked;
        asks = filter + "/" + extension;
        return answer;
    }
    QString answer, asks;
    int asked = 0;
};

class ExchangeLogPageTest : public ::testing::Test {
protected:
    ExchangeLogPageTest() {
        auto store = std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat);
        store->setValue("Ports/COM2", "sim");
        app = std::make_unique<Application>(std::move(store));
        app->loadSettings();
        app->setFileDialogs(std::unique_ptr<FileDialogs>(dialogs));
        registerLinkPages();
    }
    void open() {
        window = std::make_unique<MainWindow>(*app);
        window->currentPageIndex = 15;
        window->start();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QCoreApplication::processEvents();  // the page renders after its construction
        field = window->currentPage()->findChild<QPlainTextEdit*>(controlName(1012));
        ASSERT_NE(field, nullptr);
    }
    // The saved file's bytes with the header settings of the tests.
    QByteArray save(const QString& name) {
        app->settings().groupPassword = "AB1";
        app->settings().privatePassword = "Z9";
        app->settings().address = 7;
        app->settings().category = 5;
        dialogs->answer = dir.filePath(name);
        QTest::keyClick(window.get(), Qt::Key_F8);
        QFile file(dialogs->answer);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    const std::string header = utf8ToCp1251(
        "Групповой пароль: AB1\r\nИндивидуальный пароль: Z9\r\nАдрес: 007\r\n"
        "Категория потребителя: 05\r\n\r\n");

    QTemporaryDir dir;
    std::unique_ptr<Application> app;
    FixedFileDialogs* dialogs = new FixedFileDialogs;
    std::unique_ptr<MainWindow> window;
    QPlainTextEdit* field = nullptr;
};

TEST_F(ExchangeLogPageTest, ShowsARealExchangeAndClears) {
    LayoutRecord reply = SerialNumber{};
    ASSERT_EQ(executeCommand(51, {}, &reply), 1);
    appendRecord(app->port().log(), kReply, "\xCF\xF0\xE8\x07");
    open();
    const QString text = field->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("\nЧтение серийного номера:\n#")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("<CR>\nПри."))) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("<CR>")), 2);
    EXPECT_TRUE(QFontInfo(field->font()).fixedPitch());
    EXPECT_EQ(field->verticalScrollBar()->value(), field->verticalScrollBar()->maximum());

    window->currentPage()->findChild<QPushButton*>(controlName(1056))->click();
    EXPECT_TRUE(field->toPlainText().isEmpty());
    EXPECT_EQ(app->port().log().writePosition(), 0u);
    EXPECT_EQ(save("empty.log").toStdString(), header);
}

TEST_F(ExchangeLogPageTest, OnlySaveWorksAndWritesTheLogByteForByte) {
    app->port().clearLog();
    appendRecord(app->port().log(), 51, "#007Z9S\r");
    // Cyrillic, a no-break space and the unassigned 0x98 reach the file unchanged.
    appendRecord(app->port().log(), kReply, "\xC0\xA0\x98\n");
    open();
    for (Qt::Key key : {Qt::Key_F5, Qt::Key_F6, Qt::Key_F7}) {
        QTest::keyClick(window.get(), key);
    }
    EXPECT_EQ(dialogs->asked, 0);
    EXPECT_EQ(app->port().log().writePosition(), 16u);  // no exchange either
    EXPECT_EQ(save("exchange.log").toStdString(),
              header + "\r\n" + title(51) + "#007Z9S<CR>\r\n\xC0\xA0\x98<LF>");
    EXPECT_EQ(dialogs->asks, QStringLiteral("Протоколы (*.log)|*.log|Все Файлы (*.*)|*.*||/log"));
}

TEST_F(ExchangeLogPageTest, FailedSaveShowsMessageAndKeepsTheOldFile) {
    appendRecord(app->port().log(), kReply, "OK\r");
    open();
    const QString existing = dir.filePath("old.log");
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("earlier") == 7 && file.flush());
    file.close();
    // A missing folder; a write cut short by the file size limit (a full disk, and it
    // fails whoever runs the test).
    for (const auto& [path, limitSize] :
         {std::pair{dir.filePath("none/x.log"), false}, std::pair{existing, true}}) {
        dialogs->answer = path;
        QString seen;
        testing::answerMessageBox(QStringLiteral("OK"), &seen);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small{8, saved.rlim_max};
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (limitSize) {
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        window->currentPage()->writeToFile();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(seen, QStringLiteral("Ошибка при сохранении протокола в файл")) << limitSize;
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("earlier")) << limitSize;
        file.close();
    }
    EXPECT_EQ(QDir(dir.path()).entryList({"old.log*"}, QDir::Files), QStringList{"old.log"});
}

}  // namespace
}  // namespace quillet
