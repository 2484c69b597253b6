// The service page against the simulated meter: which value each command gives, and what a
// failed or cancelled command leaves.

#include "DataPageTesting.h"
#include "app/ExchangeErrorDialog.h"
#include "pages/data/ServicePage.h"

namespace quillet {
namespace {

using Page = ServicePage;
using F = sim::Fault;

constexpr int kServiceTab = 5;
constexpr std::array<int, 7> kFieldIds = {Page::kTestId,        Page::kVersionId, Page::kSerialId,
                                          Page::kCoverOpenedId, Page::kPowerOnId, Page::kPowerOffId,
                                          Page::kGroupCommandId};
const QString kMissing = QStringLiteral("-");
const testing::Sent kReads = {{Page::kSelfTest, ""},          {Page::kReadVersion, ""},
                              {Page::kReadSerial, ""},        {Page::kReadCoverOpened, ""},
                              {Page::kReadPowerOn, ""},       {Page::kReadPowerOff, ""},
                              {Page::kGroupCommandResult, ""}};

using ServicePageTest = testing::DataPageFixture;

// The fields after a read, by what the meter holds, the texts of the two yes/no answers
// and the fields whose command failed.
TEST_F(ServicePageTest, EveryCommandGoesOutAndOnlyAFailedOneLeavesItsDash) {
    sim::SimulatorOptions options;
    options.devices.seed = 8775;  // the serial number 0x001B'001B00E4: zeros lead both halves
    app->replaceSimulator(options);
    const auto shown = [this] {
        std::vector<QString> texts;
        for (int id : kFieldIds) {
            texts.push_back(control<QLineEdit>(id)->text());
        }
        return texts;
    };
    open(kServiceTab);
    EXPECT_EQ(shown(), std::vector<QString>(7, kMissing));
    // clang-format off
    for (const auto& [faults, executed, test, group, missing, sent] : std::vector<std::tuple<
             std::vector<F>, bool, const char*, const char*, std::vector<std::size_t>, std::size_t>>{
             {{}, true, "прибор исправен", "успешно выполнена", {}, 7},
             {{F::Refusal}, false, "прибор не исправен", "не выполнена", {}, 7},
             // A lost or garbled reply costs its own field only.
             {{F::NoReply, F::None, F::NoReply, F::None, F::None, F::BadChecksum, F::NoReply},
              true, "-", "-", {2, 5}, 7},
             // Cancel in the error dialog leaves the rest unread.
             {{F::None, F::NoReply}, true, "прибор исправен", "-", {1, 2, 3, 4, 5}, 2}}) {
        // clang-format on
        SCOPED_TRACE(test);
        withSimulator([&, groupExecuted = executed](sim::LineSimulator& s) {
            s.devices().meter(0)->settings().lastGroupExecuted = groupExecuted;
            for (F fault : faults) {
                s.faults().script({fault});
            }
        });
        const std::size_t before = frames().size();
        if (sent < 7) {  // the error dialog comes up, and is left with "Отмена"
            app->settings().errorReport = 1;
            testing::whenModalAppears([](QWidget* modal) {
                modal->findChild<QPushButton*>(controlName(ExchangeErrorDialog::kCancelId))
                    ->click();
            });
        }
        press(Qt::Key_F5);

        // What the meter holds, as the page should show it.
        std::vector<QString> expected = withSimulator([&, t = test,
                                                       g = group](sim::LineSimulator& s) {
            sim::MeterModel& meter = *s.devices().meter(0);
            const auto event = [&meter](sim::MeterEvent e) {
                const MeterDateTime at = meter.dateTimeAt(meter.eventTime(e));
                return QString::fromStdString(formatEventTime(
                    at.hours, at.minutes, at.seconds, at.weekday, at.day, at.month, at.year));
            };
            return std::vector<QString>{
                QString::fromUtf8(t),
                QString::fromUtf8(meter.version().data(), 2),
                QString::asprintf("%012llX", static_cast<unsigned long long>(meter.serialNumber())),
                event(sim::MeterEvent::CoverOpened),
                event(sim::MeterEvent::PowerOn),
                event(sim::MeterEvent::PowerOff),
                QString::fromUtf8(g)};
        });
        for (std::size_t field : missing) {
            expected[field] = kMissing;
        }
        EXPECT_EQ(shown(), expected) << logText();
        EXPECT_EQ(framesSince(before),
                  framesOf(testing::Sent(kReads.begin(), kReads.begin() + sent)));
    }
}

}  // namespace
}  // namespace quillet
