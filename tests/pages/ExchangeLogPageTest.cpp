// The exchange log page: the rendering of the ring, Clear, and the *.log file byte for byte.

#include <sys/resource.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <csignal>

#include "PageFixture.h"
#include "app/Transaction.h"
#include "pages/link/ExchangeLogPage.h"
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
    // The records (tag, content) and their text.
    using Row = std::pair<std::vector<std::pair<int, std::string>>, std::string>;
    const Row rows[] = {
        {{}, ""},
        {{{0, "P12345\n"}}, "\r\n" + title(0) + "P12345<LF>"},  // tag 0x00 is a command
        {{{kReply, "ATZ\r"}, {kReply, "\r\nOK\r\n"}}, "\r\nATZ<CR>\r\n<CR><LF>OK<CR><LF>"},
        {{{kReply, "\x07\x01\x1f ~\xC0\xE1\xFF\xA0\x98\x80"}}, "\r\n... ~\xC0\xE1\xFF\xA0\x98\x80"},
        // A record start right after a tag is content, not a second tag.
        {{{kReply, ""}, {52, "x"}}, "\r\n\r\n" + title(52) + "x"},
    };
    for (const auto& [records, expected] : rows) {
        ExchangeLog log;
        for (const auto& [tag, content] : records) {
            appendRecord(log, tag, content);
        }
        EXPECT_EQ(renderExchangeLog(log.snapshot()), expected) << expected;
    }
}

TEST(ExchangeLogRender, AfterAWrapOnlyWholeRecordsAreShown) {
    // The size of each record with its start and tag, how many, the oldest one wholly inside.
    for (const auto& [recordSize, records, firstShown] :
         {std::tuple(100, 170, 7), std::tuple(64, 300, 44), std::tuple(64, 256, 0),
          std::tuple(90, 183, 1)}) {
        ExchangeLog log;
        std::string expected;
        for (int i = 0; i < records; ++i) {
            const std::string body = std::to_string(100000 + i) + std::string(recordSize - 9, 'x');
            const int tag = i % 2 == 0 ? i % 142 : kReply;
            appendRecord(log, tag, body + "\r");
            if (i >= firstShown) {
                expected += "\r\n" + (tag == kReply ? "" : title(tag)) + body + "<CR>";
            }
        }
        ASSERT_TRUE(log.wrapped());
        EXPECT_EQ(renderExchangeLog(log.snapshot()), expected) << recordSize << " " << records;
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

// Answers the save dialog with a fixed path; keeps what the last dialog asked.
class FixedFileDialogs : public FileDialogs {
public:
    QString openFileName(QWidget*, const QString& filter) override { return asks = filter; }
    QString saveFileName(QWidget*, const QString& filter, const QString& extension) override {
        asks = filter + "/" + extension;
        return answer;
    }
    QString answer, asks;
};

class ExchangeLogPageTest : public testing::PageFixture {
protected:
    ExchangeLogPageTest() { app->setFileDialogs(std::unique_ptr<FileDialogs>(dialogs)); }
    void openLog() {
        open(15);
        QCoreApplication::processEvents();  // the page renders after its construction
        field = control<QPlainTextEdit>(ExchangeLogPage::kLogId);
    }
    // The saved file's bytes with the header settings of the tests.
    std::string save(const QString& name) {
        AppSettings& s = app->settings();
        std::tie(s.groupPassword, s.privatePassword, s.address, s.category) =
            std::tuple("AB1", "Z9", 7, 5);
        dialogs->answer = dir.filePath(name);
        press(Qt::Key_F8);
        QFile file(dialogs->answer);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "";
    }
    const std::string header = utf8ToCp1251(
        "Групповой пароль: AB1\r\nИндивидуальный пароль: Z9\r\nАдрес: 007\r\n"
        "Категория потребителя: 05\r\n\r\n");

    FixedFileDialogs* dialogs = new FixedFileDialogs;
    QPlainTextEdit* field = nullptr;
};

TEST_F(ExchangeLogPageTest, ShowsTheLogClearsItAndSavesItByteForByte) {
    LayoutRecord reply = SerialNumber{};
    ASSERT_EQ(executeCommand(51, {}, &reply), 1);
    ExchangeLog& log = app->port().log();
    appendRecord(log, kReply, "\xCF\xF0\xE8\x07");
    openLog();
    const QString text = field->toPlainText();
    EXPECT_TRUE(text.startsWith("\nЧтение серийного номера:\n#")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("<CR>\nПри.")) << text.toStdString();
    EXPECT_EQ(text.count("<CR>"), 2);
    EXPECT_TRUE(QFontInfo(field->font()).fixedPitch());
    EXPECT_EQ(field->verticalScrollBar()->value(), field->verticalScrollBar()->maximum());

    // Only saving works here: no dialog, no exchange.
    const std::size_t written = log.writePosition();
    for (Qt::Key key : {Qt::Key_F5, Qt::Key_F6, Qt::Key_F7}) {
        press(key);
    }
    EXPECT_TRUE(dialogs->asks.isEmpty());
    EXPECT_EQ(log.writePosition(), written);

    click(ExchangeLogPage::kClearId);
    EXPECT_TRUE(field->toPlainText().isEmpty());
    EXPECT_EQ(log.writePosition(), 0u);
    EXPECT_EQ(save("empty.log"), header);
    EXPECT_EQ(dialogs->asks, "Протоколы (*.log)|*.log|Все Файлы (*.*)|*.*||/log");
    appendRecord(log, 51, "#007Z9S\r");
    // Cyrillic, a no-break space and the unassigned 0x98 reach the file unchanged.
    appendRecord(log, kReply, "\xC0\xA0\x98\n");
    openLog();  // the page saves what it rendered
    EXPECT_EQ(save("exchange.log"),
              header + "\r\n" + title(51) + "#007Z9S<CR>\r\n\xC0\xA0\x98<LF>");
}

TEST_F(ExchangeLogPageTest, FailedSaveShowsMessageAndKeepsTheOldFile) {
    appendRecord(app->port().log(), kReply, "OK\r");
    openLog();
    QFile file(dir.filePath("old.log"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("earlier") == 7);
    file.close();
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    // A missing folder; a write cut short by the file size limit (a full disk, and it
    // fails whoever runs the test).
    for (const auto& [path, limit] : {std::pair(dir.filePath("none/x.log"), saved),
                                      std::pair(file.fileName(), rlimit{8, saved.rlim_max})}) {
        dialogs->answer = path;
        QString seen;
        answer("OK", &seen);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        window->currentPage()->writeToFile();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(seen, "Ошибка при сохранении протокола в файл") << path.toStdString();
        EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == "earlier");
        file.close();
    }
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(QDir(dir.path()).entryList({"old.log*"}, QDir::Files), QStringList{"old.log"});
}

}  // namespace
}  // namespace quillet
