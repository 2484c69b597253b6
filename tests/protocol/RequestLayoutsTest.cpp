#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "protocol/LocalClock.h"
#include "protocol/RequestLayouts.h"

namespace quillet {
namespace {

struct EncodeCase {
    int layout;
    LayoutRecord record;
    std::string expected;
};

TEST(RequestLayouts, EncodesEveryLayout) {
    const GroupPeakTariff peak{0, 7, 2, 18, 30, 90, 3, 1};
    GroupPeakTariff offPeak = peak;
    offPeak.isPeak = 0;
    const std::vector<EncodeCase> cases = {
        {-1, Password{"\r"}, ""},
        {0, Password{"a1B2c"}, "a1B2c"},
        {1, CalendarDate{1, 1, 2001}, "1010101"},
        {1, CalendarDate{29, 2, 2004}, "0290204"},
        {2, TimeOfDay{9, 5, 7}, "090507"},
        {2, TimeOfDay{-1, 100, 0}, "-110000"},  // printf widths are minimums, not clips
        {3, GroupTariffStart{7, 3, 6, 30, 11}, "073063011"},
        {4, TariffStartQuery{7, 3}, "703"},
        {5, GroupPowerThreshold{7, 4.1}, "07041"},
        {5, GroupPowerThreshold{7, 51.1}, "07511"},
        {5, GroupPowerThreshold{7, 0.05}, "07000"},
        {5, GroupPowerThreshold{7, 123.4}, "07234"},
        {6, SeasonalSwitch{5}, "Y"},
        {6, SeasonalSwitch{0}, "N"},
        {7, LineSpeed{300}, "00300"},
        {8, peak, "00721830090L03"},
        {8, offPeak, "00721830090B03"},
        {9, PeakIntervalQuery{7, 2, 3}, "7203"},
        {10, MeterAddress{1234}, "1234"},
        {11, ConsumerCategory{4}, "04"},
        {12, EnergyThreshold{7, 12345.9}, "072345"},
        {13, DisplayModes{{1, 0, 2, 0, 0, 0, 0, -1}, 9}, "YNYNNNNY"},
        {14, MonthNumber{3}, "03"},
        {15, OnOffSwitch{1}, "O"},
        {15, OnOffSwitch{0}, "F"},
        {16, LoadMode{0}, "T"},
        {16, LoadMode{3}, "C"},
        {17, HolidayNumber{16}, "16"},
        {18, Holiday{3, 8, 3, 1}, "030883"},
        {18, Holiday{3, 8, 3, 0}, "030803"},
        {19, GraphPointQuery{12, 31, 47}, "123147"},
        {20, CycleTime{5}, "05"},
        {21, TransformationRatio{0}, "0000"},
        {21, TransformationRatio{1}, "0010"},
        {21, TransformationRatio{5}, "0050"},
        {21, TransformationRatio{30}, "0031"},
        {21, TransformationRatio{999}, "9990"},
        {21, TransformationRatio{1000}, "0013"},
        {21, TransformationRatio{1500}, "0152"},
        {21, TransformationRatio{12345}, "1242"},
        {21, TransformationRatio{3.7}, "0030"},
        {22, ModemInitString{"AT&F E0"}, "AT&F E0"},
        {23, ModemTimeout{60}, "60"},
        {24, RemoteModemCommand{12, "ATZ"}, "CATZ"},
        {24, RemoteModemCommand{-1, ""}, "FFFFFFFF"},
        {25, CardRecordIndex{123}, "123"},
        {26, GraphClear{1, 2}, "0201"},
        {27, AccessKey{0xAB12}, "0000AB12"},
        {28, LineSpeed{9600}, "096"},
        {29, CardUserSection{12, 345, 0xABCDEF01, 0x12, {1, 0xAB, 0xFF}},
         "0012000003450012ABCDEF0101ABFF"},
        {29, CardUserSection{-1, 0, 0, 0, {}}, "429496729500000000000000000000000000"},
        {30, CardPaymentSection{0x5A, 9, 8, 3, 2004, {1.5, 0, 0.1234, -0.001}},
         "5A080304000015000000000000000123-0000001"},
        {31, CardValues{{12.34, 123456.789, 1e6, -12.34}}, "000123401234567110000002-0012340"},
        {32, CardWrite{0x1A2B, {0x00, 0xFF, 0x10}}, "1A2B00FF10"},
        {33, CardReadRequest{0x0100, 18}, "010002"},
        {34,
         CardHolidays{
             2, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 0, 0, 0, 0, 0, 0, 1}},
         "201810202030304040505060607070888"},
        {35, CardRecordIndex{7}, "7"},
        {36, CardTariffSchedule{3, {7, 0}, {23, 30}, {{{1, 8, 15, 90}, {0, 18, 0, 255}, {}}}},
         "3070023300815090L1800255B0000000B"},
        {37, CardExtraModes{5, 4100, 12345678, 0xA5, {1, 2, 0xFF}, 1500, 1},
         "05041A52345Y0102FF0152"},
        {38, CardActions{0xBEEF, 0x1234}, "BEEF"},
    };
    for (const EncodeCase& c : cases) {
        std::string out = "stale";
        EXPECT_TRUE(encodeParams(c.layout, c.record, out)) << "layout " << c.layout;
        EXPECT_EQ(out, c.expected) << "layout " << c.layout;
    }
}

TEST(RequestLayouts, RefusesWhatCannotBeSent) {
    const std::vector<EncodeCase> cases = {
        {0, std::monostate{}, ""},
        {7, CardRecordIndex{1}, ""},
        {21, EnergyValue{1}, ""},
        {-2, Password{"x"}, ""},
        {39, CardActions{}, ""},
        {0, Password{"ab\rcd"}, ""},
        {22, ModemInitString{"ATZ\n"}, ""},
        {22, ModemInitString{"AT\x7F"}, ""},
        {24, RemoteModemCommand{1, "AT\xC0"}, ""},
        {16, LoadMode{4}, ""},
        {32, CardWrite{0, std::vector<std::uint8_t>(256)}, ""},
    };
    for (const EncodeCase& c : cases) {
        std::string out = "stale";
        EXPECT_FALSE(encodeParams(c.layout, c.record, out)) << "layout " << c.layout;
        EXPECT_EQ(out, "") << "layout " << c.layout;
    }
    std::string out;
    EXPECT_TRUE(encodeParams(32, CardWrite{0, std::vector<std::uint8_t>(255, 0xAB)}, out));
    EXPECT_EQ(out.size(), 4u + 2 * 255);
}

TEST(RequestLayouts, DefaultRecordOfEveryLayoutEncodes) {
    for (int id = 0; id < kRequestLayoutCount; ++id) {
        std::string out;
        EXPECT_TRUE(encodeParams(id, requestRecordFor(id), out)) << "layout " << id;
    }
    EXPECT_TRUE(std::holds_alternative<std::monostate>(requestRecordFor(-1)));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(requestRecordFor(kRequestLayoutCount)));
}

