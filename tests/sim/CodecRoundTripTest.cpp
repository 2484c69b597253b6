#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "protocol/ReplyLayouts.h"
#include "protocol/RequestLayouts.h"
#include "sim/ReplyEncoder.h"
#include "sim/RequestDecoder.h"

namespace quillet::sim {
namespace {

// --- Field-by-field comparison of any record ------------------------------------------
// Every record is a plain aggregate; its fields are found by how many initialisers it
// takes, then compared one by one (doubles to the precision the wire carries).

struct AnyField {
    template <class T>
    operator T() const;
};
template <std::size_t>
using Field = AnyField;

template <class T, std::size_t... I>
constexpr bool takesInitialisers(std::index_sequence<I...>) {
    return requires {
        T{Field<I>{}...};
    };
}
template <class T, std::size_t N = 8>
constexpr std::size_t fieldCount() {
    if constexpr (N == 0 || takesInitialisers<T>(std::make_index_sequence<N>{})) {
        return N;
    } else {
        return fieldCount<T, N - 1>();
    }
}

template <class T>
bool same(const T& a, const T& b);

template <class T>
auto fields(const T& r) {
    constexpr std::size_t n = fieldCount<T>();
    if constexpr (n == 1) {
        const auto& [a] = r;
        return std::tie(a);
    } else if constexpr (n == 2) {
        const auto& [a, b] = r;
        return std::tie(a, b);
    } else if constexpr (n == 3) {
        const auto& [a, b, c] = r;
        return std::tie(a, b, c);
    } else if constexpr (n == 4) {
        const auto& [a, b, c, d] = r;
        return std::tie(a, b, c, d);
    } else if constexpr (n == 5) {
        const auto& [a, b, c, d, e] = r;
        return std::tie(a, b, c, d, e);
    } else if constexpr (n == 6) {
        const auto& [a, b, c, d, e, f] = r;
        return std::tie(a, b, c, d, e, f);
    } else if constexpr (n == 7) {
        const auto& [a, b, c, d, e, f, g] = r;
        return std::tie(a, b, c, d, e, f, g);
    } else {
        static_assert(n == 8, "a record with more fields needs another line here");
        const auto& [a, b, c, d, e, f, g, h] = r;
        return std::tie(a, b, c, d, e, f, g, h);
    }
}

template <class T>
bool same(const T& a, const T& b) {
    if constexpr (std::is_floating_point_v<T>) {
        return std::fabs(a - b) <= 1e-9 * std::fmax(1.0, std::fabs(b));
    } else if constexpr (std::is_arithmetic_v<T> || std::is_same_v<T, std::string> ||
                         std::is_same_v<T, std::monostate>) {
        return a == b;
    } else if constexpr (requires {
                             a.size();
                             a.begin();
                         }) {  // std::array, std::vector
        if (a.size() != b.size()) {
            return false;
        }
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (!same(a[i], b[i])) {
                return false;
            }
        }
        return true;
    } else {
        return std::apply(
            [&](const auto&... x) {
                return std::apply([&](const auto&... y) { return (same(x, y) && ...); }, fields(b));
            },
            fields(a));
    }
}

bool sameRecord(const LayoutRecord& a, const LayoutRecord& b) {
    return a.index() == b.index() &&
           std::visit(
               [&](const auto& x) { return same(x, std::get<std::decay_t<decltype(x)>>(b)); }, a);
}

// --- Request parameters: encodeParams, then decodeParams --------------------------------

struct RoundTrip {
    int layout;
    LayoutRecord record;
    // What the device stores when the text loses part of the record; empty: the record.
    std::optional<LayoutRecord> survives = std::nullopt;
};

// Layouts whose text length follows from the record.
bool isVariableRequest(int layout) {
    for (const int id : {0, 22, 24, 25, 32, 34, 35}) {
        if (layout == id) {
            return true;
        }
    }
    return false;
}

TEST(RequestDecoder, ReadsBackWhatTheProgramWrites) {
    const GroupPeakTariff peak{0, 7, 2, 18, 30, 90, 3, 1};
    const CardTariffSchedule schedule{
        5, {6, 30}, {23, 0}, {{{1, 7, 0, 120}, {0, 12, 15, 0}, {1, 18, 45, 255}}}};
    const CardHolidays holidays{
        3, {1, 8, 9, 0, 0, 0, 0, 31}, {1, 3, 5, 0, 0, 0, 0, 12}, {0, 1, 0, 0, 0, 0, 0, 1}};
    const std::vector<RoundTrip> cases = {
        {0, Password{"a1B2c"}},
        {0, Password{""}},
        {1, CalendarDate{1, 1, 2001}},
        {1, CalendarDate{29, 2, 2004}},
        {1, CalendarDate{15, 6, 1950}, CalendarDate{15, 6, 2050}},  // two digits of the year
        {2, TimeOfDay{23, 59, 59}},
        {3, GroupTariffStart{99, 7, 6, 30, 12}},
        {4, TariffStartQuery{7, 3}},
        {5, GroupPowerThreshold{7, 4.1}},
        {5, GroupPowerThreshold{7, 0.05}, GroupPowerThreshold{7, 0}},
        {5, GroupPowerThreshold{7, 123.4}, GroupPowerThreshold{7, 23.4}},
        {6, SeasonalSwitch{5}, SeasonalSwitch{1}},
        {7, LineSpeed{9600}},
        {8, peak},
        {9, PeakIntervalQuery{7, 2, 3}},
        {10, MeterAddress{999}},
        {11, ConsumerCategory{4}},
        {12, EnergyThreshold{7, 12345.9}, EnergyThreshold{7, 2345}},
        {13, DisplayModes{{1, 0, 2, 0, 0, 0, 0, -1}, 9}, DisplayModes{{1, 0, 1, 0, 0, 0, 0, 1}, 1}},
        {14, MonthNumber{12}},
        {15, OnOffSwitch{0}},
        {15, OnOffSwitch{1}},
        {16, LoadMode{3}},
        {17, HolidayNumber{16}},
        {18, Holiday{3, 8, 3, 1}},
        {18, Holiday{16, 31, 12, 0}},
        {19, GraphPointQuery{12, 31, 47}},
        {20, CycleTime{60}},
        {21, TransformationRatio{1}},
        {21, TransformationRatio{1500}},
        {21, TransformationRatio{1e15}},
        {21, TransformationRatio{12345}, TransformationRatio{12400}},
        {21, TransformationRatio{3.7}, TransformationRatio{3}},
        {22, ModemInitString{"AT&F E0 V1"}},
        {23, ModemTimeout{1}},
        {24, RemoteModemCommand{12, "ATZ"}},
        {24, RemoteModemCommand{10, "ATDT123"}},
        {24, RemoteModemCommand{15, ""}},
        {25, CardRecordIndex{2147483647}},
        {26, GraphClear{1, 2}},
        {27, AccessKey{0xFFFFFFFF}},
        {28, LineSpeed{9650}, LineSpeed{9600}},
        {29, CardUserSection{9999, 99999999, 0xABCDEF01, 0xFFFF, {1, 0xAB, 0xFF}}},
        {30, CardPaymentSection{0xA5, 0, 15, 6, 2005, {0, 12.5, 99999.999, 0.25}}},
        {31, CardValues{{0, 12.34, 99999.99, 1.5e6}}},
        {31, CardValues{{123456789.0, 0, 0, 0}}, CardValues{{123456700.0, 0, 0, 0}}},
        {32, CardWrite{0x0010, {0x00, 0x7F, 0xFF}}},
        {32, CardWrite{0x0010, std::vector<std::uint8_t>(255, 0xA5)}},
        {33, CardReadRequest{0x1234, 18}, CardReadRequest{0x1234, 2}},
        {34, holidays},
        {34, CardHolidays{123, {}, {}, {}}},
        {35, CardRecordIndex{7}},
        {36, schedule},
        {37, CardExtraModes{99, 51100, 9999000, 0xC3, {1, 2, 0xFF}, 1500, 1}},
        {37, CardExtraModes{5, 4150, 999, 0, {}, 12345, 0},
         CardExtraModes{5, 4100, 0, 0, {}, 12400, 0}},
        {38, CardActions{0xF00D, 0x1234}, CardActions{0xF00D, 0}},
    };
    for (const RoundTrip& c : cases) {
        std::string text;
        ASSERT_TRUE(encodeParams(c.layout, c.record, text)) << "layout " << c.layout;
        SCOPED_TRACE("layout " + std::to_string(c.layout) + " text \"" + text + "\"");
        LayoutRecord decoded;
        EXPECT_TRUE(decodeParams(c.layout, text, decoded));
        EXPECT_TRUE(sameRecord(decoded, c.survives.value_or(c.record)));
        // A text cut short never reads past its end; one of fixed length is refused.
        for (std::size_t n = 0; n < text.size(); ++n) {
            const bool accepted = decodeParams(c.layout, text.substr(0, n), decoded);
            EXPECT_TRUE(!accepted || isVariableRequest(c.layout)) << "prefix " << n;
        }
        EXPECT_FALSE(decodeParams(c.layout, text + "0", decoded) && !isVariableRequest(c.layout));
    }
}

TEST(RequestDecoder, RefusesTextsTheProgramNeverWrites) {
    const std::vector<std::pair<int, std::string>> cases = {
        {-1, "0"},
        {-2, ""},
        {39, "00"},
        {0, "ab\rcd"},   // a line end cannot be part of a password
        {1, "7010101"},  // weekday out of range
        {1, "1310401"},  // 31 April
        {1, "1-10101"},  // a sign where digits belong
        {2, "09 507"},
        {3, "07306301"},  // one short
        {5, "0704X"},
        {6, "y"},
        {8, "00721830090X03"},  // neither peak nor off-peak
        {13, "YNYNYNYNY"},
        {16, "t"},
        {21, "001G"},  // the exponent is one hexadecimal digit
        {24, "GATZ"},
        {25, ""},
        {25, "-1"},
        {25, "07"},  // "%d" writes no leading zero
        {25, "2147483648"},
        {27, "0000ab12"},  // "%X" writes upper case
        {32, "001"},
        {32, "0010ABC"},  // half a byte
        {32, "0010" + std::string(2 * 256, 'A')},
        {33, "123410"},              // the length goes modulo 16
        {34, std::string(32, '0')},  // no index
        {36, "8063023000700120L121500B184525L"},
        {37, "99511C3234Y0102FF15G"},
    };
    for (const auto& [layout, text] : cases) {
        LayoutRecord decoded;
        EXPECT_FALSE(decodeParams(layout, text, decoded)) << layout << " \"" << text << "\"";
        EXPECT_EQ(decoded.index(), requestRecordFor(layout).index()) << layout;
    }
}

// --- Replies: encodeReply, then the program's decodeReply -------------------------------

TEST(ReplyEncoder, ProgramReadsBackWhatTheDeviceWrites) {
    const CardTariffSchedule schedule{
        7, {6, 30}, {23, 0}, {{{1, 7, 0, 120}, {0, 12, 15, 0}, {1, 18, 45, 255}}}};
    const CardHolidays holidays{
        15, {1, 8, 9, 0, 0, 0, 0, 31}, {1, 3, 5, 0, 0, 0, 0, 12}, {0, 1, 0, 0, 0, 0, 0, 1}};
    const std::vector<RoundTrip> cases = {
        {0, YesNo{1}},
        {0, YesNo{0}},
        {1, MeterDateTime{3, 10, 20, 30, 15, 6, 2005}},
        {1, MeterDateTime{7, 23, 59, 59, 29, 2, 2004}},
        {1, MeterDateTime{0, 0, 0, 0, 31, 12, 2070}},
        {2, HourMinute{23, 59}},
        {3, ConsumerCategory{99}},
        {4, PowerThreshold{4.1}},
        {4, PowerThreshold{0.06}, PowerThreshold{0.1}},  // rounded, not cut
        {5, EnergyValue{9999}},
        {6, EnergyValue{123.456}},
        {6, EnergyValue{99999.999}},
        {6, EnergyValue{12345.6}},
        {6, EnergyValue{123456789.0}, EnergyValue{123456790.0}},  // exponent 4
        {6, EnergyValue{1e20}, EnergyValue{99999999e6}},          // the largest it holds
        {6, EnergyValue{-5}, EnergyValue{0}},
        {7, DeviceVersion{"2A"}},
        {7, DeviceVersion{"1"}, DeviceVersion{"1 "}},
        {8, SerialNumber{0xFFFFFFFF, 0xFFFF}},
        {9, PeakInterval{7, 30, 90, 1}},
        {10, DisplayModes{{1, 0, 1, 0, 1, 0, 1, 0}, 5}},
        {11, LoadMode{3}},
        {12, OnOffSwitch{1}},
        {12, OnOffSwitch{0}},
        {13, Holiday{0, 8, 3, 1}},
        {13, Holiday{5, 31, 12, 0}, Holiday{0, 31, 12, 0}},  // the number is not sent back
        {14, PaymentBalance{0, 1, 2001, 12.5}},
        {14, PaymentBalance{15, 6, 2005, 5e9}},
        {15, GraphPoint{12, 0, 9.999}},
        {15, GraphPoint{1, 3, 1234}},
        {15, GraphPoint{1, 0, 12345}, GraphPoint{1, 4, 12350}},  // a larger exponent
        {16, TransformationRatio{15000}},
        {16, TransformationRatio{999e9}},
        {18, ModemInitString{"AT&F E0 V1 S0=0"}},
        {18, ModemInitString{std::string(40, 'X')}, ModemInitString{std::string(30, 'X')}},
        {19, ModemTimeout{60}},
        {20, CardReaderState{0xA5}},
        {21, CardUserSection{9999, 99999999, 0xABCDEF01, 0xFFFF, {1, 0xAB, 0xFF}}},
        {22, CardPaymentSection{0xA5, 0xC, 15, 6, 2005, {0, 12.5, 99999.999, 0.001}}},
        {23, CardConsumption{31, 1, 1999, {1.001, 2, 3.5, 99999.999}}},
        {24, CardValues{{0, 12.34, 99999.99, 1.5e6}}},
        {24, CardValues{{123456789.0, 1e20, 0, 0}},
         CardValues{{123456800.0, 9999999e15 * 0.01, 0, 0}}},
        {25, CardData{15, {0x00, 0x7F, 0xFF}}},
        {25, CardData{4, {1, 2, 3, 4, 5, 6}}, CardData{4, {1, 2, 3, 4}}},
        {26, holidays},
        {27, schedule},
        {28, CardExtraModes{99, 51100, 9999000, 0xC3, {1, 2, 0xFF}, 1500, 1}},
        {28, CardExtraModes{0, 0, 0, 0, {}, 999e15, 0}},
        {29, CardActions{0xF00D, 0x1234}},
    };
    for (const RoundTrip& c : cases) {
        const std::optional<std::string> payload = encodeReply(c.layout, c.record);
        ASSERT_TRUE(payload.has_value()) << "layout " << c.layout;
        SCOPED_TRACE("layout " + std::to_string(c.layout) + " payload \"" + *payload + "\"");
        // A record of another capacity than the default would refuse a longer reply.
        LayoutRecord decoded = c.layout == 25 ? c.record : replyRecordFor(c.layout);
        EXPECT_TRUE(decodeReply(c.layout, &decoded, *payload));
        EXPECT_TRUE(sameRecord(decoded, c.survives.value_or(c.record)));
    }
}

TEST(ReplyEncoder, WritesTheFieldsAsAMeterDoes) {
    const std::vector<std::tuple<int, LayoutRecord, std::string>> cases = {
        {-1, YesNo{1}, ""},
        {17, std::monostate{}, "Y"},
        {17, EnergyValue{1}, "Y"},
        {6, EnergyValue{123.456}, "00123456"},
        {6, EnergyValue{100000.0}, "100000001"},
        {14, PaymentBalance{0, 1, 2001, 12.5}, "00010100012500"},
        {16, TransformationRatio{15000}, "1502"},
        {7, DeviceVersion{"\r\n"}, "??"},  // a line end would cut the frame short
        {3, ConsumerCategory{-4}, "00"},
        {3, ConsumerCategory{150}, "99"},
    };
    for (const auto& [layout, record, expected] : cases) {
        EXPECT_EQ(encodeReply(layout, record), expected) << "layout " << layout;
    }
}

TEST(ReplyEncoder, RefusesRecordsOfAnotherLayout) {
    for (int layout = 0; layout < kReplyLayoutCount; ++layout) {
        if (layout == 17) {
            continue;
        }
        EXPECT_EQ(encodeReply(layout, std::monostate{}), std::nullopt) << layout;
        EXPECT_EQ(encodeReply(layout, Password{"x"}), std::nullopt) << layout;
    }
    EXPECT_EQ(encodeReply(30, YesNo{1}), std::nullopt);
    EXPECT_EQ(encodeReply(-2, YesNo{1}), std::nullopt);
}

}  // namespace
}  // namespace quillet::sim
