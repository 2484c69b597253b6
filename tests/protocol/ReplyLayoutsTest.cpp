#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "protocol/ReplyLayouts.h"

namespace quillet {
namespace {

// The records have no operator==; they are compared field by field, counting the fields
// of an aggregate by brace-initialising it from placeholders.
struct AnyField {
    template <class T>
    operator T() const;  // unevaluated use only
};

template <class T, class... Fields>
constexpr std::size_t fieldCount() {
    if constexpr (requires { T{Fields{}..., AnyField{}}; }) {
        return fieldCount<T, Fields..., AnyField>();
    } else {
        return sizeof...(Fields);
    }
}

template <class T>
auto fieldsOf(const T& t) {
    constexpr std::size_t n = fieldCount<T>();
    static_assert(n >= 1 && n <= 8, "extend fieldsOf");
    // clang-format off
    if constexpr (n == 1) { const auto& [a] = t; return std::tie(a); }
    else if constexpr (n == 2) { const auto& [a, b] = t; return std::tie(a, b); }
    else if constexpr (n == 3) { const auto& [a, b, c] = t; return std::tie(a, b, c); }
    else if constexpr (n == 4) { const auto& [a, b, c, d] = t; return std::tie(a, b, c, d); }
    else if constexpr (n == 5) { const auto& [a, b, c, d, e] = t; return std::tie(a, b, c, d, e); }
    else if constexpr (n == 6) { const auto& [a, b, c, d, e, f] = t; return std::tie(a, b, c, d, e, f); }
    else if constexpr (n == 7) { const auto& [a, b, c, d, e, f, g] = t; return std::tie(a, b, c, d, e, f, g); }
    else { const auto& [a, b, c, d, e, f, g, h] = t; return std::tie(a, b, c, d, e, f, g, h); }
    // clang-format on
}

template <class T>
struct IsArray : std::false_type {};
template <class T, std::size_t N>
struct IsArray<std::array<T, N>> : std::true_type {};

// Calls `leaf` on each pair of corresponding scalars, strings and vectors.
template <class T, class Leaf>
void forEachLeaf(const T& a, const T& b, Leaf&& leaf) {
    if constexpr (IsArray<T>::value) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            forEachLeaf(a[i], b[i], leaf);
        }
    } else if constexpr (std::is_aggregate_v<T>) {
        const auto fa = fieldsOf(a);
        const auto fb = fieldsOf(b);
        [&]<std::size_t... I>(std::index_sequence<I...>) {
            (forEachLeaf(std::get<I>(fa), std::get<I>(fb), leaf), ...);
        }
        (std::make_index_sequence<std::tuple_size_v<decltype(fa)>>{});
    } else {
        leaf(a, b);
    }
}

template <class Leaf>
bool sameType(const LayoutRecord& a, const LayoutRecord& b, Leaf&& leaf) {
    if (a.index() != b.index()) {
        return false;
    }
    std::visit(
        [&](const auto& x) {
            using Record = std::decay_t<decltype(x)>;
            if constexpr (!std::is_same_v<Record, std::monostate>) {
                forEachLeaf(x, std::get<Record>(b), leaf);
            }
        },
        a);
    return true;
}

void expectRecord(const LayoutRecord& expected, const LayoutRecord& actual) {
    ASSERT_TRUE(sameType(expected, actual,
                         [](const auto& e, const auto& a) {
                             if constexpr (std::is_same_v<std::decay_t<decltype(e)>, double>) {
                                 EXPECT_DOUBLE_EQ(e, a);
                             } else {
                                 EXPECT_EQ(e, a);
                             }
                         }))
        << "record type " << actual.index();
}

bool identical(const LayoutRecord& a, const LayoutRecord& b) {
    bool equal = true;
    return sameType(a, b, [&](const auto& x, const auto& y) { equal = equal && x == y; }) && equal;
}

