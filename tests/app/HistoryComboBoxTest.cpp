#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include "app/Application.h"
#include "app/HistoryComboBox.h"

namespace quillet {
namespace {

// Lists as space-separated text: the box's entries, and the history in the store
// ("Address", "Address1", ... and their count).
class HistoryComboBoxTest : public ::testing::Test {
protected:
    static QString entries(const HistoryComboBox& box) {
        QStringList list;
        for (int i = 0; i < box.count(); ++i) {
            list << box.itemText(i);
        }
        return list.join(' ');
    }
    QString stored() {
        QStringList list;
        for (int i = 0; i < app.readSettingInt("Access", "AddressSize", -5); ++i) {
            const QString name = i == 0 ? "Address" : "Address" + QString::number(i);
            list << app.readSettingString("Access", name, {});
        }
        return list.join(' ');
    }

    QTemporaryDir dir;
    Application app{std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat)};
};

TEST_F(HistoryComboBoxTest, LoadStopsAtTheFirstEmptyEntryAndTheShownValueIsKeptAtTheEnd) {
    {
        HistoryComboBox box;
        box.load("Access", "Address", "000");
        EXPECT_EQ(entries(box), "000");
        EXPECT_EQ(box.currentText(), "000");
        box.setEditText({});  // nothing to remember when it goes
    }
    EXPECT_EQ(stored(), "");
    for (const auto& [name, value] : {std::pair{"AddressSize", "5"},
                                      {"Address", "7"},
                                      {"Address1", "8"},
                                      {"Address2", ""},
                                      {"Address3", "9"}}) {
        app.writeSettingString("Access", name, value);
    }
    {
        HistoryComboBox box;
        box.load("Access", "Address", "000");
        EXPECT_EQ(entries(box), "7 8");
        EXPECT_EQ(box.currentText(), "7");
        box.setEditText("123");
    }
    EXPECT_EQ(stored(), "123 7 8");
}

// The page tests show a commit reaching the store and coming back; here the list's rules.
TEST_F(HistoryComboBoxTest, CommitMovesToTheTopKeepsSevenAndSaves) {
    HistoryComboBox box;
    box.load("Access", "Address", "000");
    const auto commit = [&](const QString& texts) {
        for (const QString& text : texts.split(' ')) {
            box.setEditText(text);
            box.commit();
        }
        EXPECT_EQ(stored(), entries(box));
        return entries(box);
    };
    EXPECT_EQ(commit("1 2 000"), "000 2 1");            // a known entry moves to the top
    EXPECT_EQ(commit(""), "000 2 1");                   // empty: nothing changes
    EXPECT_EQ(commit("3 4 5 6 7"), "7 6 5 4 3 000 2");  // full: the oldest goes
}

}  // namespace
}  // namespace quillet
