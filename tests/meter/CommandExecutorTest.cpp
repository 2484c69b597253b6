// The executor against the simulated meter when a reply is rejected or comes late: the
// bytes still on their way must not pass for the next command's reply.

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "RecordText.h"
#include "SimulatedMeters.h"

namespace quillet {
namespace {

using sim::Fault;
using testing::CommandCall;
using testing::recordText;

constexpr std::size_t kHalfPeakAtMonthStart = 59;  // one code for every month
constexpr std::size_t kReadSerial = 51;
constexpr std::size_t kReadVersion = 49;

// After the first command's reply met `fault`, each of the following commands gets its
// own reply, even one that shares the first one's code.
TEST(CommandExecutor, NoCommandTakesTheReplyOfAnEarlierOne) {
    const std::vector<CommandCall> commands = {{kHalfPeakAtMonthStart, MonthNumber{2}},
                                               {kHalfPeakAtMonthStart, MonthNumber{5}},
                                               {kReadSerial, {}},
                                               {kReadVersion, {}},
                                               {kHalfPeakAtMonthStart, MonthNumber{8}}};
    constexpr int kTimeoutMs = 300;
    for (const auto& [fault, delay] : std::vector<std::tuple<Fault, int>>{
             {Fault::DelayPastTimeout, 30},  // starts shortly after the port gave up
             {Fault::DelayPastTimeout, 0},   // starts just as it gives up
             {Fault::OverlongReply, 0}}) {
        SCOPED_TRACE(std::string(sim::faultName(fault)) + " " + std::to_string(delay));
        sim::SimulatorOptions options;
        options.faults.delay = std::chrono::milliseconds(kTimeoutMs + delay);
        testing::SimulatedMeters line(options);
        line.settings.timeoutMs = kTimeoutMs;
        line.port.configure(0, kDefaultBaudIndex, line.settings.timeoutMs);
        std::vector<std::string> clean;
        for (const CommandCall& command : commands) {
            LayoutRecord reply;
            ASSERT_EQ(line.executor.execute(command.index, command.params, &reply), 1);
            clean.push_back(recordText(reply));
        }
        {
            std::lock_guard lock(line.line->mutex);
            line.simulator->faults().script({fault});
        }
        std::vector<std::string> got;
        for (const CommandCall& command : commands) {
            LayoutRecord reply;
            got.push_back(line.executor.execute(command.index, command.params, &reply) == 1
                              ? recordText(reply)
                              : "failed");
        }
        std::vector<std::string> expected = clean;
        expected[0] = "failed";
        EXPECT_EQ(got, expected);
    }
}

}  // namespace
}  // namespace quillet