// Payloads that are long enough to need names, with their groups.
const std::string k30(30, 'x');
// code 0042, number 12345678, id 00A1B2C3D4E5, extra bytes 0A FF 10
const std::string kUser = "00421234567800A1B2C3D4E50aFF10";
const std::string kAmounts = "00012500000000019999999900000000";
// index 3, then DDMM: 8 March flagged, empty, 29 February, 31 December, 1 January x 4
const std::string kHolidays = "308830000290231120101010101010101";
// mode 5, half-peak 07:00, off-peak 23:00, peaks HHMM + duration + flag
const std::string kTariffs = "5070023000800120L1730090B0000000x";
// code 42, 51.1 kW, mode A5, 1234 kWh, enabled, options 01 02 FF, ratio 15e3
const std::string kExtra = "42511A51234Y0102FF0153";
// four seven-digit mantissas, each with a hexadecimal exponent digit
const std::string kGraph = "12345673000000100000000F9999999a";

std::string replaced(const std::string& text, std::size_t pos, const std::string& part) {
    return text.substr(0, pos) + part + text.substr(pos + part.size());
}

struct Decoded {
    int layout;
    std::string payload;
    LayoutRecord expected;  // monostate: only the result is checked
    LayoutRecord preset{};  // the record handed in
};

const std::array<int, 8> kAlternating = {1, 0, 1, 0, 1, 0, 1, 0};

const Decoded kDecoded[] = {
    {0, "Y", YesNo{1}},
    {0, "Nx", YesNo{0}},
    {1, "3102030150605", MeterDateTime{3, 10, 20, 30, 15, 6, 2005}},
    {1, "7000000010171", MeterDateTime{7, 0, 0, 0, 1, 1, 1971}},
    {1, "0235959010170", MeterDateTime{0, 23, 59, 59, 1, 1, 2070}},
    {1, "3102030290204", MeterDateTime{3, 10, 20, 30, 29, 2, 2004}},
    {2, "0730", HourMinute{7, 30}},
    {3, "42", ConsumerCategory{42}},
    {4, "511", PowerThreshold{51.1}},
    {5, "9999", EnergyValue{9999}},
    {6, "00123456", EnergyValue{123.456}},
    {6, "001234562", EnergyValue{12345.6}},
    {6, "0012345X", EnergyValue{-1}, EnergyValue{-1}},  // value untouched
    {6, "----------", EnergyValue{-1}, EnergyValue{-1}},
    {6, "----------", EnergyValue{0}},
    {7, "V1xyz", DeviceVersion{"V1"}},
    {8, "00A1B2C3D4E5", SerialNumber{0xB2C3D4E5, 0x00A1}},
    {8, "ffffffffffff", SerialNumber{0xFFFFFFFF, 0xFFFF}},
    {9, "0730090L", PeakInterval{7, 30, 90, 1}},
    {9, "2359255B", PeakInterval{23, 59, 255, 0}},
    {10, "YNYNYNYN", DisplayModes{kAlternating, 1}, DisplayModes{{}, 9}},
    {10, "YNYNYNYN0", DisplayModes{kAlternating, 1}},
    {10, "YNYNYNYN05", DisplayModes{kAlternating, 5}},
    {11, "C", LoadMode{3}},
    {12, "O", OnOffSwitch{1}},
    {13, "0883", Holiday{0, 8, 3, 1}, Holiday{5, 1, 1, 0}},
    {13, "3002", Holiday{0, 0, 0, 0}},
    {13, "2902", Holiday{0, 29, 2, 0}},
    {13, "0880", Holiday{0, 0, 0, 1}},
    {14, "00010100012500", PaymentBalance{0, 1, 2001, 12.5}},
    {14, "150605000125002", PaymentBalance{15, 6, 2005, 1250}},
    {15, "A12343", GraphPoint{10, 3, 1234}},
    {16, "1502", TransformationRatio{15000}},
    {16, "0152", TransformationRatio{1500}},
    {16, "0010", TransformationRatio{1}},
    {17, "Y", {}},
    {17, "Yes", {}},
    {18, "", ModemInitString{""}},
    {18, k30, ModemInitString{k30}},
    {19, "60", ModemTimeout{60}},
    {20, "aF", CardReaderState{0xAF}},
    {21, kUser, CardUserSection{42, 12345678, 0xB2C3D4E5, 0xA1, {0x0A, 0xFF, 0x10}}},
    {22, "1F150605" + kAmounts + "A",
     CardPaymentSection{0x1F, 10, 15, 6, 2005, {12.5, 0.001, 99999.999, 0}}},
    {23, "x" + kAmounts + "150605", CardConsumption{15, 6, 2005, {12.5, 0.001, 99999.999, 0}}},
    {24, kGraph, CardValues{{12345670, 0.01, 0, 9.999999e14}}},
    {25, "00A1ff", CardData{15, {0x00, 0xA1, 0xFF}}},
    {25, std::string(30, 'F'), CardData{15, std::vector<std::uint8_t>(15, 0xFF)}},
    {25, "0102", CardData{2, {1, 2}}, CardData{2, {}}},
    {26, kHolidays, CardHolidays{3, {8, 0, 29, 31, 1, 1, 1, 1}, {3, 0, 2, 12, 1, 1, 1, 1}, {1}}},
    {27, kTariffs, CardTariffSchedule{5, {7, 0}, {23, 0}, {{{1, 8, 0, 120}, {0, 17, 30, 90}}}}},
    {28, kExtra, CardExtraModes{42, 51100, 1234000, 0xA5, {1, 2, 0xFF}, 15000, 1}},
    {28, replaced(kExtra, 11, "y"), CardExtraModes{42, 51100, 1234000, 0xA5, {1, 2, 0xFF}, 15000}},
    {29, "12AB34cd", CardActions{0x12AB, 0x34CD}},
};

