#include "protocol/RecordFields.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <limits>
#include <system_error>
#include <type_traits>
#include <utility>

#include "protocol/Cp1251.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

// The byte count of a card write travels as one byte.
constexpr std::size_t kMaxBytes = 255;

std::string quoted(std::string_view word) {
    return "\"" + std::string(word) + "\"";
}

// --- One value -------------------------------------------------------------------------

template <class T>
struct IsByteString : std::false_type {};
template <>
struct IsByteString<std::vector<std::uint8_t>> : std::true_type {};
template <std::size_t N>
struct IsByteString<std::array<std::uint8_t, N>> : std::true_type {};

// A type written as one word; other class types are parts with fields of their own.
template <class T>
constexpr bool kIsValue =
    std::is_arithmetic_v<T> || std::is_same_v<T, std::string> || IsByteString<T>::value;

// Yes/no values are ints in the records; they read and show as flags.
enum class As { Natural, Flag };

template <std::integral T>
std::string readWhole(std::string_view word, T& out) {
    static_assert(sizeof(T) < sizeof(long long) || std::is_signed_v<T>,
                  "the range of a whole-number field must fit a long long");
    constexpr long long kMin = std::numeric_limits<T>::min();
    constexpr long long kMax = std::numeric_limits<T>::max();
    const char* end = word.data() + word.size();
    long long value = 0;
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (error == std::errc::invalid_argument || stop != end) {
        return quoted(word) + " is not a whole number";
    }
    if (error == std::errc::result_out_of_range || value < kMin || value > kMax) {
        return quoted(word) + " is outside " + std::to_string(kMin) + ".." + std::to_string(kMax);
    }
    out = static_cast<T>(value);
    return {};
}

template <std::integral T>
std::string readFlag(std::string_view word, T& out) {
    if (word != "0" && word != "1") {
        return quoted(word) + " is neither 0 nor 1";
    }
    out = word == "1" ? 1 : 0;
    return {};
}

std::string readNumber(std::string_view word, double& out) {
    const char* end = word.data() + word.size();
    double value = 0;
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (error == std::errc::invalid_argument || stop != end) {
        return quoted(word) + " is not a number";
    }
    if (error == std::errc::result_out_of_range || !std::isfinite(value)) {
        return quoted(word) + " is not a finite number in the range of a double";
    }
    out = value;
    return {};
}

// The encoder refuses anything else: a control character would cut the frame short.
std::string readText(std::string_view word, std::string& out) {
    for (const char c : word) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code > 0x7E) {
            return "holds a character other than printable ASCII";
        }
    }
    out.assign(word);
    return {};
}

template <class Bytes>
std::string readBytes(std::string_view word, Bytes& out) {
    if (word.size() % 2 != 0) {
        return quoted(word) + " is not bytes in hexadecimal, two digits a byte (0A1F)";
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < word.size(); i += 2) {
        const int byte = hexByteValue(word[i], word[i + 1]);
        if (byte < 0) {
            return quoted(word) + " is not bytes in hexadecimal, two digits a byte (0A1F)";
        }
        bytes.push_back(static_cast<std::uint8_t>(byte));
    }
    if constexpr (std::is_same_v<Bytes, std::vector<std::uint8_t>>) {
        if (bytes.size() > kMaxBytes) {
            return "holds more than " + std::to_string(kMaxBytes) + " bytes";
        }
        out = std::move(bytes);
    } else {
        if (bytes.size() != out.size()) {
            return "takes exactly " + std::to_string(out.size()) + " bytes (" +
                   std::to_string(2 * out.size()) + " hexadecimal digits)";
        }
        std::copy(bytes.begin(), bytes.end(), out.begin());
    }
    return {};
}

template <class Bytes>
std::string hexText(const Bytes& bytes) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