TEST(RequestLayouts, OddDoublesGiveBoundedText) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const double v : {std::nan(""), inf, -inf, 1e300, -1e300, 1.7e308, -7.5, -1000.0}) {
        const std::vector<std::pair<int, LayoutRecord>> cases = {
            {5, GroupPowerThreshold{0, v}}, {12, EnergyThreshold{0, v}},
            {21, TransformationRatio{v}},   {30, CardPaymentSection{0, 0, 1, 1, 1, {v, v, v, v}}},
            {31, CardValues{{v, v, v, v}}}, {37, CardExtraModes{0, v, v, 0, {}, v, 0}},
        };
        for (const auto& [layout, record] : cases) {
            std::string out;
            EXPECT_TRUE(encodeParams(layout, record, out)) << layout << " " << v;
            EXPECT_LE(out.size(), 64u) << layout << " " << v;
        }
    }
    std::string out;
    ASSERT_TRUE(encodeParams(21, TransformationRatio{std::nan("")}, out));
    EXPECT_EQ(out, "0000");
    ASSERT_TRUE(encodeParams(21, TransformationRatio{1e300}, out));
    EXPECT_EQ(out.size(), 4u);
}

TEST(RequestLayouts, YearZeroTakesWeekdayOfCurrentYear) {
    setLocalClock([] { return LocalDateTime{2001, 6, 15}; });
    std::string out;
    EXPECT_TRUE(encodeParams(1, CalendarDate{1, 1, 0}, out));
    setLocalClock({});
    EXPECT_EQ(out, "1010100");
}

}  // namespace
}  // namespace quillet
