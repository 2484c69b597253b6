#include <gtest/gtest.h>

#include "protocol/Cp1251.h"

namespace quillet {
namespace {

// Reversible rows convert both ways; the others are replaced with "?" and are not
// encodable. Every byte survives the round trip.
TEST(Cp1251, Conversions) {
    struct Row {
        std::string_view utf8;
        std::string_view cp1251;
        bool reversible = true;
    };
    for (const Row& r :
         {Row{"A~\r\n", "A~\r\n"}, Row{"Ая", "\xC0\xFF"}, Row{"Ёё№", "\xA8\xB8\xB9"},
          Row{"€Ђ—", "\x88\x80\x97"}, Row{"\u00A0Ґ", "\xA0\xA5"},
          Row{"Oшибка", "O\xF8\xE8\xE1\xEA\xE0"}, Row{"日本", "??", false}, Row{"\xFF", "?", false},
          Row{"\xD0", "?", false}, Row{"x\xC0\x80y", "x?y", false},  // overlong NUL
          Row{"\xED\xA0\x80", "?", false},                           // surrogate
          Row{"😀", "?", false}}) {
        EXPECT_EQ(utf8ToCp1251(r.utf8), r.cp1251) << r.utf8;
        EXPECT_EQ(isCp1251Encodable(r.utf8), r.reversible) << r.utf8;
        if (r.reversible) {
            EXPECT_EQ(cp1251ToUtf8(r.cp1251), r.utf8) << r.utf8;
        }
    }
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_TRUE(isCp1251Encodable(cp1251ToUtf8(all)));
    EXPECT_EQ(utf8ToCp1251(cp1251ToUtf8(all)), all);
}

}  // namespace
}  // namespace quillet