template <As as, class T>
std::string readValue(std::string_view word, T& out) {
    if constexpr (as == As::Flag) {
        return readFlag(word, out);
    } else if constexpr (std::is_same_v<T, double>) {
        return readNumber(word, out);
    } else if constexpr (std::is_integral_v<T>) {
        return readWhole(word, out);
    } else if constexpr (std::is_same_v<T, std::string>) {
        return readText(word, out);
    } else {
        return readBytes(word, out);
    }
}

template <As as, class T>
FieldValue valueOf(const T& value) {
    if constexpr (as == As::Flag) {
        return value != 0;
    } else if constexpr (std::is_same_v<T, double>) {
        return value;
    } else if constexpr (std::is_integral_v<T>) {
        return static_cast<long long>(value);
    } else if constexpr (std::is_same_v<T, std::string>) {
        return cp1251ToUtf8(value);  // a reply's text comes in the line's code page
    } else {
        return hexText(value);
    }
}

// --- Descriptors ---------------------------------------------------------------------------

// One field of a record type: a value, or a part with rows of its own; either may be an
// array of them.
struct Row {
    std::string_view name;
    std::size_t count = 0;  // 0: one; n: an array, elements name.1 .. name.n
    bool sent = true;       // false: only a reply carries it
    // A value: element `i` of the field of `record` shown, or set from a word (the reason
    // the word does not fit; empty when it does).
    FieldValue (*get)(const void* record, std::size_t i) = nullptr;
    std::string (*set)(void* record, std::size_t i, std::string_view word) = nullptr;
    // A part: element `i` of it, described by `partRows`.
    const void* (*part)(const void* record, std::size_t i) = nullptr;
    const Row* partRows = nullptr;
    std::size_t partRowCount = 0;
};

template <class T>
struct Shape {
    using Element = T;
    static constexpr std::size_t count = 0;
};
template <class E, std::size_t N>
struct Shape<std::array<E, N>> {
    using Element = E;
    static constexpr std::size_t count = N;
};
// A byte array is one word.
template <std::size_t N>
struct Shape<std::array<std::uint8_t, N>> {
    using Element = std::array<std::uint8_t, N>;
    static constexpr std::size_t count = 0;
};

template <class M>
struct MemberOf;
template <class R, class T>
struct MemberOf<T R::*> {
    using Record = R;
    using Type = T;
};

template <auto Member, class R>
auto& elementOf(R& record, std::size_t i) {
    auto& member = record.*Member;
    if constexpr (Shape<std::remove_cvref_t<decltype(member)>>::count > 0) {
        return member[i];
    } else {
        return member;
    }
}

// The rows of record type R, in the record's order; every type a LayoutRecord holds and
// every part of one has them (checked below, where the table of all records is built).
template <class R>
struct Fields;

template <auto Member, As as = As::Natural>
constexpr Row field(std::string_view name) {
    using R = typename MemberOf<decltype(Member)>::Record;
    using T = typename MemberOf<decltype(Member)>::Type;
    using E = typename Shape<T>::Element;
    Row row{name, Shape<T>::count};
    if constexpr (kIsValue<E>) {
        static_assert(as == As::Natural || std::is_integral_v<E>, "a flag is a whole number");
        row.get = [](const void* record, std::size_t i) {
            return valueOf<as>(elementOf<Member>(*static_cast<const R*>(record), i));
        };
        row.set = [](void* record, std::size_t i, std::string_view word) {
            return readValue<as>(word, elementOf<Member>(*static_cast<R*>(record), i));
        };
    } else {
        static_assert(as == As::Natural, "a part is no flag");
        row.part = [](const void* record, std::size_t i) -> const void* {
            return &elementOf<Member>(*static_cast<const R*>(record), i);
        };
        row.partRows = Fields<E>::rows.data();
        row.partRowCount = Fields<E>::rows.size();
    }
    return row;
}

template <auto Member>
constexpr Row flag(std::string_view name) {
    return field<Member, As::Flag>(name);
}

