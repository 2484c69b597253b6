#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "protocol/LocalClock.h"
#include "protocol/RequestLayouts.h"

namespace quillet {
namespace {

struct E {
    int layout;
    LayoutRecord record;
    std::optional<std::string> expected{};  // none: refused
};

// Every layout, and what cannot be sent: wrong record types, ids outside the table,
// characters that would break the frame and values with no text.
TEST(RequestLayouts, Encodes) {
    // A year of 0 stands for this year.
    setLocalClock([] { return LocalDateTime{2001, 6, 15}; });
    for (const E& c :
         {E{-1, Password{"\r"}, ""}, E{0, Password{"a1B2c"}, "a1B2c"},
          E{1, CalendarDate{1, 1, 2001}, "1010101"}, E{1, CalendarDate{29, 2, 2004}, "0290204"},
          E{1, CalendarDate{1, 1, 0}, "1010100"}, E{2, TimeOfDay{9, 5, 7}, "090507"},
          // printf widths are minimums, not clips
          E{2, TimeOfDay{-1, 100, 0}, "-110000"},
          E{3, GroupTariffStart{7, 3, 6, 30, 11}, "073063011"}, E{4, TariffStartQuery{7, 3}, "703"},
          E{5, GroupPowerThreshold{7, 4.1}, "07041"}, E{5, GroupPowerThreshold{7, 51.1}, "07511"},
          E{5, GroupPowerThreshold{7, 0.05}, "07000"}, E{5, GroupPowerThreshold{7, 123.4}, "07234"},
          E{6, SeasonalSwitch{5}, "Y"}, E{6, SeasonalSwitch{0}, "N"}, E{7, LineSpeed{300}, "00300"},
          E{8, GroupPeakTariff{0, 7, 2, 18, 30, 90, 3, 1}, "00721830090L03"},
          E{8, GroupPeakTariff{0, 7, 2, 18, 30, 90, 3, 0}, "00721830090B03"},
          E{9, PeakIntervalQuery{7, 2, 3}, "7203"}, E{10, MeterAddress{1234}, "1234"},
          E{11, ConsumerCategory{4}, "04"}, E{12, EnergyThreshold{7, 12345.9}, "072345"},
          E{13, DisplayModes{{1, 0, 2, 0, 0, 0, 0, -1}, 9}, "YNYNNNNY"},
          E{14, MonthNumber{3}, "03"}, E{15, OnOffSwitch{1}, "O"}, E{15, OnOffSwitch{0}, "F"},
          E{16, LoadMode{0}, "T"}, E{16, LoadMode{3}, "C"}, E{17, HolidayNumber{16}, "16"},
          E{18, Holiday{3, 8, 3, 1}, "030883"}, E{18, Holiday{3, 8, 3, 0}, "030803"},
          E{19, GraphPointQuery{12, 31, 47}, "123147"}, E{20, CycleTime{5}, "05"},
          E{21, TransformationRatio{0}, "0000"}, E{21, TransformationRatio{1}, "0010"},
          E{21, TransformationRatio{30}, "0031"}, E{21, TransformationRatio{999}, "9990"},
          E{21, TransformationRatio{1000}, "0013"}, E{21, TransformationRatio{12345}, "1242"},
          E{21, TransformationRatio{3.7}, "0030"}, E{22, ModemInitString{"AT&F E0"}, "AT&F E0"},
          E{23, ModemTimeout{60}, "60"}, E{24, RemoteModemCommand{12, "ATZ"}, "CATZ"},
          E{24, RemoteModemCommand{-1, ""}, "FFFFFFFF"}, E{25, CardRecordIndex{123}, "123"},
          E{26, GraphClear{1, 2}, "0201"}, E{27, AccessKey{0xAB12}, "0000AB12"},
          E{28, LineSpeed{9600}, "096"},
          E{29, CardUserSection{12, 345, 0xABCDEF01, 0x12, {1, 0xAB, 0xFF}},
            "0012000003450012ABCDEF0101ABFF"},
          E{29, CardUserSection{-1, 0, 0, 0, {}}, "429496729500000000000000000000000000"},
          E{30, CardPaymentSection{0x5A, 9, 8, 3, 2004, {1.5, 0, 0.1234, -0.001}},
            "5A080304000015000000000000000123-0000001"},
          E{31, CardValues{{12.34, 123456.789, 1e6, -12.34}}, "000123401234567110000002-0012340"},
          E{32, CardWrite{0x1A2B, {0x00, 0xFF, 0x10}}, "1A2B00FF10"},
          E{33, CardReadRequest{0x0100, 18}, "010002"},
          E{34,
            CardHolidays{
                2, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 0, 0, 0, 0, 0, 0, 1}},
            "201810202030304040505060607070888"},
          E{35, CardRecordIndex{7}, "7"},
          E{36, CardTariffSchedule{3, {7, 0}, {23, 30}, {{{1, 8, 15, 90}, {0, 18, 0, 255}, {}}}},
            "3070023300815090L1800255B0000000B"},
          E{37, CardExtraModes{5, 4100, 12345678, 0xA5, {1, 2, 0xFF}, 1500, 1},
            "05041A52345Y0102FF0152"},
          E{38, CardActions{0xBEEF, 0x1234}, "BEEF"},
          // refused, the output emptied
          E{0, std::monostate{}}, E{7, CardRecordIndex{1}}, E{21, EnergyValue{1}},
          E{-2, Password{"x"}}, E{39, CardActions{}}, E{0, Password{"ab\rcd"}},
          E{22, ModemInitString{"ATZ\n"}}, E{22, ModemInitString{"AT\x7F"}},
          E{24, RemoteModemCommand{1, "AT\xC0"}}, E{16, LoadMode{4}},
          E{32, CardWrite{0, std::vector<std::uint8_t>(256)}}}) {
        std::string out = "stale";
        EXPECT_EQ(encodeParams(c.layout, c.record, out), c.expected.has_value()) << c.layout;
        EXPECT_EQ(out, c.expected.value_or("")) << c.layout;
        // The record a page starts from is of the layout's type and can be sent.
        EXPECT_TRUE(!c.expected || encodeParams(c.layout, requestRecordFor(c.layout), out))
            << c.layout;
    }
    setLocalClock({});
    EXPECT_TRUE(std::holds_alternative<std::monostate>(requestRecordFor(-1)));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(requestRecordFor(kRequestLayoutCount)));
    std::string out;
    EXPECT_TRUE(encodeParams(32, CardWrite{0, std::vector<std::uint8_t>(255, 0xAB)}, out));
    EXPECT_EQ(out.size(), 4u + 2 * 255);
}

TEST(RequestLayouts, OddDoublesGiveBoundedText) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const double v : {std::nan(""), inf, -inf, 1e300, -1e300, 1.7e308, -7.5, -1000.0}) {
        for (const E& c :
             {E{5, GroupPowerThreshold{0, v}}, E{12, EnergyThreshold{0, v}},
              E{21, TransformationRatio{v}}, E{30, CardPaymentSection{0, 0, 1, 1, 1, {v, v, v, v}}},
              E{31, CardValues{{v, v, v, v}}}, E{37, CardExtraModes{0, v, v, 0, {}, v, 0}}}) {
            std::string out;
            EXPECT_TRUE(encodeParams(c.layout, c.record, out)) << c.layout << " " << v;
            EXPECT_LE(out.size(), 64u) << c.layout << " " << v;
        }
    }
    std::string out;
    ASSERT_TRUE(encodeParams(21, TransformationRatio{std::nan("")}, out));
    EXPECT_EQ(out, "0000");
    ASSERT_TRUE(encodeParams(21, TransformationRatio{1e300}, out));
    EXPECT_EQ(out.size(), 4u);
}

}  // namespace
}  // namespace quillet
