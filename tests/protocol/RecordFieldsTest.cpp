#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <regex>
#include <set>
#include <utility>

#include "protocol/RecordFields.h"
#include "protocol/RequestLayouts.h"

namespace quillet {
namespace {

template <std::size_t... I>
LayoutRecord alternative(std::size_t index, std::index_sequence<I...>) {
    constexpr std::array<LayoutRecord (*)(), sizeof...(I)> kMake = {
        [] { return LayoutRecord(std::in_place_index<I>); }...};
    return kMake.at(index)();
}

LayoutRecord alternative(std::size_t index) {
    return alternative(index, std::make_index_sequence<std::variant_size_v<LayoutRecord>>{});
}

std::vector<std::string> texts(const LayoutRecord& record) {
    std::vector<std::string> out;
    visitFields(record,
                [&](std::string_view, const FieldValue& v) { out.push_back(fieldText(v)); });
    return out;
}

// A word that fits the field and differs from every other field's, so two names bound to
// one member show up: flags 1, whole numbers and numbers from the field's place, texts
// and byte strings as three hexadecimal bytes (printable, and the size of a byte array).
std::vector<std::string> distinctWords(const LayoutRecord& record) {
    std::vector<std::string> words;
    visitFields(record, [&](std::string_view, const FieldValue& v) {
        const std::size_t k = words.size() + 1;
        if (std::holds_alternative<bool>(v)) {
            words.push_back("1");
        } else if (std::holds_alternative<long long>(v)) {
            words.push_back(std::to_string(k));
        } else if (std::holds_alternative<double>(v)) {
            words.push_back(std::to_string(k) + ".25");
        } else {
            char last[3];
            std::snprintf(last, sizeof last, "%02X", static_cast<unsigned>(k % 256));
            words.push_back(std::string("0A0B") + last);
        }
    });
    return words;
}

// Every alternative: ASCII lowerCamel names, each once; the words of any values read
// back to the same values; a request layout takes the words of its request fields and
// encodes them.
TEST(RecordFields, EveryAlternativeNamesReadsAndShowsItsFields) {
    const std::regex name("[a-z][A-Za-z0-9]*(\\.([a-z][A-Za-z0-9]*|[1-9][0-9]*))*");
    for (std::size_t index = 0; index < std::variant_size_v<LayoutRecord>; ++index) {
        SCOPED_TRACE(index);
        LayoutRecord record = alternative(index);
        const std::vector<std::string> names = fieldNames(record);
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
        for (const std::string& n : names) {
            EXPECT_TRUE(std::regex_match(n, name)) << n;
        }
        EXPECT_EQ(index == 0, names.empty());

        const std::vector<std::string> empty = texts(record);
        ASSERT_EQ(empty.size(), names.size());
        EXPECT_EQ(parseFields(empty, record, FieldSet::All), "");
        EXPECT_EQ(texts(record), empty);

        const std::vector<std::string> words = distinctWords(record);
        EXPECT_EQ(parseFields(words, record, FieldSet::All), "");
        EXPECT_EQ(texts(record), words);
        EXPECT_EQ(record.index(), index);
    }
    std::string encoded;
    for (int layout = 0; layout < kRequestLayoutCount; ++layout) {
        SCOPED_TRACE(layout);
        LayoutRecord record = requestRecordFor(layout);
        const std::vector<std::string> words = distinctWords(record);
        const std::size_t sent = fieldNames(record, FieldSet::Request).size();
        ASSERT_LE(sent, words.size());
        EXPECT_EQ(parseFields(std::span(words).first(sent), record), "");
        EXPECT_TRUE(encodeParams(layout, record, encoded));
    }
}

TEST(RecordFields, NamesPartsAndArrayElementsAndLeavesReplyValuesOutOfARequest) {
    const std::vector<std::string> schedule = fieldNames(CardTariffSchedule{});
    ASSERT_EQ(schedule.size(), 17u);
    EXPECT_EQ(schedule[2], "halfPeakStart.minutes");
    EXPECT_EQ(schedule[5], "peaks.1.isPeak");
    EXPECT_EQ(schedule[16], "peaks.3.durationMin");
    EXPECT_EQ(fieldNames(DisplayModes{}).back(), "seconds");
    EXPECT_EQ(fieldNames(DisplayModes{}, FieldSet::Request).back(), "modes.8");
    EXPECT_EQ(fieldNames(CardActions{}, FieldSet::Request), std::vector<std::string>{"actions"});
}

struct ParseCase {
    LayoutRecord record;
    std::vector<std::string> words;
    std::string error;        // empty: the words fit
    LayoutRecord expected{};  // when they fit
};

class RecordFieldsParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(RecordFieldsParse, ReadsOrNamesTheFieldAndLeavesTheRecord) {
    const ParseCase& c = GetParam();
    LayoutRecord record = c.record;
    EXPECT_EQ(parseFields(c.words, record), c.error);
    EXPECT_EQ(texts(record), texts(c.error.empty() ? c.expected : c.record));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(RecordFields, RecordFieldsParse, ::testing::Values(
    ParseCase{GraphPointQuery{}, {"3", "15", "10"}, "", GraphPointQuery{3, 15, 10}},
    ParseCase{GraphPointQuery{}, {"-3", "0", "2147483647"}, "", GraphPointQuery{-3, 0, 2147483647}},
    ParseCase{GraphPointQuery{1, 2, 3}, {"3", "15", "2147483648"},
              "halfHour: \"2147483648\" is outside -2147483648..2147483647"},
    ParseCase{GraphPointQuery{}, {"3", "99999999999999999999", "1"},
              "day: \"99999999999999999999\" is outside -2147483648..2147483647"},
    ParseCase{GraphPointQuery{}, {"3x", "1", "1"}, "month: \"3x\" is not a whole number"},
    ParseCase{GraphPointQuery{}, {"+3", "1", "1"}, "month: \"+3\" is not a whole number"},
    ParseCase{GraphPointQuery{}, {"", "1", "1"}, "month: \"\" is not a whole number"},
    ParseCase{GraphPointQuery{}, {"3", "15"}, "takes 3 values, got 2"},
    ParseCase{std::monostate{}, {"1"}, "takes no values, got 1"},
    ParseCase{AccessKey{}, {"4294967295"}, "", AccessKey{0xFFFFFFFF}},
    ParseCase{AccessKey{}, {"-1"}, "key: \"-1\" is outside 0..4294967295"},
    ParseCase{CardReadRequest{}, {"65535", "256"}, "length: \"256\" is outside 0..255"},
    ParseCase{OnOffSwitch{}, {"1"}, "", OnOffSwitch{1}},
    ParseCase{OnOffSwitch{}, {"2"}, "on: \"2\" is neither 0 nor 1"},
    ParseCase{TransformationRatio{}, {"-1.5e2"}, "", TransformationRatio{-150}},
    ParseCase{TransformationRatio{}, {"1,5"}, "ratio: \"1,5\" is not a number"},
    ParseCase{TransformationRatio{}, {"inf"}, "ratio: \"inf\" is not a finite number in the range of a double"},
    ParseCase{TransformationRatio{}, {"nan"}, "ratio: \"nan\" is not a finite number in the range of a double"},
    ParseCase{TransformationRatio{}, {"1e999"}, "ratio: \"1e999\" is not a finite number in the range of a double"},
    ParseCase{Password{}, {"a b~"}, "", Password{"a b~"}},
    ParseCase{Password{}, {"\xD0\xB9"}, "password: holds a character other than printable ASCII"},
    ParseCase{Password{}, {"a\rb"}, "password: holds a character other than printable ASCII"},
    ParseCase{CardWrite{}, {"1", "00ff1A"}, "", CardWrite{1, {0x00, 0xFF, 0x1A}}},
    ParseCase{CardWrite{}, {"1", ""}, "", CardWrite{1, {}}},
    ParseCase{CardWrite{}, {"1", "0F0"}, "data: \"0F0\" is not bytes in hexadecimal, two digits a byte (0A1F)"},
    ParseCase{CardWrite{}, {"1", "0G"}, "data: \"0G\" is not bytes in hexadecimal, two digits a byte (0A1F)"},
    ParseCase{CardWrite{}, {"1", std::string(512, 'F')}, "data: holds more than 255 bytes"},
    ParseCase{CardUserSection{}, {"1", "2", "3", "4", "0A0B"}, "extra: takes exactly 3 bytes (6 hexadecimal digits)"},
    // The reply's own values are no words of a request and keep what they held.
    ParseCase{DisplayModes{{}, 7}, {"1", "0", "1", "0", "0", "0", "0", "1"}, "",
              DisplayModes{{1, 0, 1, 0, 0, 0, 0, 1}, 7}}));
// clang-format on

TEST(RecordFields, ShowsRepliesAsScriptsReadThem) {
    std::vector<std::pair<std::string, FieldValue>> seen;
    visitFields(PeakInterval{7, 5, 90, 1},
                [&](std::string_view n, const FieldValue& v) { seen.emplace_back(n, v); });
    EXPECT_EQ(seen.back(), (std::pair<std::string, FieldValue>{"isPeak", true}));
    // Reply text comes in the line's code page.
    EXPECT_EQ(texts(DeviceVersion{"\xC0"
                                  "1"}),
              std::vector<std::string>{"\xD0\x90"
                                       "1"});
    EXPECT_EQ(texts(GraphPoint{15, 1, 0.1}), (std::vector<std::string>{"15", "1", "0.1"}));
    EXPECT_EQ(texts(SerialNumber{4294967295u, -1}), (std::vector<std::string>{"4294967295", "-1"}));
}

}  // namespace
}  // namespace quillet