constexpr Row replyOnly(Row row) {
    row.sent = false;
    return row;
}

// clang-format off
template <> struct Fields<std::monostate> {
    static constexpr std::array<Row, 0> rows{};
};
template <> struct Fields<Password> {
    static constexpr std::array rows{field<&Password::password>("password")};
};
template <> struct Fields<CalendarDate> {
    static constexpr std::array rows{field<&CalendarDate::day>("day"),
                                     field<&CalendarDate::month>("month"),
                                     field<&CalendarDate::year>("year")};
};
template <> struct Fields<TimeOfDay> {
    static constexpr std::array rows{field<&TimeOfDay::hours>("hours"),
                                     field<&TimeOfDay::minutes>("minutes"),
                                     field<&TimeOfDay::seconds>("seconds")};
};
template <> struct Fields<GroupTariffStart> {
    static constexpr std::array rows{field<&GroupTariffStart::category>("category"),
                                     field<&GroupTariffStart::dayType>("dayType"),
                                     field<&GroupTariffStart::hours>("hours"),
                                     field<&GroupTariffStart::minutes>("minutes"),
                                     field<&GroupTariffStart::month>("month")};
};
template <> struct Fields<TariffStartQuery> {
    static constexpr std::array rows{field<&TariffStartQuery::dayType>("dayType"),
                                     field<&TariffStartQuery::month>("month")};
};
template <> struct Fields<GroupPowerThreshold> {
    static constexpr std::array rows{field<&GroupPowerThreshold::category>("category"),
                                     field<&GroupPowerThreshold::powerKw>("powerKw")};
};
template <> struct Fields<SeasonalSwitch> {
    static constexpr std::array rows{flag<&SeasonalSwitch::enabled>("enabled")};
};
template <> struct Fields<LineSpeed> {
    static constexpr std::array rows{field<&LineSpeed::baudRate>("baudRate")};
};
template <> struct Fields<GroupPeakTariff> {
    static constexpr std::array rows{field<&GroupPeakTariff::category>("category"),
                                     field<&GroupPeakTariff::dayType>("dayType"),
                                     field<&GroupPeakTariff::interval>("interval"),
                                     field<&GroupPeakTariff::hours>("hours"),
                                     field<&GroupPeakTariff::minutes>("minutes"),
                                     field<&GroupPeakTariff::durationMin>("durationMin"),
                                     field<&GroupPeakTariff::month>("month"),
                                     flag<&GroupPeakTariff::isPeak>("isPeak")};
};
template <> struct Fields<PeakIntervalQuery> {
    static constexpr std::array rows{field<&PeakIntervalQuery::dayType>("dayType"),
                                     field<&PeakIntervalQuery::interval>("interval"),
                                     field<&PeakIntervalQuery::month>("month")};
};
template <> struct Fields<MeterAddress> {
    static constexpr std::array rows{field<&MeterAddress::address>("address")};
};
template <> struct Fields<ConsumerCategory> {
    static constexpr std::array rows{field<&ConsumerCategory::category>("category")};
};
template <> struct Fields<EnergyThreshold> {
    static constexpr std::array rows{field<&EnergyThreshold::category>("category"),
                                     field<&EnergyThreshold::energyKwh>("energyKwh")};
};
template <> struct Fields<DisplayModes> {
    static constexpr std::array rows{flag<&DisplayModes::modes>("modes"),
                                     replyOnly(field<&DisplayModes::seconds>("seconds"))};
};
template <> struct Fields<MonthNumber> {
    static constexpr std::array rows{field<&MonthNumber::month>("month")};
};
template <> struct Fields<OnOffSwitch> {
    static constexpr std::array rows{flag<&OnOffSwitch::on>("on")};
};
template <> struct Fields<LoadMode> {
    static constexpr std::array rows{field<&LoadMode::loadMode>("loadMode")};
};
template <> struct Fields<HolidayNumber> {
    static constexpr std::array rows{field<&HolidayNumber::holidayNumber>("holidayNumber")};
};
template <> struct Fields<Holiday> {
    static constexpr std::array rows{field<&Holiday::holidayNumber>("holidayNumber"),
                                     field<&Holiday::day>("day"),
                                     field<&Holiday::month>("month"),
                                     flag<&Holiday::flag>("flag")};
};
template <> struct Fields<GraphPointQuery> {
    static constexpr std::array rows{field<&GraphPointQuery::month>("month"),
                                     field<&GraphPointQuery::day>("day"),
                                     field<&GraphPointQuery::halfHour>("halfHour")};
};
template <> struct Fields<CycleTime> {
    static constexpr std::array rows{field<&CycleTime::seconds>("seconds")};
};
template <> struct Fields<TransformationRatio> {
    static constexpr std::array rows{field<&TransformationRatio::ratio>("ratio")};
};
template <> struct Fields<ModemInitString> {
    static constexpr std::array rows{field<&ModemInitString::initString>("initString")};
};
template <> struct Fields<ModemTimeout> {
    static constexpr std::array rows{field<&ModemTimeout::minutes>("minutes")};
};
template <> struct Fields<RemoteModemCommand> {
    static constexpr std::array rows{field<&RemoteModemCommand::timeoutMin>("timeoutMin"),
                                     field<&RemoteModemCommand::command>("command")};
};
template <> struct Fields<CardRecordIndex> {
    static constexpr std::array rows{field<&CardRecordIndex::index>("index")};
};
template <> struct Fields<GraphClear> {
    static constexpr std::array rows{field<&GraphClear::p0>("p0"), field<&GraphClear::p1>("p1")};
};
template <> struct Fields<AccessKey> {
    static constexpr std::array rows{field<&AccessKey::key>("key")};
};
template <> struct Fields<CardUserSection> {
    static constexpr std::array rows{field<&CardUserSection::code>("code"),
                                     field<&CardUserSection::number>("number"),
                                     field<&CardUserSection::idLow>("idLow"),
                                     field<&CardUserSection::idHigh>("idHigh"),
                                     field<&CardUserSection::extra>("extra")};
};
template <> struct Fields<CardPaymentSection> {
    static constexpr std::array rows{field<&CardPaymentSection::status>("status"),
                                     replyOnly(field<&CardPaymentSection::flags>("flags")),
                                     field<&CardPaymentSection::day>("day"),
                                     field<&CardPaymentSection::month>("month"),
                                     field<&CardPaymentSection::year>("year"),
                                     field<&CardPaymentSection::amounts>("amounts")};
};
template <> struct Fields<CardValues> {
    static constexpr std::array rows{field<&CardValues::values>("values")};
};
template <> struct Fields<CardWrite> {
    static constexpr std::array rows{field<&CardWrite::address>("address"),
                                     field<&CardWrite::data>("data")};
};
template <> struct Fields<CardReadRequest> {
    static constexpr std::array rows{field<&CardReadRequest::address>("address"),
                                     field<&CardReadRequest::length>("length")};
};
template <> struct Fields<CardHolidays> {
    static constexpr std::array rows{field<&CardHolidays::index>("index"),
                                     field<&CardHolidays::day>("day"),
                                     field<&CardHolidays::month>("month"),
                                     flag<&CardHolidays::flag>("flag")};
};
template <> struct Fields<ClockTime> {
    static constexpr std::array rows{field<&ClockTime::hours>("hours"),
                                     field<&ClockTime::minutes>("minutes")};
};
template <> struct Fields<CardPeak> {
    static constexpr std::array rows{flag<&CardPeak::isPeak>("isPeak"),
                                     field<&CardPeak::hours>("hours"),
                                     field<&CardPeak::minutes>("minutes"),
                                     field<&CardPeak::durationMin>("durationMin")};
};
template <> struct Fields<CardTariffSchedule> {
    static constexpr std::array rows{field<&CardTariffSchedule::mode>("mode"),
                                     field<&CardTariffSchedule::halfPeakStart>("halfPeakStart"),
                                     field<&CardTariffSchedule::offPeakStart>("offPeakStart"),
                                     field<&CardTariffSchedule::peaks>("peaks")};
};
template <> struct Fields<CardExtraModes> {
    static constexpr std::array rows{field<&CardExtraModes::code>("code"),
                                     field<&CardExtraModes::powerW>("powerW"),
                                     field<&CardExtraModes::energyWh>("energyWh"),
                                     field<&CardExtraModes::modeByte>("modeByte"),
                                     field<&CardExtraModes::options>("options"),
                                     field<&CardExtraModes::ratio>("ratio"),
                                     flag<&CardExtraModes::enabled>("enabled")};
};
template <> struct Fields<CardActions> {
    static constexpr std::array rows{field<&CardActions::actions>("actions"),
                                     replyOnly(field<&CardActions::results>("results"))};
};
template <> struct Fields<YesNo> {
    static constexpr std::array rows{flag<&YesNo::yes>("yes")};
};
template <> struct Fields<MeterDateTime> {
    static constexpr std::array rows{field<&MeterDateTime::weekday>("weekday"),
                                     field<&MeterDateTime::hours>("hours"),
                                     field<&MeterDateTime::minutes>("minutes"),
                                     field<&MeterDateTime::seconds>("seconds"),
                                     field<&MeterDateTime::day>("day"),
                                     field<&MeterDateTime::month>("month"),
                                     field<&MeterDateTime::year>("year")};
};
template <> struct Fields<HourMinute> {
    static constexpr std::array rows{field<&HourMinute::hours>("hours"),
                                     field<&HourMinute::minutes>("minutes")};
};
template <> struct Fields<PowerThreshold> {
    static constexpr std::array rows{field<&PowerThreshold::powerKw>("powerKw")};
};
template <> struct Fields<EnergyValue> {
    static constexpr std::array rows{field<&EnergyValue::energyKwh>("energyKwh")};
};
template <> struct Fields<DeviceVersion> {
    static constexpr std::array rows{field<&DeviceVersion::version>("version")};
};
template <> struct Fields<SerialNumber> {
    static constexpr std::array rows{field<&SerialNumber::serialLow>("serialLow"),
                                     field<&SerialNumber::serialHigh>("serialHigh")};
};
template <> struct Fields<PeakInterval> {
    static constexpr std::array rows{field<&PeakInterval::hours>("hours"),
                                     field<&PeakInterval::minutes>("minutes"),
                                     field<&PeakInterval::durationMin>("durationMin"),
                                     flag<&PeakInterval::isPeak>("isPeak")};
};
template <> struct Fields<PaymentBalance> {
    static constexpr std::array rows{field<&PaymentBalance::day>("day"),
                                     field<&PaymentBalance::month>("month"),
                                     field<&PaymentBalance::year>("year"),
                                     field<&PaymentBalance::balance>("balance")};
};
template <> struct Fields<GraphPoint> {
    static constexpr std::array rows{field<&GraphPoint::marker>("marker"),
                                     field<&GraphPoint::exponent>("exponent"),
                                     field<&GraphPoint::value>("value")};
};
template <> struct Fields<CardReaderState> {
    static constexpr std::array rows{field<&CardReaderState::state>("state")};
};
template <> struct Fields<CardConsumption> {
    static constexpr std::array rows{field<&CardConsumption::day>("day"),
                                     field<&CardConsumption::month>("month"),
                                     field<&CardConsumption::year>("year"),
                                     field<&CardConsumption::values>("values")};
};
// The capacity is the decoder's limit, not a value of the reply.
template <> struct Fields<CardData> {
    static constexpr std::array rows{field<&CardData::data>("data")};
};
// clang-format on

