#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include "app/Application.h"
#include "app/HistoryComboBox.h"

namespace quillet {
namespace {

class HistoryComboBoxTest : public ::testing::Test {
protected:
    HistoryComboBoxTest() {
        app = std::make_unique<Application>(
            std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat));
    }
    void store(const QString& name, const QString& value) {
        app->writeSettingString("Access", name, value);
    }
    QStringList entries(const HistoryComboBox& box) {
        QStringList list;
        for (int i = 0; i < box.count(); ++i) {
            list << box.itemText(i);
        }
        return list;
    }
    QStringList stored() {
        QStringList list;
        const int size = app->readSettingInt("Access", "AddressSize", -5);
        for (int i = 0; i < size; ++i) {
            list << app->readSettingString("Access",
                                           i == 0 ? "Address" : "Address" + QString::number(i), {});
        }
        return list;
    }

    QTemporaryDir dir;
    std::unique_ptr<Application> app;
};

TEST_F(HistoryComboBoxTest, LoadStopsAtTheFirstEmptyEntryAndFallsBackToTheDefault) {
    {
        HistoryComboBox box;
        box.load("Access", "Address", "000");
        EXPECT_EQ(entries(box), QStringList{"000"});
        EXPECT_EQ(box.currentText(), "000");
        box.setEditText({});  // nothing to remember when it goes
    }
    store("AddressSize", "5");
    store("Address", "7");
    store("Address1", "8");
    store("Address2", "");
    store("Address3", "9");
    HistoryComboBox box;
    box.load("Access", "Address", "000");
    EXPECT_EQ(entries(box), (QStringList{"7", "8"}));
    EXPECT_EQ(box.currentText(), "7");
}

TEST_F(HistoryComboBoxTest, CommitMovesToTheTopKeepsSevenAndSaves) {
    struct Step {
        QString text;
        QStringList after;
    };
    HistoryComboBox box;
    box.load("Access", "Address", "000");
    for (const Step& step : {
             Step{"1", {"1", "000"}}, Step{"2", {"2", "1", "000"}},
             Step{"000", {"000", "2", "1"}},  // third moves to the top, no duplicate
             Step{"", {"000", "2", "1"}},     // empty: nothing changes
             Step{"3", {"3", "000", "2", "1"}}, Step{"4", {"4", "3", "000", "2", "1"}},
             Step{"5", {"5", "4", "3", "000", "2", "1"}},
             Step{"6", {"6", "5", "4", "3", "000", "2", "1"}},
             Step{"7", {"7", "6", "5", "4", "3", "000", "2"}},  // full: the oldest goes
         }) {
        box.setEditText(step.text);
        box.commit();
        EXPECT_EQ(entries(box), step.after) << step.text.toStdString();
        EXPECT_EQ(stored(), step.after) << step.text.toStdString();
    }
}

TEST_F(HistoryComboBoxTest, ShownValueIsRememberedWhenTheBoxGoes) {
    {
        HistoryComboBox box;
        box.load("Access", "Address", "000");
        box.setEditText("123");
    }
    HistoryComboBox again;
    again.load("Access", "Address", "000");
    EXPECT_EQ(entries(again), (QStringList{"123", "000"}));
}

}  // namespace
}  // namespace quillet
