// The value models shared by the window's pages and the command line: the texts of edge
// values, and that each value is handed on right after its own command, failed or not, so
// a page can show it at once.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "meter/MeterClock.h"
#include "meter/Payments.h"
#include "meter/ServiceInfo.h"
#include "meter/TariffSwitches.h"
#include "meter/Thresholds.h"

namespace quillet {
namespace {

TEST(MeterValueTexts, SerialNumbersKeepTheirLeadingZeros) {
    for (const auto& [high, low, text] : std::vector<std::tuple<int, std::uint32_t, std::string>>{
             {0x1B, 0x001B00E4, "001B001B00E4"},
             {0, 0, "000000000000"},
             {0xFFFF, 0xFFFFFFFF, "FFFFFFFFFFFF"}}) {
        EXPECT_EQ(serialText(SerialNumber{low, high}), text);
    }
}

TEST(MeterValueTexts, PaymentRowsShowUnknownUnpaidAndPaidRows) {
    // clang-format off
    for (const auto& [day, month, year, balance, date, left] :
         std::vector<std::tuple<int, int, int, double, std::string, std::string>>{
             {5, 3, 2001, -1, "-", "-"},          // not read
             {0, 1, 2000, 7, "неоплачено", "-"},  // the balance of no payment means nothing
             {5, 3, 2001, 12.5, "5/03/2001", "12.5"},
             {31, 12, 999, 0, "31/12/0999", "0"},
             {1, 1, 2024, 123456789, "1/01/2024", "1.2345679e+08"}}) {  // eight digits
        // clang-format on
        const PaymentRow row{70, "", day, month, year, balance};
        EXPECT_EQ(row.dateText(), date);
        EXPECT_EQ(row.balanceText(), left);
    }
}

// Answers every command with an empty record, fails the ones listed, and notes each
// command ("c33") and each value handed on ("v0") in order.
class NotingRunner final : public CommandRunner {
public:
    int execute(std::size_t index, const LayoutRecord&, LayoutRecord*) override {
        events.push_back("c" + std::to_string(index));
        return std::count(failing.begin(), failing.end(), index) > 0 ? 0 : 1;
    }
    std::function<void(std::size_t)> noter() {
        return [this](std::size_t item) { events.push_back("v" + std::to_string(item)); };
    }

    std::vector<std::size_t> failing;
    std::vector<std::string> events;
};

TEST(MeterValueReads, EachValueIsHandedOnRightAfterItsCommandFailedOrNot) {
    using Read = std::function<void(NotingRunner&)>;
    // clang-format off
    for (const auto& [name, failing, read, events] :
         std::vector<std::tuple<const char*, std::vector<std::size_t>, Read, std::vector<std::string>>>{
             {"service", {51, 35}, [](NotingRunner& r) { ServiceInfo().read(r, r.noter()); },
              {"c33", "v0", "c49", "v1", "c51", "v2", "c52", "v3", "c53", "v4", "c54", "v5", "c35", "v6"}},
             {"clock", {36}, [](NotingRunner& r) { MeterClock().read(r, {}, r.noter()); },
              {"c36", "v0", "c50", "v1"}},
             {"summer time only", {}, [](NotingRunner& r) { MeterClock().read(r, {false, true}, r.noter()); },
              {"c50", "v1"}},
             {"thresholds", {40}, [](NotingRunner& r) { Thresholds().read(r, {true, false, true}, r.noter()); },
              {"c40", "v0", "c77", "v2"}},
             {"tariffs", {75}, [](NotingRunner& r) { TariffSwitches().read(r, r.noter()); },
              {"c75", "v0", "c66", "v1"}},
             {"payment", {70, 64}, [](NotingRunner& r) { PaymentValues().read(r, r.noter()); },
              {"c70", "v0", "c71", "v1", "c72", "v2", "c73", "v3", "c64", "v4"}}}) {
        // clang-format on
        NotingRunner runner;
        runner.failing = failing;
        read(runner);
        EXPECT_EQ(runner.events, events) << name;
    }
}

}  // namespace
}  // namespace quillet
