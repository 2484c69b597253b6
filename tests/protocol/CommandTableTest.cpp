#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "protocol/CommandTable.h"
#include "protocol/ReplyLayouts.h"
#include "protocol/RequestLayouts.h"

namespace quillet {
namespace {

// Every slot lies in its group's index range, and none past the table is filled. Filled
// slots have a name, a short printable code unique in the group and layouts that exist;
// group commands are never answered.
TEST(CommandTable, SlotsAreWellFormed) {
    using Range = std::tuple<std::size_t, std::size_t, std::int32_t>;  // first, last, group
    int filled = 0;
    std::set<std::pair<std::int32_t, std::string>> codes;
    for (auto [first, last, group] :
         {Range{0, 13, 0}, Range{14, 29, -1}, Range{30, 80, 1}, Range{81, 99, -1},
          Range{100, 109, 2}, Range{110, 119, -1}, Range{120, 141, 3}}) {
        for (std::size_t i = first; i <= last; ++i) {
            const CommandSlot& slot = commandSlot(i);
            EXPECT_EQ(slot.group, group) << i;
            if (slot.isEmpty()) {
                EXPECT_TRUE(slot.code.empty() && slot.name.empty()) << i;
                EXPECT_EQ(std::pair(slot.requestLayout, slot.replyLayout), std::pair(-1, -1)) << i;
                continue;
            }
            ++filled;
            EXPECT_FALSE(slot.name.empty()) << i;
            EXPECT_TRUE(!slot.code.empty() && slot.code.size() <= 3 &&
                        std::ranges::all_of(slot.code, [](char c) { return c > 0x20 && c < 0x7F; }))
                << i;
            EXPECT_TRUE(codes.emplace(group, std::string(slot.code)).second) << i;
            EXPECT_TRUE(slot.requestLayout >= -1 && slot.requestLayout < kRequestLayoutCount) << i;
            EXPECT_TRUE(slot.replyLayout >= -1 && slot.replyLayout < kReplyLayoutCount) << i;
            EXPECT_TRUE(group != 0 || slot.replyLayout == -1) << i;
        }
    }
    EXPECT_EQ(filled, 97);
    for (std::size_t index : {142u, 255u}) {
        EXPECT_TRUE(commandSlot(index).isEmpty() && commandName(index).empty()) << index;
    }
}

}  // namespace
}  // namespace quillet
