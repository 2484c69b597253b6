#include <gtest/gtest.h>

#include <set>
#include <string>

#include "protocol/CommandTable.h"

namespace quillet {
namespace {

TEST(CommandTable, GroupsOccupyTheirIndexRanges) {
    struct Range {
        std::size_t first;
        std::size_t last;
        std::int32_t group;
    };
    int nonEmpty = 0;
    for (const Range& r : {Range{0, 13, 0}, Range{14, 29, -1}, Range{30, 80, 1}, Range{81, 99, -1},
                           Range{100, 109, 2}, Range{110, 119, -1}, Range{120, 141, 3}}) {
        for (std::size_t i = r.first; i <= r.last; ++i) {
            const CommandSlot& slot = commandSlot(i);
            EXPECT_EQ(slot.group, r.group) << i;
            if (slot.isEmpty()) {
                EXPECT_TRUE(slot.code.empty() && slot.name.empty()) << i;
                EXPECT_EQ(slot.requestLayout, -1) << i;
                EXPECT_EQ(slot.replyLayout, -1) << i;
            } else {
                ++nonEmpty;
                EXPECT_FALSE(slot.name.empty()) << i;
                EXPECT_GE(slot.code.size(), 1u) << i;
                EXPECT_LE(slot.code.size(), 3u) << i;
            }
        }
    }
    EXPECT_EQ(nonEmpty, 97);
}

TEST(CommandTable, CodesAreUniqueWithinAGroupAndPrintable) {
    std::set<std::pair<std::int32_t, std::string>> seen;
    for (const CommandSlot& slot : commandTable()) {
        if (slot.isEmpty()) {
            continue;
        }
        EXPECT_TRUE(seen.emplace(slot.group, std::string(slot.code)).second) << slot.code;
        for (char c : slot.code) {
            EXPECT_TRUE(c > 0x20 && c < 0x7F) << slot.code;
        }
    }
}

TEST(CommandTable, GroupCommandsAreNeverAnswered) {
    for (std::size_t i = 0; i <= 13; ++i) {
        EXPECT_EQ(commandSlot(i).replyLayout, -1) << i;
    }
}

TEST(CommandTable, SelectedSlots) {
    struct Row {
        std::size_t index;
        std::int32_t group;
        std::string_view code;
        std::int32_t request;
        std::int32_t reply;
        std::string_view name;
    };
    for (const Row& r : {
             Row{0, 0, "P", 0, -1, "Установка пароля группы"},
             Row{9, 0, "@", -1, -1, "Сброс всех показаний"},
             Row{30, 1, "A", 10, 17, "Установка адреса прибора"},
             Row{45, 1, "Y", -1, 6, "Чтение сум. льготной. энергии с уч. прев. порога мощности"},
             Row{51, 1, "S", -1, 8, "Чтение серийного номера"},
             Row{52, 1, "\\T", -1, 1, "Чтение даты вскрытия крышки"},
             Row{59, 1, "[B", 14, 6, "Чтение полупик. показаний  на начало месяца"},
             Row{74, 1, "?", 19, 15, "Чтение получас. графика мощности"},
             Row{80, 1, "?I", 26, 17, "Очистка получас. графика мощности"},
             Row{100, 2, "T", -1, 0, "Внутренний тест контролера"},
             Row{109, 2, "A", 24, 17, "Разрыв связи и выполнение команды удаленного модема"},
             Row{121, 3, "!1", 28, -1,
                 "Установка скорости последовательного канала считывателя карты"},
             Row{127, 3, "!70", -1, 23, "Чтение с карты информации о потреблении электроэнергии 1"},
             Row{129, 3, "!72", -1, 23, "Чтение с карты информации о потреблении электроэнергии 3"},
             Row{141, 3, "!J", -1, 29, "Чтение действий и результатов при коррекции/сравнении"},
         }) {
        const CommandSlot& slot = commandSlot(r.index);
        EXPECT_EQ(slot.group, r.group) << r.index;
        EXPECT_EQ(slot.code, r.code) << r.index;
        EXPECT_EQ(slot.requestLayout, r.request) << r.index;
        EXPECT_EQ(slot.replyLayout, r.reply) << r.index;
        EXPECT_EQ(slot.name, r.name) << r.index;
        EXPECT_EQ(commandName(r.index), r.name) << r.index;
    }
}

TEST(CommandTable, IndicesOutsideTheTableAreEmpty) {
    for (std::size_t index : {142u, 200u, 255u}) {
        EXPECT_TRUE(commandSlot(index).isEmpty());
        EXPECT_TRUE(commandName(index).empty());
    }
}

}  // namespace
}  // namespace quillet
