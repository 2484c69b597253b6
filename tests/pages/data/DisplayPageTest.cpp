// The display page against the simulated meter: the modes and cycle time written by the
// individual or the group commands, the cycle check, and what a read shows.

#include "DataPageTesting.h"
#include "pages/data/DisplayPage.h"

namespace quillet {
namespace {

using Page = DisplayPage;
constexpr int kTab = 8;
constexpr std::size_t W = Page::kSetModes, T = Page::kSetCycle;
constexpr std::size_t GW = Page::kSetModesGroup, GT = Page::kSetCycleGroup;

class DisplayPageTest : public testing::DataPageFixture {
protected:
    DisplayPageTest() { Page::values() = {}; }
    // The boxes as the meter's mode text ("Y" checked), then the cycle text.
    QString shown() {
        QString text;
        for (const int id : Page::kModeIds) {
            text += control<QCheckBox>(id)->isChecked() ? 'Y' : 'N';
        }
        return text + control<QLineEdit>(Page::kCycleId)->text();
    }
    void set(const QString& modes, const QString& cycle) {
        for (std::size_t i = 0; i < Page::kModeIds.size(); ++i) {
            control<QCheckBox>(Page::kModeIds[i])->setChecked(modes[qsizetype(i)] == 'Y');
        }
        control<QLineEdit>(Page::kCycleId)->setText(cycle);
    }
};

TEST_F(DisplayPageTest, WriteSendsModesThenCycleByTheChosenCommandsAfterTheCycleCheck) {
    const QString bad =
        "Неверное задание длительности цикла отображения\n"
        "Допустимый интервал значений: 1..60 с";
    open(kTab);
    testing::ScopedMessageBoxes boxes;
    // clang-format off
    for (const auto& [group, modes, cycle, message, sent] :
         std::vector<std::tuple<bool, QString, QString, QString, testing::Sent>>{
             {false, "NNYNNNNY", "5", "", {{W, "NNYNNNNY"}, {T, "05"}}},
             {true, "NNYNNNNY", "5", "", {{GW, "NNYNNNNY"}, {GT, "05"}}},
             {false, "YYYYYYYY", "60", "", {{W, "YYYYYYYY"}, {T, "60"}}},
             {true, "YNNNNNNN", "01", "", {{GW, "YNNNNNNN"}, {GT, "01"}}},
             {false, "NNNNNNNN", "0", bad, {}},
             {true, "NNNNNNNN", "61", bad, {}},
             {false, "NNNNNNNN", "", bad, {}},
             {false, "NNNNNNNN", "5s", bad, {}}}) {
        // clang-format on
        SCOPED_TRACE((modes + " " + cycle).toStdString());
        control<QRadioButton>(group ? Page::kGroupId : Page::kIndividualId)->setChecked(true);
        set(modes, cycle);
        const std::size_t count = frames().size();
        boxes.texts.clear();
        press(Qt::Key_F6);
        EXPECT_EQ(boxes.texts.join(""), message);
        EXPECT_EQ(framesSince(count), framesOf(sent));
    }
}

// Reading ignores the radio buttons; a refused read leaves the page as it was. The values
// outlive the page, the command family starts on "Индивидуальная" with every page.
TEST_F(DisplayPageTest, ReadShowsTheMeterModesAndAFailedReadChangesNothing) {
    withSimulator([](sim::LineSimulator& s) {
        s.devices().meter(0)->settings().displayModes = {1, 1, 0, 0, 0, 0, 0, 1};
        s.devices().meter(0)->settings().displayCycleSeconds = 42;
        s.faults().script({sim::Fault::Refusal});
    });
    open(kTab);
    EXPECT_EQ(shown(), "NNNNNNNN1");
    control<QRadioButton>(Page::kGroupId)->setChecked(true);
    for (const QString after : {"NYNYNNNN9", "YYNNNNNY42"}) {
        set("NYNYNNNN", "9");
        const std::size_t count = frames().size();
        press(Qt::Key_F5);
        EXPECT_EQ(framesSince(count), framesOf({{Page::kReadModes, ""}}));
        EXPECT_EQ(shown(), after);
    }
    window->tabs()->setCurrentIndex(kAboutPage);
    window->tabs()->setCurrentIndex(kTab);
    EXPECT_EQ(shown(), "YYNNNNNY42");
    EXPECT_TRUE(control<QRadioButton>(Page::kIndividualId)->isChecked());
}

}  // namespace
}  // namespace quillet