template <class R>
concept Described = requires {
    Fields<R>::rows;
};

template <std::size_t... I>
constexpr auto rowsOfEach(std::index_sequence<I...>) {
    static_assert((Described<std::variant_alternative_t<I, LayoutRecord>> && ...),
                  "every record type of LayoutRecord needs its Fields");
    return std::array<std::span<const Row>, sizeof...(I)>{
        std::span<const Row>(Fields<std::variant_alternative_t<I, LayoutRecord>>::rows)...};
}

// Indexed like the alternatives of LayoutRecord.
constexpr auto kRecordRows =
    rowsOfEach(std::make_index_sequence<std::variant_size_v<LayoutRecord>>{});

// --- Walking a record --------------------------------------------------------------------

// One word's worth of a record.
struct Leaf {
    std::string name;
    const Row* row;
    const void* owner;  // the record or part that holds the field
    std::size_t i;
};

void collect(std::span<const Row> rows, const void* owner, const std::string& prefix, FieldSet set,
             std::vector<Leaf>& out) {
    for (const Row& row : rows) {
        if (set == FieldSet::Request && !row.sent) {
            continue;
        }
        for (std::size_t i = 0; i < std::max<std::size_t>(row.count, 1); ++i) {
            std::string name = prefix + std::string(row.name);
            if (row.count > 0) {
                name += "." + std::to_string(i + 1);
            }
            if (row.part != nullptr) {
                collect({row.partRows, row.partRowCount}, row.part(owner, i), name + ".", set, out);
            } else {
                out.push_back({std::move(name), &row, owner, i});
            }
        }
    }
}

