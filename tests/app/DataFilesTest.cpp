// Data files: the header every file starts with, the bytes a save writes, and the line
// reader's ends of lines, header and bad files.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <optional>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/DataFiles.h"

namespace quillet {
namespace {

class DataFilesTest : public ::testing::Test {
protected:
    DataFilesTest() { app.loadSettings(); }
    QString write(const QByteArray& bytes) {
        QFile file(dir.filePath("data.txt"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir dir;
    Application app{std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat)};
};

TEST_F(DataFilesTest, SaveWritesHeaderAndBodyInWindows1251WithCrLf) {
    app.settings().groupPassword = "AB12C";
    app.settings().privatePassword = "ZZ9Y8";
    app.settings().address = 7;
    app.settings().category = 3;
    const QString path = dir.filePath("out.day");
    ASSERT_TRUE(saveDataFile(path, app.settings(), QStringLiteral("7/03\nмай\n")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray expected =
        "\xC3\xF0\xF3\xEF\xEF\xEE\xE2\xEE\xE9 \xEF\xE0\xF0\xEE\xEB\xFC: AB12C\r\n"
        "\xC8\xED\xE4\xE8\xE2\xE8\xE4\xF3\xE0\xEB\xFC\xED\xFB\xE9 \xEF\xE0\xF0\xEE\xEB\xFC: "
        "ZZ9Y8\r\n"
        "\xC0\xE4\xF0\xE5\xF1: 007\r\n"
        "\xCA\xE0\xF2\xE5\xE3\xEE\xF0\xE8\xFF \xEF\xEE\xF2\xF0\xE5\xE1\xE8\xF2\xE5\xEB\xFF: 03\r\n"
        "\r\n"
        "7/03\r\n\xEC\xE0\xE9\r\n";
    EXPECT_EQ(file.readAll(), expected);
}

// The lines after the header, which ends at the first empty line.
TEST_F(DataFilesTest, ReaderTakesEveryEndOfLineAndAnyBytes) {
    const QByteArray longLine(10 << 20, '7');
    const std::pair<QByteArray, std::vector<std::string>> cases[] = {
        {"a\r\nb\r\n\r\n1\r\n2\r\n", {"1", "2"}},
        {"a\nb\n\n1\n2\n", {"1", "2"}},
        {"a\n\r\n1\r\n\n2", {"1", "", "2"}},  // mixed, last line unended
        {"h\n\n1\r2\r\n", {"1\r2"}},          // a lone CR stays
        {"a\r\nb\r\n1\r\n", {}},              // the header never ends
        {"", {}},
        {QByteArray("\x00\xFF\n\n\x01\x02\x00x\n", 9), {std::string("\x01\x02\x00x", 4)}},
        {"\n" + longLine + "\n1\n", {longLine.toStdString(), "1"}},
    };
    for (const auto& [bytes, expected] : cases) {
        DataFileReader reader(write(bytes));
        ASSERT_TRUE(reader.ok());
        reader.skipHeader();
        std::vector<std::string> lines;
        while (std::optional<std::string> line = reader.nextLine()) {
            lines.push_back(*line);
        }
        EXPECT_EQ(lines, expected) << bytes.left(40).toStdString();
    }
}

TEST_F(DataFilesTest, WhatIsNoDataFileIsAnError) {
    EXPECT_FALSE(DataFileReader(dir.filePath("missing.ind")).ok());
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ind"));
    EXPECT_FALSE(DataFileReader(dir.filePath("folder.ind")).ok());
    QFile huge(dir.filePath("huge.ind"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(DataFileReader::kMaxFileSize + 1));  // sparse
    huge.close();
    DataFileReader reader(huge.fileName());
    EXPECT_FALSE(reader.ok());
    EXPECT_EQ(reader.nextLine(), std::nullopt);
}

}  // namespace
}  // namespace quillet