struct Refused {
    int layout;
    std::vector<std::string> payloads;
    LayoutRecord preset{};
};

const Refused kRefused[] = {
    {0, {"y", ""}},
    // weekday 8, 31 April, 29 February 2001, 60 seconds, day 0, too short
    {1,
     {"8102030150605", "3102030310405", "3102030290201", "3102060150605", "3102030000605",
      "310203015060"}},
    {2, {"2400", "07 0", "073"}},
    {3, {"4x", "4"}},
    {4, {"512", "0A1"}},
    {5, {"12 4"}},
    {6, {"00123456X", "1234567"}},
    {7, {"V"}},
    // a sign, a blank or a prefix that a base-16 text conversion would take
    {8, {"+0A1B2C3D4E5", "0x01B2C3D4E5", "00A1 B2C3D4E", "00A1B2C3D4EZ", "00A1B2C3D4E"}},
    {9, {"0730090X", "2430090L", "0730256L"}},
    {10, {"YNYNYNYN61", "YNYNYNYN00", "YNYNYNYn"}},
    {11, {"X"}},
    {12, {"o"}},
    {13, {"080"}},
    {14, {"31040100001000", "00010100012500x", "0001010001250-"}},
    {15, {"G12343", "A1234-"}},
    {16, {"015x"}},
    {17, {"N", "y", ""}},
    {18, {k30 + "x"}},
    {19, {"00", "61"}},
    {20, {"G0", "A"}},
    {21, {replaced(kUser, 3, "x"), replaced(kUser, 12, "+"), kUser.substr(0, 29)}},
    {22,
     {"1F310405" + kAmounts + "A", "1F150605" + kAmounts + "G",
      "1F150605 " + kAmounts.substr(1) + "A"}},
    {23, {"x" + kAmounts + "310405", "x " + kAmounts.substr(1) + "150605"}},
    {24, {replaced(kGraph, 7, "G"), replaced(kGraph, 12, "x")}},
    {25, {std::string(32, 'F'), "0A1", "0G"}},
    {25, {"010203"}, CardData{2, {}}},  // over the caller's capacity
    {26,
     {"x" + kHolidays.substr(1), replaced(kHolidays, 5, "3002"), replaced(kHolidays, 5, "0080")}},
    {27,
     {replaced(kTariffs, 0, "8"), replaced(kTariffs, 1, "24"), replaced(kTariffs, 13, "256"),
      replaced(kTariffs, 13, "1 0")}},
    {28, {replaced(kExtra, 2, "512"), replaced(kExtra, 9, "x"), replaced(kExtra, 21, "G")}},
    {29, {"12AB34cG", "12AB34c"}},
};