std::vector<Leaf> leavesOf(const LayoutRecord& record, FieldSet set) {
    const void* held = std::visit([](const auto& r) -> const void* { return &r; }, record);
    std::vector<Leaf> leaves;
    collect(kRecordRows[record.index()], held, {}, set, leaves);
    return leaves;
}

std::string countMessage(std::size_t expected, std::size_t given) {
    const std::string takes = expected == 0   ? "takes no values"
                              : expected == 1 ? "takes 1 value"
                                              : "takes " + std::to_string(expected) + " values";
    return takes + ", got " + std::to_string(given);
}

}  // namespace

std::vector<std::string> fieldNames(const LayoutRecord& record, FieldSet set) {
    std::vector<std::string> names;
    for (Leaf& leaf : leavesOf(record, set)) {
        names.push_back(std::move(leaf.name));
    }
    return names;
}

std::string parseFields(std::span<const std::string> words, LayoutRecord& record, FieldSet set) {
    LayoutRecord parsed = record;
    const std::vector<Leaf> leaves = leavesOf(parsed, set);
    if (words.size() != leaves.size()) {
        return countMessage(leaves.size(), words.size());
    }
    for (std::size_t k = 0; k < leaves.size(); ++k) {
        const Leaf& leaf = leaves[k];
        // The walk hands out read-only pointers; `parsed` is ours to write.
        void* owner = const_cast<void*>(leaf.owner);
        const std::string reason = leaf.row->set(owner, leaf.i, words[k]);
        if (!reason.empty()) {
            return leaf.name + ": " + reason;
        }
    }
    record = std::move(parsed);
    return {};
}

void visitFields(const LayoutRecord& record,
                 const std::function<void(std::string_view name, const FieldValue& value)>& visit) {
    for (const Leaf& leaf : leavesOf(record, FieldSet::All)) {
        visit(leaf.name, leaf.row->get(leaf.owner, leaf.i));
    }
}

std::string fieldText(const FieldValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, bool>) {
                return v ? "1" : "0";
            } else if constexpr (std::is_same_v<V, long long>) {
                return std::to_string(v);
            } else if constexpr (std::is_same_v<V, double>) {
                std::array<char, 32> buffer{};
                const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
                return std::string(buffer.data(), result.ptr);
            } else {
                return v;
            }
        },
        value);
}

}  // namespace quillet
