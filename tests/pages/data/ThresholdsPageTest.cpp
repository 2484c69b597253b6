// The thresholds page against the simulated meter: the checks that stop a write, the frames
// of a write, the values read back, and the primary column following the typed values.

#include "DataPageTesting.h"
#include "pages/data/ThresholdsPage.h"

namespace quillet {
namespace {

using Page = ThresholdsPage;
constexpr int kTab = 12;
constexpr std::size_t P = Page::kSetPowerGroup, E = Page::kSetEnergy, K = Page::kSetRatio;
const QString kPower = "Неверное задание порга мощности\nДопустимые значения: 0 ... 49.9";
const QString kEnergy = "Неверное задание порга энергии\nДопустимые значения: 0 ... 9999";
const QString kRatio =
    "Неверное задание коэффициента трансформации\nДопустимые значения: 1.0 ... 999e9";
constexpr std::array<int, 3> kUseIds = {Page::kUsePowerId, Page::kUseEnergyId, Page::kUseRatioId};
constexpr std::array<int, 5> kTextIds = {Page::kPowerId, Page::kEnergyId, Page::kRatioId,
                                         Page::kPrimaryPowerId, Page::kPrimaryEnergyId};

class ThresholdsPageTest : public testing::DataPageFixture {
protected:
    ThresholdsPageTest() {
        Page::values() = {};
        app->settings().category = 7;
        withSimulator([](sim::LineSimulator& s) { s.devices().meter(0)->settings().category = 7; });
    }
    // The rows selected by "1" in `used`; power, energy and ratio typed key by key.
    void enter(const QString& used, const QStringList& texts) {
        for (int i = 0; i < 3; ++i) {
            control<QCheckBox>(kUseIds[i])->setChecked(used[i] == '1');
            control<QLineEdit>(kTextIds[i])->clear();
            QTest::keyClicks(control<QLineEdit>(kTextIds[i]), texts[i]);
        }
    }
    QStringList shown() {
        QStringList texts;
        for (const int id : kTextIds) {
            texts << control<QLineEdit>(id)->text();
        }
        return texts;
    }
};

// The primary column follows every key typed; a write checks the selected rows in order.
TEST_F(ThresholdsPageTest, TypedValuesShowInThePrimaryColumnAndAreCheckedBeforeAWrite) {
    open(kTab);
    EXPECT_EQ(shown(), QStringList({"0.0", "0", "1.0", "0", "0"}));
    testing::ScopedMessageBoxes boxes;
    // clang-format off
    for (const auto& [used, texts, primary, message, sent] :
         std::vector<std::tuple<QString, QStringList, QString, QString, testing::Sent>>{
             {"111", {"51.1", "12", "100"}, "5110 1200", "", {{P, "07511"}, {E, "070012"}, {K, "0012"}}},
             {"111", {"0", "0", "1"}, "0 0", "", {{P, "07000"}, {E, "070000"}, {K, "0010"}}},
             {"111", {"0.05", "1e3", "3"}, "0.15 3000", "", {{P, "07000"}, {E, "071000"}, {K, "0030"}}},
             {"011", {"x", "9999", "999e9"}, "- 9.989e+15", "", {{E, "079999"}, {K, "9999"}}},
             {"111", {"51.2", "12.5", "0"}, "- -", kPower, {}},  // the power row is checked first
             {"111", {"-0.1", "1", "1"}, "- 1", kPower, {}},
             {"100", {"", "1", "1"}, "- 1", kPower, {}},
             {"011", {"x", "10000", "1"}, "- -", kEnergy, {}},
             {"010", {"1", "12.5", "1"}, "1 -", kEnergy, {}},
             {"010", {"x", "-1", "x"}, "- -", kEnergy, {}},
             {"001", {"1", "1", "0"}, "- -", kRatio, {}},
             {"001", {"1", "1", "2.5"}, "- -", kRatio, {}},
             {"001", {"1", "1", "1e12"}, "- -", kRatio, {}},
             {"000", {"x", "x", "x"}, "- -", "", {}},
             {"101", {"4.1", "12.5", "15000"}, "61500 -", "", {{P, "07041"}, {K, "0153"}}}}) {
        // clang-format on
        SCOPED_TRACE(texts.join(' ').toStdString());
        enter(used, texts);
        EXPECT_EQ(shown().mid(3).join(' '), primary);
        const std::size_t before = frames().size();
        boxes.texts.clear();
        press(Qt::Key_F6);
        EXPECT_EQ(boxes.texts.join(""), message);
        EXPECT_EQ(framesSince(before), framesOf(sent));
    }
    window->tabs()->setCurrentIndex(kAboutPage);  // the entries outlive the page
    window->tabs()->setCurrentIndex(kTab);
    EXPECT_EQ(shown(), QStringList({"4.1", "12.5", "15000", "61500", "-"}));
    EXPECT_FALSE(control<QCheckBox>(Page::kUseEnergyId)->isChecked());
}

// A lost reply keeps the row's text; the next selected row is still asked for.
TEST_F(ThresholdsPageTest, ReadShowsTheMeterValuesOfTheSelectedRows) {
    withSimulator([](sim::LineSimulator& s) {
        sim::MeterSettings& m = s.devices().meter(0)->settings();
        std::tie(m.powerThresholdKw, m.energyThresholdKwh, m.transformationRatio) =
            std::tuple(4.1, 1234, 15000.0);
    });
    open(kTab);
    constexpr std::size_t RP = Page::kReadPower, RE = Page::kReadEnergy, RK = Page::kReadRatio;
    // clang-format off
    for (const auto& [used, fault, sent, after] :
         std::vector<std::tuple<QString, sim::Fault, testing::Sent, QStringList>>{
             {"000", sim::Fault::None, {}, {"1", "2", "3", "3", "6"}},
             {"101", sim::Fault::None, {{RP, ""}, {RK, ""}}, {"4.1", "2", "15000", "61500", "30000"}},
             {"111", sim::Fault::NoReply, {{RP, ""}, {RE, ""}, {RK, ""}}, {"1", "1234", "15000", "15000", "1.851e+07"}}}) {
        // clang-format on
        enter(used, {"1", "2", "3"});
        withSimulator([f = fault](sim::LineSimulator& s) { s.faults().script({f}); });
        const std::size_t before = frames().size();
        press(Qt::Key_F5);
        EXPECT_EQ(framesSince(before), framesOf(sent));
        EXPECT_EQ(shown(), after);
    }
}

}  // namespace
}  // namespace quillet
