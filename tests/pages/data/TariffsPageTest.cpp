// The tariffs page against the simulated meter: the frames of a write by either command,
// reads into the boxes, and what a tab change keeps.

#include "DataPageTesting.h"
#include "pages/data/TariffsPage.h"

namespace quillet {
namespace {

using Page = TariffsPage;
using F = sim::Fault;
constexpr int kTab = 9;

class TariffsPageTest : public testing::DataPageFixture {
protected:
    TariffsPageTest() { Page::switches() = {}; }
    QCheckBox* box(int id) { return control<QCheckBox>(id); }
    std::pair<bool, bool> shown() {
        return {box(Page::kSingleTariffId)->isChecked(), box(Page::kPenaltyId)->isChecked()};
    }
};

TEST_F(TariffsPageTest, WriteSendsTheChosenSingleTariffCommandThenThePenaltySwitch) {
    open(kTab);
    // clang-format off
    for (const auto& [group, single, penalty, sent] :
         std::vector<std::tuple<bool, bool, bool, testing::Sent>>{
             {false, true, false, {{Page::kSetSingleTariff, "O"}, {Page::kSetPenalty, "F"}}},
             {true, false, true, {{Page::kSetSingleTariffGroup, "F"}, {Page::kSetPenalty, "O"}}}}) {
        // clang-format on
        control<QRadioButton>(group ? Page::kGroupId : Page::kIndividualId)->setChecked(true);
        box(Page::kSingleTariffId)->setChecked(single);
        box(Page::kPenaltyId)->setChecked(penalty);
        const std::size_t before = frames().size();
        press(Qt::Key_F6);
        EXPECT_EQ(framesSince(before), framesOf(sent)) << group;
    }
}

TEST_F(TariffsPageTest, ReadShowsTheMeterSwitchesAFailedOneKeepsItsBox) {
    open(kTab);
    // clang-format off
    for (const auto& [single, penalty, faults, expected] :
         std::vector<std::tuple<bool, bool, std::pair<F, F>, std::pair<bool, bool>>>{
             {true, false, {F::None, F::None}, {true, false}},
             {false, true, {F::Refusal, F::None}, {true, true}},  // "N" is neither "O" nor "F"
             {false, false, {F::None, F::BadChecksum}, {false, true}}}) {
        // clang-format on
        withSimulator([&](sim::LineSimulator& s) {
            s.devices().meter(0)->settings().singleTariff = single;
            s.devices().meter(0)->settings().penaltyTariff = penalty;
            s.faults().script({faults.first, faults.second});
        });
        const std::size_t before = frames().size();
        press(Qt::Key_F5);
        EXPECT_EQ(framesSince(before),
                  framesOf({{Page::kReadSingleTariff, ""}, {Page::kReadPenalty, ""}}));
        EXPECT_EQ(shown(), expected);
    }
    // The boxes outlive the page; the command choice starts on individual again.
    control<QRadioButton>(Page::kGroupId)->setChecked(true);
    box(Page::kSingleTariffId)->setChecked(false);
    window->tabs()->setCurrentIndex(16);
    window->tabs()->setCurrentIndex(kTab);
    EXPECT_EQ(shown(), std::pair(false, true));
    EXPECT_TRUE(control<QRadioButton>(Page::kIndividualId)->isChecked());
}

}  // namespace
}  // namespace quillet
