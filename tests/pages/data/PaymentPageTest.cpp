// The payment and load page against the simulated meter: the payment rows of paid,
// unpaid, scaled and failed replies, the load mode both ways, and the list locked while
// the line is busy.

#include "DataPageTesting.h"
#include "app/ExchangeErrorDialog.h"
#include "pages/data/PaymentPage.h"

namespace quillet {
namespace {

using Page = PaymentLoadPage;
using F = sim::Fault;
constexpr int kTab = 14;
const testing::Sent kRead = {{70, ""}, {71, ""}, {72, ""}, {73, ""}, {Page::kReadLoadMode, ""}};

class PaymentPageTest : public testing::DataPageFixture {
protected:
    PaymentPageTest() {
        PaymentValues::shared() = {};
        // Night: the half-peak and peak payments do not shrink during a read.
        withSimulator([](sim::LineSimulator& s) {
            s.devices().meter(0)->setDate(15, 3, 2025);
            s.devices().meter(0)->setTime(3, 0, 0);
        });
        open(kTab);
    }
    QStringList row(int i) {
        auto* list = control<ReportList>(Page::kListId);
        return {list->text(i, 1), list->text(i, 2)};
    }
    QComboBox* loadMode() { return control<QComboBox>(Page::kLoadModeId); }
};

TEST_F(PaymentPageTest, RowsShowPaidUnpaidScaledAndFailedReplies) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(row(i), QStringList({"-", "-"}));
    }
    // clang-format off
    for (const auto& [r, day, month, balance, fault, reply, shown] :
         std::vector<std::tuple<int, int, int, double, F, std::string, QStringList>>{
             {0, 15, 3, 12.5, F::None, "15030100012500", {"15/03/2001", "12.5"}},
             {0, 0, 1, 12.5, F::None, "00010100012500", {"неоплачено", "-"}},
             {2, 15, 3, 1234567.8, F::None, "150301123456782", {"15/03/2001", "1234567.8"}},
             {3, 0, 1, 7, F::None, "", {"неоплачено", "-"}},
             {2, 31, 4, 10, F::None, "310401", {"-", "-"}},    // no 31 April: an invalid reply
             {0, 15, 3, 5, F::Refusal, "", {"-", "-"}}}) {  // the value read before goes
        // clang-format on
        withSimulator([&](sim::LineSimulator& s) {
            s.devices().meter(0)->setPayment(sim::PaymentRow(r), day, month, 2001, balance);
            s.faults().script({fault});
        });
        const std::size_t before = frames().size();
        press(Qt::Key_F5);
        EXPECT_EQ(framesSince(before), framesOf(kRead));
        EXPECT_NE(logText().find("~000M" + reply), std::string::npos) << reply;
        EXPECT_EQ(row(r), shown) << reply;
    }
    // The rows and the chosen load mode outlive the page.
    loadMode()->setCurrentIndex(2);
    window->tabs()->setCurrentIndex(16);
    window->tabs()->setCurrentIndex(kTab);
    EXPECT_EQ(row(3), QStringList({"неоплачено", "-"}));
    EXPECT_EQ(loadMode()->currentIndex(), 2);
}

TEST_F(PaymentPageTest, LoadModeReadSelectsTheEntryWriteSendsItsLetter) {
    for (const auto& [mode, entry, next, letter] :
         std::vector<std::tuple<int, QString, int, std::string>>{
             {3, "Контроль нагрузки", 2, "F"},
             {0, "Телеметрия", 1, "O"},
             {1, "Нагрузка включена", 3, "C"},
             {2, "Нагрузка выключена", 0, "T"}}) {
        withSimulator(
            [&](sim::LineSimulator& s) { s.devices().meter(0)->settings().loadMode = mode; });
        press(Qt::Key_F5);
        EXPECT_EQ(loadMode()->currentText(), entry);
        loadMode()->setCurrentIndex(next);
        const std::size_t before = frames().size();
        press(Qt::Key_F6);
        EXPECT_EQ(framesSince(before), framesOf({{Page::kSetLoadMode, letter}})) << letter;
    }
}

// Cancel on the first refused row: the list stays locked until the operation ends, and
// nothing further goes out.
TEST_F(PaymentPageTest, TheModeListIsLockedWhileTheLineIsBusy) {
    app->settings().errorReport = 1;
    withSimulator([](sim::LineSimulator& s) { s.faults().script({F::Refusal}); });
    std::optional<bool> enabledMeanwhile;
    testing::whenModalAppears([&](QWidget* modal) {
        enabledMeanwhile = loadMode()->isEnabled();
        modal->findChild<QPushButton*>(controlName(ExchangeErrorDialog::kCancelId))->click();
    });
    press(Qt::Key_F5);
    EXPECT_EQ(enabledMeanwhile, false);
    EXPECT_TRUE(loadMode()->isEnabled());
    EXPECT_EQ(frames(), framesOf({kRead.front()}));
}

}  // namespace
}  // namespace quillet
