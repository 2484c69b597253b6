#include <gtest/gtest.h>

#include <string>

#include "protocol/Cp1251.h"

namespace quillet {
namespace {

TEST(Cp1251, KnownCharacters) {
    struct Pair {
        std::string_view utf8;
        std::string_view cp1251;
    };
    for (const Pair& p :
         {Pair{"A~\r\n", "A~\r\n"}, Pair{"А", "\xC0"}, Pair{"я", "\xFF"}, Pair{"Ё", "\xA8"},
          Pair{"ё", "\xB8"}, Pair{"№", "\xB9"}, Pair{"€", "\x88"}, Pair{"Ђ", "\x80"},
          Pair{"—", "\x97"}, Pair{"\u00A0", "\xA0"}, Pair{"Ґ", "\xA5"},
          Pair{"Oшибка", "O\xF8\xE8\xE1\xEA\xE0"}}) {
        EXPECT_EQ(utf8ToCp1251(p.utf8), p.cp1251) << p.utf8;
        EXPECT_EQ(cp1251ToUtf8(p.cp1251), p.utf8) << p.utf8;
    }
}

TEST(Cp1251, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string utf8 = cp1251ToUtf8(all);
    EXPECT_TRUE(isCp1251Encodable(utf8));
    EXPECT_EQ(utf8ToCp1251(utf8), all);
}

TEST(Cp1251, UnencodableAndMalformedInputIsReplaced) {
    struct Case {
        std::string_view utf8;
        std::string_view cp1251;
    };
    for (const Case& c : {Case{"a€b",
                               "a\x88"
                               "b"},
                          Case{"日本", "??"}, Case{"\xFF", "?"}, Case{"\xD0", "?"},
                          Case{"x\xC0\x80y", "x?y"},  // overlong NUL
                          Case{"\xED\xA0\x80", "?"},  // surrogate
                          Case{"😀", "?"}}) {
        EXPECT_EQ(utf8ToCp1251(c.utf8), c.cp1251) << c.utf8;
    }
    EXPECT_FALSE(isCp1251Encodable("日"));
    EXPECT_FALSE(isCp1251Encodable("\xD0"));
}

}  // namespace
}  // namespace quillet