std::string describe(int layout, const std::string& payload) {
    return "layout " + std::to_string(layout) + " \"" + payload + "\"";
}

TEST(ReplyLayouts, DecodesValidPayloads) {
    for (const Decoded& row : kDecoded) {
        SCOPED_TRACE(describe(row.layout, row.payload));
        LayoutRecord record = row.preset;
        EXPECT_TRUE(decodeReply(row.layout, &record, row.payload));
        if (!std::holds_alternative<std::monostate>(row.expected)) {
            expectRecord(row.expected, record);
        }
    }
}

TEST(ReplyLayouts, RefusesInvalidPayloads) {
    for (const Refused& row : kRefused) {
        for (const std::string& payload : row.payloads) {
            LayoutRecord record = row.preset;
            EXPECT_FALSE(decodeReply(row.layout, &record, payload))
                << describe(row.layout, payload);
        }
    }
}

TEST(ReplyLayouts, RefusesMissingOrForeignRecordsUntouched) {
    const LayoutRecord foreign = Password{"keep"};
    for (const Decoded& row : kDecoded) {
        SCOPED_TRACE(describe(row.layout, row.payload));
        const bool acknowledgement = row.layout == 17;  // the one layout without a record
        EXPECT_EQ(decodeReply(row.layout, nullptr, row.payload), acknowledgement);
        LayoutRecord record = foreign;
        EXPECT_EQ(decodeReply(row.layout, &record, row.payload), acknowledgement);
        EXPECT_TRUE(identical(record, foreign));
    }
    EXPECT_TRUE(decodeReply(-1, nullptr, ""));
    EXPECT_FALSE(decodeReply(-2, nullptr, "Y"));
    EXPECT_FALSE(decodeReply(kReplyLayoutCount, nullptr, "Y"));
}

TEST(ReplyLayouts, EmptyRecordTakesTheAdvertisedType) {
    for (int id = -2; id <= kReplyLayoutCount + 1; ++id) {
        LayoutRecord record;
        decodeReply(id, &record, "");
        EXPECT_EQ(record.index(), replyRecordFor(id).index()) << id;
        const bool hasRecord = id >= 0 && id < kReplyLayoutCount && id != 17;
        EXPECT_EQ(std::holds_alternative<std::monostate>(record), !hasRecord) << id;
    }
}

// Under the sanitizers this also catches reads past the payload and undefined casts.
TEST(ReplyLayouts, RandomPayloadsDecodeDeterministically) {
    constexpr std::string_view kAlphabets[] = {"0123456789", "0123456789ABCDEFabcdefYNLB-"};
    for (int id = -2; id <= kReplyLayoutCount + 1; ++id) {
        std::mt19937 rng(static_cast<unsigned>(7919 + id));
        for (int i = 0; i < 3000; ++i) {
            std::string payload(rng() % 121, '\0');
            const std::size_t kind = rng() % 3;
            for (char& c : payload) {
                c = kind == 2 ? static_cast<char>(rng())
                              : kAlphabets[kind][rng() % kAlphabets[kind].size()];
            }
            // Heap copies so that a read past the end lands outside the allocation.
            const std::unique_ptr<char[]> bytes(new char[payload.size()]);
            std::copy(payload.begin(), payload.end(), bytes.get());
            const std::string_view view(bytes.get(), payload.size());
            LayoutRecord first;
            LayoutRecord second;
            const bool firstValid = decodeReply(id, &first, view);
            ASSERT_EQ(decodeReply(id, &second, view), firstValid) << id << " " << payload;
            ASSERT_TRUE(identical(first, second)) << id << " " << payload;
        }
    }
}

}  // namespace
}  // namespace quillet
