// Twenty thousand commands through the window's command path with error reports off,
// against a simulated meter that damages one reply in ten in every way the line can. Each
// command must end as its reply deserves: a whole reply gives the meter's value, a damaged
// or missing one a failure, and the program's memory stays flat.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QSettings>
#include <QTemporaryDir>
#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Transaction.h"
#include "serial/LinePeer.h"
#include "serial/PortTables.h"
#include "sim/LineSimulator.h"
#include "tests/meter/RecordText.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUILLET_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUILLET_SANITIZED 1
#endif
#endif

namespace quillet {
namespace {

using sim::Fault;
using testing::CommandCall;
using testing::recordText;

constexpr int kCommands = 20'000;
constexpr double kFaultRate = 0.1;
constexpr int kSpeedFactor = 20;  // 9600 bit/s on the port, twenty times that on the line
constexpr int kTimeoutMs = 100;   // the shortest the settings allow
constexpr std::uint32_t kSeed = 20261207;

// Reads whose values stand still while the meter runs, with and without parameters, and
// writes that put back what the meter holds; commands sharing a code differ by parameter.
const std::vector<CommandCall>& commandMix() {
    static const std::vector<CommandCall> mix = {
        {33, {}},
        {35, {}},
        {39, {}},
        {40, {}},
        {41, {}},
        {49, {}},
        {50, {}},
        {51, {}},
        {52, {}},
        {53, {}},
        {54, {}},
        {55, PeakIntervalQuery{0, 1, 3}},
        {55, PeakIntervalQuery{1, 2, 7}},
        {56, {}},
        {59, MonthNumber{2}},
        {60, MonthNumber{5}},
        {61, MonthNumber{5}},
        {62, MonthNumber{11}},
        {64, {}},
        {66, {}},
        {68, HolidayNumber{1}},
        {68, HolidayNumber{4}},
        {70, {}},
        {73, {}},
        {75, {}},
        {77, {}},
    };
    return mix;
}

// What the program should make of a reply that met `fault`.
bool leavesReplyWhole(Fault fault) {
    return fault == Fault::None || fault == Fault::NoiseBeforeStart;
}

long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

class CommandSoakTest : public ::testing::Test {
protected:
    CommandSoakTest() {
        auto store = std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat);
        store->setValue("Ports/COM1", "sim");
        app = std::make_unique<Application>(std::move(store));
        app->loadSettings();
        app->settings().errorReport = 0;
        app->settings().timeoutMs = kTimeoutMs;
        app->port().configure(0, kDefaultBaudIndex, kTimeoutMs);
        std::lock_guard lock(app->simulatedLine().mutex);
        app->simulatedLine().speedFactor = kSpeedFactor;
    }

    // A meter on a line at the soak's speed; the same seed gives the same meter.
    void useMeter(double faultRate) {
        sim::SimulatorOptions options;
        options.devices.seed = kSeed;
        options.devices.lineBaud = BaudRateTable[kDefaultBaudIndex].rate * kSpeedFactor;
        options.turnaround = std::chrono::milliseconds(2);
        options.faults.rate = faultRate;
        options.faults.seed = kSeed;
        // A slow meter: its reply comes after the port gave up, while the next command
        // may already wait for its own.
        options.faults.delay = std::chrono::milliseconds(kTimeoutMs + 30);
        app->replaceSimulator(options);
    }

    template <typename F>
    auto withSimulator(F f) {
        std::lock_guard lock(app->simulatedLine().mutex);
        return f(app->simulator());
    }

    QTemporaryDir dir;
    std::unique_ptr<Application> app;
};

TEST_F(CommandSoakTest, EveryResultMatchesWhatBecameOfItsReply) {
    // One meter throughout: its event times count from its start. Scripted faults come
    // before the random ones, so the first passes see clean and refused replies.
    useMeter(kFaultRate);
    const auto executeWith = [this](Fault fault, const CommandCall& command, LayoutRecord& reply) {
        withSimulator([fault](sim::LineSimulator& s) { s.faults().script({fault}); });
        return executeCommand(command.index, command.params, &reply);
    };
    std::vector<std::string> expected;  // what each command gives on a clean line
    // A refusal reads as a valid answer to the commands whose reply is yes or no.
    std::map<std::size_t, std::string> refusedAnswer;  // by position in the mix
    for (std::size_t i = 0; i < commandMix().size(); ++i) {
        LayoutRecord reply;
        ASSERT_EQ(executeWith(Fault::None, commandMix()[i], reply), 1) << commandMix()[i].index;
        expected.push_back(recordText(reply));
        if (executeWith(Fault::Refusal, commandMix()[i], reply) == 1) {
            refusedAnswer[i] = recordText(reply);
        }
    }

    std::mt19937 pick(kSeed);
    std::map<Fault, int> faults;  // replies hit, by kind
    int succeeded = 0;
    int failed = 0;
    int wrongValues = 0;
    int failuresOnWholeReplies = 0;
    int successesOnDamagedReplies = 0;
    long warmKb = 0;
    for (int n = 0; n < kCommands; ++n) {
        if (n == kCommands / 10) {
            warmKb = residentKb();  // buffers and caches have found their size by now
        }
        const std::size_t which = pick() % commandMix().size();
        const CommandCall& command = commandMix()[which];
        LayoutRecord reply;
        const int result = executeCommand(command.index, command.params, &reply);
        const std::optional<Fault> fault =
            withSimulator([](sim::LineSimulator& s) { return s.lastReplyFault(); });
        ASSERT_TRUE(fault.has_value()) << "command " << n << " got no reply at all";
        ++faults[*fault];
        const bool answered = *fault == Fault::Refusal && refusedAnswer.contains(which);
        const bool whole = leavesReplyWhole(*fault) || answered;
        if (result == 1) {
            ++succeeded;
            wrongValues += recordText(reply) != (answered ? refusedAnswer[which] : expected[which]);
            successesOnDamagedReplies += !whole;
        } else {
            ++failed;
            failuresOnWholeReplies += whole;
        }
    }
    const long endKb = residentKb();

    std::printf(
        "commands %d: %d succeeded, %d failed; resident %ld kB after %d, %ld kB at "
        "the end\n",
        kCommands, succeeded, failed, warmKb, kCommands / 10, endKb);
    for (const auto& [fault, count] : faults) {
        std::printf("  %-14s %d\n", std::string(sim::faultName(fault)).c_str(), count);
    }
    EXPECT_EQ(wrongValues, 0);
    EXPECT_EQ(successesOnDamagedReplies, 0);
    EXPECT_EQ(failuresOnWholeReplies, 0);
    // Every kind of fault came up, about as often as asked.
    EXPECT_EQ(faults.size(), 10u);
    EXPECT_NEAR(kCommands - faults[Fault::None], kCommands * kFaultRate, kCommands * 0.02);
#ifndef QUILLET_SANITIZED
    // A leak of even a reply buffer a command would add megabytes.
    EXPECT_LT(endKb - warmKb, 1024);
#endif
}

}  // namespace
}  // namespace quillet
