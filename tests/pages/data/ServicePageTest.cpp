// The service page against the simulated meter: which value each command gives, what a
// failed or cancelled command leaves, and the order in which the fields fill.

#include <QLineEdit>
#include <QPushButton>

#include "PageFixture.h"
#include "pages/data/ServicePage.h"
#include "protocol/Frame.h"
#include "protocol/ValueText.h"
#include "sim/Faults.h"
#include "sim/MeterModel.h"

namespace quillet {
namespace {

using testing::PageFixture;
using Page = ServicePage;

constexpr int kServiceTab = 5;
constexpr std::array<int, 7> kFieldIds = {Page::kTestId,        Page::kVersionId, Page::kSerialId,
                                          Page::kCoverOpenedId, Page::kPowerOnId, Page::kPowerOffId,
                                          Page::kGroupCommandId};
constexpr std::array<std::size_t, 7> kSlots = {
    Page::kSelfTest,    Page::kReadVersion,  Page::kReadSerial,        Page::kReadCoverOpened,
    Page::kReadPowerOn, Page::kReadPowerOff, Page::kGroupCommandResult};
const QString kMissing = QStringLiteral("-");

class ServicePageTest : public PageFixture {
protected:
    std::vector<QString> shown() {
        std::vector<QString> texts;
        for (int id : kFieldIds) {
            texts.push_back(control<QLineEdit>(id)->text());
        }
        return texts;
    }
    // What the meter holds, as the page shows it.
    std::vector<QString> meterValues(const char* test, const char* group) {
        return withSimulator([&](sim::LineSimulator& s) {
            sim::MeterModel& meter = *s.devices().meter(0);
            const auto event = [&meter](sim::MeterEvent e) {
                const MeterDateTime t = meter.dateTimeAt(meter.eventTime(e));
                return QString::fromStdString(formatEventTime(t.hours, t.minutes, t.seconds,
                                                              t.weekday, t.day, t.month, t.year));
            };
            return std::vector<QString>{
                QString::fromUtf8(test),
                QString::fromUtf8(meter.version().data(), 2),
                QString::asprintf("%012llX", static_cast<unsigned long long>(meter.serialNumber())),
                event(sim::MeterEvent::CoverOpened),
                event(sim::MeterEvent::PowerOn),
                event(sim::MeterEvent::PowerOff),
                QString::fromUtf8(group)};
        });
    }
    std::vector<std::string> framesOf(std::size_t count) {
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < count; ++i) {
            expected.push_back(buildRequestFrame(kSlots[i], "", app->settings().link()).value());
        }
        return expected;
    }
};

struct ReadCase {
    const char* name;
    std::vector<sim::Fault> faults;
    bool groupExecuted;
    const char* test;
    const char* group;
    std::vector<std::size_t> missing;  // fields left at "-"
};

class ServiceReadTest : public ServicePageTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ServiceReadTest, EveryCommandGoesOutAndOnlyAFailedOneLeavesItsDash) {
    const ReadCase& c = GetParam();
    app->settings().errorReport = 0;
    withSimulator([&](sim::LineSimulator& s) {
        s.devices().meter(0)->settings().lastGroupExecuted = c.groupExecuted;
        for (sim::Fault fault : c.faults) {
            s.faults().script({fault});
        }
        return 0;
    });
    open(kServiceTab);
    EXPECT_EQ(shown(), std::vector<QString>(7, kMissing));
    press(Qt::Key_F5);

    std::vector<QString> expected = meterValues(c.test, c.group);
    for (std::size_t field : c.missing) {
        expected[field] = kMissing;
    }
    EXPECT_EQ(shown(), expected) << logText();
    EXPECT_EQ(frames(), framesOf(7));
}

using F = sim::Fault;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Service, ServiceReadTest, ::testing::Values(
    ReadCase{"AllAnswer", {}, true, "прибор исправен", "успешно выполнена", {}},
    ReadCase{"SelfTestAnswersNo", {F::Refusal}, false, "прибор не исправен", "не выполнена", {}},
    ReadCase{"SelfTestSilent", {F::NoReply}, false, "-", "не выполнена", {}},
    ReadCase{"SerialLost", {F::None, F::None, F::NoReply}, false, "прибор исправен",
             "не выполнена", {2}},
    ReadCase{"PowerOffGarbled", {F::None, F::None, F::None, F::None, F::None, F::BadChecksum},
             false, "прибор исправен", "не выполнена", {5}},
    ReadCase{"GroupResultLost", {F::None, F::None, F::None, F::None, F::None, F::None,
             F::NoReply}, true, "прибор исправен", "-", {6}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST_F(ServicePageTest, CancelInTheErrorDialogLeavesTheRestUnreadAndTheLineQuiet) {
    withSimulator([](sim::LineSimulator& s) {
        s.faults().script({sim::Fault::None, sim::Fault::NoReply});
        return 0;
    });
    open(kServiceTab);
    bool cancelled = false;
    ::quillet::testing::whenModalAppears([&cancelled](QWidget* modal) {
        for (QPushButton* button : modal->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("Отмена")) {
                cancelled = true;
                button->click();
            }
        }
    });
    press(Qt::Key_F5);

    ASSERT_TRUE(cancelled);
    std::vector<QString> expected(7, kMissing);
    expected[0] = "прибор исправен";
    EXPECT_EQ(shown(), expected);
    EXPECT_EQ(frames(), framesOf(2));
}

TEST_F(ServicePageTest, SerialNumberKeepsTheLeadingZerosOfBothHalves) {
    sim::SimulatorOptions options;
    // This seed gives the meter the serial number 0x001B'001B00E4.
    options.devices.seed = 8775;
    app->replaceSimulator(options);
    app->settings().errorReport = 0;
    open(kServiceTab);
    press(Qt::Key_F5);
    EXPECT_EQ(control<QLineEdit>(Page::kSerialId)->text(), "001B001B00E4");
}

TEST_F(ServicePageTest, SecondReadClearsEveryFieldThenFillsThemOneByOne) {
    app->settings().errorReport = 0;
    open(kServiceTab);
    press(Qt::Key_F5);
    const std::vector<QString> first = shown();
    ASSERT_EQ(std::count(first.begin(), first.end(), kMissing), 0);

    QObject watch;
    std::vector<std::vector<QString>> seen;  // the page after every change of a field
    for (int id : kFieldIds) {
        QObject::connect(control<QLineEdit>(id), &QLineEdit::textChanged, &watch,
                         [&] { seen.push_back(shown()); });
    }
    press(Qt::Key_F5);

    ASSERT_EQ(seen.size(), 14u);
    EXPECT_EQ(seen[6], std::vector<QString>(7, QString()));
    for (std::size_t done = 1; done <= 7; ++done) {
        std::vector<QString> expected(7, QString());
        std::copy_n(first.begin(), done, expected.begin());
        EXPECT_EQ(seen[6 + done], expected) << "after field " << done;
    }
}

}  // namespace
}  // namespace quillet
