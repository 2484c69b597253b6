#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "protocol/ReplyLayouts.h"

namespace quillet {
namespace {

using testing::DoubleEq;
using testing::ElementsAre;
using testing::FieldsAre;

// A record of type R whose fields match `fields` in order.
template <class R, class... Fields>
testing::Matcher<const LayoutRecord&> is(Fields... fields) {
    return testing::VariantWith<R>(FieldsAre(fields...));
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
const std::array<int, 8> kAlternating = {1, 0, 1, 0, 1, 0, 1, 0};

std::string replaced(const std::string& text, std::size_t pos, const std::string& part) {
    return text.substr(0, pos) + part + text.substr(pos + part.size());
}

// Each payload decodes into the record handed in (`preset`) as `expected`; a record of
// another type, or none, is refused untouched (but the acknowledgement needs no record).
TEST(ReplyLayouts, DecodesValidPayloads) {
    struct D {
        int layout;
        std::string payload;
        testing::Matcher<const LayoutRecord&> expected;
        LayoutRecord preset{};
    };
    const auto amounts = ElementsAre(DoubleEq(12.5), DoubleEq(0.001), DoubleEq(99999.999), 0);
    for (const D& d :
         {D{0, "Y", is<YesNo>(1)}, D{0, "Nx", is<YesNo>(0)},
          D{1, "7000000010171", is<MeterDateTime>(7, 0, 0, 0, 1, 1, 1971)},
          D{1, "0235959010170", is<MeterDateTime>(0, 23, 59, 59, 1, 1, 2070)},
          D{1, "3102030290204", is<MeterDateTime>(3, 10, 20, 30, 29, 2, 2004)},
          D{2, "0730", is<HourMinute>(7, 30)}, D{3, "42", is<ConsumerCategory>(42)},
          D{4, "511", is<PowerThreshold>(DoubleEq(51.1))}, D{5, "9999", is<EnergyValue>(9999)},
          D{6, "00123456", is<EnergyValue>(DoubleEq(123.456))},
          D{6, "001234562", is<EnergyValue>(DoubleEq(12345.6))},
          // a register the meter does not keep: valid, the value untouched
          D{6, "0012345X", is<EnergyValue>(-1), EnergyValue{-1}},
          D{6, "----------", is<EnergyValue>(-1), EnergyValue{-1}},
          D{7, "V1xyz", is<DeviceVersion>("V1")},
          D{8, "00A1B2C3D4E5", is<SerialNumber>(0xB2C3D4E5, 0x00A1)},
          D{8, "ffffffffffff", is<SerialNumber>(0xFFFFFFFF, 0xFFFF)},
          D{9, "0730090L", is<PeakInterval>(7, 30, 90, 1)},
          D{9, "2359255B", is<PeakInterval>(23, 59, 255, 0)},
          D{10, "YNYNYNYN", is<DisplayModes>(kAlternating, 1), DisplayModes{{}, 9}},
          D{10, "YNYNYNYN0", is<DisplayModes>(kAlternating, 1)},
          D{10, "YNYNYNYN05", is<DisplayModes>(kAlternating, 5)}, D{11, "C", is<LoadMode>(3)},
          D{12, "O", is<OnOffSwitch>(1)},
          D{13, "0883", is<Holiday>(0, 8, 3, 1), Holiday{5, 1, 1, 0}},
          D{13, "3002", is<Holiday>(0, 0, 0, 0)}, D{13, "0880", is<Holiday>(0, 0, 0, 1)},
          D{13, "2902", is<Holiday>(0, 29, 2, 0)},
          D{14, "00010100012500", is<PaymentBalance>(0, 1, 2001, DoubleEq(12.5))},
          D{14, "150605000125002", is<PaymentBalance>(15, 6, 2005, DoubleEq(1250))},
          D{15, "A12343", is<GraphPoint>(10, 3, DoubleEq(1234))},
          D{16, "1502", is<TransformationRatio>(15000)}, D{16, "0010", is<TransformationRatio>(1)},
          D{17, "Yes", testing::VariantWith<std::monostate>(testing::_)},
          D{18, "", is<ModemInitString>("")}, D{18, k30, is<ModemInitString>(k30)},
          D{19, "60", is<ModemTimeout>(60)}, D{20, "aF", is<CardReaderState>(0xAF)},
          D{21, kUser,
            is<CardUserSection>(42, 12345678, 0xB2C3D4E5, 0xA1, ElementsAre(0x0A, 0xFF, 0x10))},
          D{22, "1F150605" + kAmounts + "A",
            is<CardPaymentSection>(0x1F, 10, 15, 6, 2005, amounts)},
          D{23, "x" + kAmounts + "150605", is<CardConsumption>(15, 6, 2005, amounts)},
          D{24, kGraph,
            is<CardValues>(
                ElementsAre(DoubleEq(12345670), DoubleEq(0.01), 0, DoubleEq(9.999999e14)))},
          D{25, "00A1ff", is<CardData>(15, ElementsAre(0x00, 0xA1, 0xFF))},
          D{25, std::string(30, 'F'), is<CardData>(15, std::vector<std::uint8_t>(15, 0xFF))},
          D{25, "0102", is<CardData>(2, ElementsAre(1, 2)), CardData{2, {}}},
          D{26, kHolidays,
            is<CardHolidays>(3, ElementsAre(8, 0, 29, 31, 1, 1, 1, 1),
                             ElementsAre(3, 0, 2, 12, 1, 1, 1, 1),
                             ElementsAre(1, 0, 0, 0, 0, 0, 0, 0))},
          D{27, kTariffs,
            is<CardTariffSchedule>(5, FieldsAre(7, 0), FieldsAre(23, 0),
                                   ElementsAre(FieldsAre(1, 8, 0, 120), FieldsAre(0, 17, 30, 90),
                                               FieldsAre(0, 0, 0, 0)))},
          D{28, kExtra,
            is<CardExtraModes>(42, DoubleEq(51100), 1234000, 0xA5, ElementsAre(1, 2, 0xFF), 15000,
                               1)},
          D{28, replaced(kExtra, 11, "y"),
            is<CardExtraModes>(42, DoubleEq(51100), 1234000, 0xA5, ElementsAre(1, 2, 0xFF), 15000,
                               0)},
          D{29, "12AB34cd", is<CardActions>(0x12AB, 0x34CD)}}) {
        SCOPED_TRACE(testing::Message() << d.layout << " " << d.payload);
        LayoutRecord record = d.preset;
        EXPECT_TRUE(decodeReply(d.layout, &record, d.payload));
        EXPECT_THAT(record, d.expected);
        const bool acknowledgement = d.layout == 17;
        record = Password{"keep"};
        EXPECT_EQ(decodeReply(d.layout, &record, d.payload), acknowledgement);
        EXPECT_THAT(record, is<Password>("keep"));
        EXPECT_EQ(decodeReply(d.layout, nullptr, d.payload), acknowledgement);
    }
    EXPECT_TRUE(decodeReply(-1, nullptr, ""));
    EXPECT_FALSE(decodeReply(-2, nullptr, "Y"));
    EXPECT_FALSE(decodeReply(kReplyLayoutCount, nullptr, "Y"));
}

TEST(ReplyLayouts, RefusesInvalidPayloads) {
    using R = std::pair<int, std::vector<std::string>>;
    for (const auto& [layout, payloads] :
         {R{0, {"y", ""}},
          // weekday 8, 31 April, 29 February 2001, 60 seconds, day 0, too short
          R{1,
            {"8102030150605", "3102030310405", "3102030290201", "3102060150605", "3102030000605",
             "310203015060"}},
          R{2, {"2400", "07 0", "073"}}, R{3, {"4x", "4"}}, R{4, {"512", "0A1"}}, R{5, {"12 4"}},
          R{6, {"00123456X", "1234567"}}, R{7, {"V"}},
          // a sign, a blank or a prefix that a base-16 text conversion would take
          R{8, {"+0A1B2C3D4E5", "0x01B2C3D4E5", "00A1 B2C3D4E", "00A1B2C3D4EZ", "00A1B2C3D4E"}},
          R{9, {"0730090X", "2430090L", "0730256L"}},
          R{10, {"YNYNYNYN61", "YNYNYNYN00", "YNYNYNYn"}}, R{11, {"X"}}, R{12, {"o"}},
          R{13, {"080"}}, R{14, {"31040100001000", "00010100012500x", "0001010001250-"}},
          R{15, {"G12343", "A1234-"}}, R{16, {"015x"}}, R{17, {"N", "y", ""}}, R{18, {k30 + "x"}},
          R{19, {"00", "61"}}, R{20, {"G0", "A"}},
          R{21, {replaced(kUser, 3, "x"), replaced(kUser, 12, "+"), kUser.substr(0, 29)}},
          R{22,
            {"1F310405" + kAmounts + "A", "1F150605" + kAmounts + "G",
             "1F150605 " + kAmounts.substr(1) + "A"}},
          R{23, {"x" + kAmounts + "310405", "x " + kAmounts.substr(1) + "150605"}},
          R{24, {replaced(kGraph, 7, "G"), replaced(kGraph, 12, "x")}},
          R{25, {std::string(32, 'F'), "0A1", "0G"}},
          R{26,
            {"x" + kHolidays.substr(1), replaced(kHolidays, 5, "3002"),
             replaced(kHolidays, 5, "0080")}},
          R{27,
            {replaced(kTariffs, 0, "8"), replaced(kTariffs, 1, "24"), replaced(kTariffs, 13, "256"),
             replaced(kTariffs, 13, "1 0")}},
          R{28, {replaced(kExtra, 2, "512"), replaced(kExtra, 9, "x"), replaced(kExtra, 21, "G")}},
          R{29, {"12AB34cG", "12AB34c"}}}) {
        for (const std::string& payload : payloads) {
            LayoutRecord record;
            EXPECT_FALSE(decodeReply(layout, &record, payload)) << layout << " " << payload;
        }
    }
    LayoutRecord small = CardData{2, {}};  // over the caller's capacity
    EXPECT_FALSE(decodeReply(25, &small, "010203"));
}

// Under the sanitizers this also catches reads past the payload and undefined casts. An
// empty record always takes the type the layout advertises.
TEST(ReplyLayouts, RandomPayloadsDecodeDeterministically) {
    constexpr std::string_view kAlphabets[] = {"0123456789", "0123456789ABCDEFabcdefYNLB-"};
    for (int id = -2; id <= kReplyLayoutCount + 1; ++id) {
        const bool hasRecord = id >= 0 && id < kReplyLayoutCount && id != 17;
        EXPECT_EQ(std::holds_alternative<std::monostate>(replyRecordFor(id)), !hasRecord) << id;
        std::mt19937 rng(static_cast<unsigned>(7919 + id));
        for (int i = 0; i < 3000; ++i) {
            // On the heap and without a terminator, so that a read past the end lands
            // outside the allocation.
            std::vector<char> bytes(rng() % 121);
            const std::size_t kind = rng() % 3;
            for (char& c : bytes) {
                c = kind == 2 ? static_cast<char>(rng())
                              : kAlphabets[kind][rng() % kAlphabets[kind].size()];
            }
            const std::string_view payload(bytes.data(), bytes.size());
            LayoutRecord first;
            LayoutRecord second;
            const bool firstValid = decodeReply(id, &first, payload);
            ASSERT_EQ(decodeReply(id, &second, payload), firstValid) << id << " " << payload;
            ASSERT_EQ(first.index(), replyRecordFor(id).index()) << id;
        }
    }
}

}  // namespace
}  // namespace quillet
