// The simulated devices driven the way the program drives them: frames from the program's
// frame builder, replies judged by the program's reply check; then the devices' request
// decoder and reply encoder against the program's encoder and decoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <variant>
#include <vector>

#include "protocol/CommandTable.h"
#include "protocol/Frame.h"
#include "protocol/ReplyCheck.h"
#include "protocol/ReplyLayouts.h"
#include "protocol/RequestLayouts.h"
#include "sim/DeviceLine.h"
#include "sim/MeterModel.h"
#include "sim/ReplyEncoder.h"
#include "sim/RequestDecoder.h"

namespace quillet::sim {
namespace {

using namespace std::chrono_literals;

std::size_t command(DeviceGroup group, std::string_view code) {
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        if (commandSlot(i).deviceGroup() == group && commandSlot(i).code == code) {
            return i;
        }
    }
    ADD_FAILURE() << "no command " << code;
    return 0;
}
const auto group = [](std::string_view code) { return command(DeviceGroup::AllMeters, code); };
const auto meter = [](std::string_view code) { return command(DeviceGroup::OneMeter, code); };
const auto ctl = [](std::string_view code) { return command(DeviceGroup::Controller, code); };
const auto card = [](std::string_view code) { return command(DeviceGroup::CardReader, code); };

LinkSettings direct(int address = 0, int linkType = 0) {
    return {"Q7K2M", "Q7K2M", address, '0', linkType};
}
LinkSettings viaController(int address = 0) {
    return direct(address, 1);
}

struct Call {
    std::size_t index;
    LayoutRecord params{};
};

struct Result {
    std::optional<std::string> reply;
    ReplyFault fault = ReplyFault::None;
    LayoutRecord record;
};

// Compares what a reply carries, at the precision its layout carries it.
std::string onWire(std::size_t index, const LayoutRecord& record) {
    return encodeReply(commandSlot(index).replyLayout, record).value_or("<not encodable>");
}

class Bench {
public:
    explicit Bench(DeviceLineOptions options = {})
        : line(std::move(options), [this] { return wall; }) {}

    Result send(const Call& call, const LinkSettings& link = direct()) {
        std::string params;
        EXPECT_TRUE(encodeParams(commandSlot(call.index).requestLayout, call.params, params))
            << call.index;
        Result result;
        result.reply = line.handleFrame(*buildRequestFrame(call.index, params, link));
        if (result.reply) {
            result.fault = checkReply(call.index, *result.reply, link, &result.record);
        }
        return result;
    }
    // A write that must be acknowledged, or a group command that must stay unanswered.
    void apply(const Call& call, const LinkSettings& link = direct()) {
        const Result result = send(call, link);
        if (commandSlot(call.index).replyLayout < 0) {
            EXPECT_FALSE(result.reply) << call.index;
        } else {
            EXPECT_EQ(result.fault, ReplyFault::None) << call.index << " " << *result.reply;
        }
    }
    LayoutRecord read(const Call& call, const LinkSettings& link = direct()) {
        Result result = send(call, link);
        EXPECT_TRUE(result.reply) << call.index;
        EXPECT_EQ(result.fault, ReplyFault::None) << call.index << " " << result.reply.value_or("");
        return result.record;
    }
    double energy(const Call& call) { return std::get<EnergyValue>(read(call)).energyKwh; }
    int yes(const Call& call, const LinkSettings& link = direct()) {
        return std::get<YesNo>(read(call, link)).yes;
    }
    void setClock(int day, int month, int year, int hours = 0) {
        apply({group("D"), CalendarDate{day, month, year}});
        apply({group("C"), TimeOfDay{hours, 0, 0}});
    }

    DeviceLine::WallTime wall = std::chrono::sys_days{std::chrono::June / 18 / 2025} + 12h;
    DeviceLine line;
};

// --- Every command family: writes (or none), then a read ---------------------------------

struct FamilyRow {
    std::vector<Call> writes;
    Call read;
    LayoutRecord expected{};  // none: what the last write carried
};

void checkFamilies(const std::vector<FamilyRow>& rows, const std::vector<LinkSettings>& links) {
    for (const FamilyRow& row : rows) {
        for (const LinkSettings& link : links) {
            SCOPED_TRACE("read " + std::string(commandSlot(row.read.index).code) + ", link type " +
                         std::to_string(link.linkType));
            Bench bench;
            for (const Call& write : row.writes) {
                bench.apply(write, link);
            }
            const bool same = std::holds_alternative<std::monostate>(row.expected);
            EXPECT_EQ(onWire(row.read.index, bench.read(row.read, link)),
                      onWire(row.read.index, same ? row.writes.back().params : row.expected));
        }
    }
}

TEST(DeviceLine, MeterFamiliesDirectAndThroughTheController) {
    const std::array<int, 8> modes{0, 0, 1, 0, 0, 0, 0, 1};
    const auto on = OnOffSwitch{1};
    // clang-format off
    checkFamilies({
        {{{group("D"), CalendarDate{15, 6, 2025}}, {group("C"), TimeOfDay{10, 20, 30}}},
         {meter("D")}, MeterDateTime{0, 10, 20, 30, 15, 6, 2025}},
        {{{group("D"), CalendarDate{8, 3, 2025}}, {group("C"), TimeOfDay{}}}, {meter("D")},
         MeterDateTime{7, 0, 0, 0, 8, 3, 2025}},  // a holiday counts as day 7
        {{{group("Z"), SeasonalSwitch{0}}}, {meter("Z")}, YesNo{0}},
        {{{group("B"), GroupTariffStart{0, 2, 6, 30, 4}}}, {meter("B"), TariffStartQuery{2, 4}},
         HourMinute{6, 30}},
        {{{group("F"), GroupTariffStart{0, 7, 22, 15, 12}}}, {meter("F"), TariffStartQuery{7, 12}},
         HourMinute{22, 15}},
        {{{group("A"), GroupPeakTariff{0, 7, 2, 18, 30, 90, 3, 1}}},
         {meter(">"), PeakIntervalQuery{7, 2, 3}}, PeakInterval{18, 30, 90, 1}},
        {{{meter("]W"), Holiday{3, 8, 3, 1}}}, {meter("]R"), HolidayNumber{3}}},
        {{{group("H"), Holiday{16, 29, 2, 0}}}, {meter("]R"), HolidayNumber{16}}},
        {{{group("L"), GroupPowerThreshold{0, 4.1}}}, {meter("L")}, PowerThreshold{4.1}},
        {{{meter("J"), EnergyThreshold{0, 1234}}}, {meter("I")}, EnergyValue{1234}},
        {{{meter("=W"), TransformationRatio{15000}}}, {meter("=R")}},
        {{{meter("^W"), DisplayModes{modes}}, {meter("^T"), CycleTime{5}}}, {meter("^S")},
         DisplayModes{modes, 5}},
        {{{group("IW"), DisplayModes{modes}}, {group("IT"), CycleTime{60}}}, {meter("^S")},
         DisplayModes{modes, 60}},
        {{{meter("<"), on}}, {meter("<S")}}, {{{group("M"), on}}, {meter("<S")}},
        {{{meter("_"), on}}, {meter("_S")}}, {{{meter("G"), LoadMode{3}}}, {meter("GS")}},
        {{{meter("K"), ConsumerCategory{42}}}, {meter("C")}},
        {{{group("Z"), SeasonalSwitch{1}}}, {meter("Q")}, YesNo{1}},  // the group command ran
        {{{meter("MK"), AccessKey{0xDEADBEEF}}}, {meter("T")}, YesNo{1}},
    }, {direct(), viaController()});
    // clang-format on
}

TEST(DeviceLine, ControllerAndCardReaderFamilies) {
    const CardValues values{{12.34, 0, 99999.99, 7}};
    const CardHolidays holidays{1, {8, 0}, {3, 0}, {1, 0}};
    // clang-format off
    checkFamilies({
        {{}, {ctl("T")}, YesNo{1}}, {{}, {ctl("V")}, DeviceVersion{"12"}},
        {{{ctl("IW"), ModemInitString{"ATZ&C1"}}}, {ctl("IR")}},
        {{{ctl("IW"), ModemInitString{"ATZ"}}, {ctl("ID")}}, {ctl("IR")},
         ModemInitString{"AT&F1&B1M3E0Q0&D0"}},  // the string from ROM
        {{{ctl("JW"), ModemTimeout{12}}}, {ctl("JR")}},
        {{{ctl("A"), RemoteModemCommand{12, "ATH"}}}, {ctl("W")}, YesNo{1}},
        {{{card("!3"), CardUserSection{1234, 5678, 0xB2C3D4E5, 0xA1, {1, 2, 3}}}}, {card("!4")}},
        {{{card("!5"), CardPaymentSection{0x12, 0, 15, 3, 2025, {1.5, 2, 3, 4}}}}, {card("!6")}},
        {{{card("!8"), values}}, {card("!9")}},
        {{{card("!A"), CardWrite{0x0100, {0xDE, 0xAD, 0xBE}}}},
         {card("!B"), CardReadRequest{0x0100, 3}}, CardData{15, {0xDE, 0xAD, 0xBE}}},
        {{{card("!E"), holidays}}, {card("!F"), CardRecordIndex{1}}},
        {{{card("!C"), CardTariffSchedule{5, {7, 0}, {23, 0}, {{{1, 8, 0, 180}}}}}},
         {card("!D"), CardRecordIndex{5}}},
        {{{card("!G"), CardExtraModes{7, 4100, 500000, 0x5A, {1, 2, 3}, 150, 1}}}, {card("!H")}},
        {{{card("!I"), CardActions{0x0A05, 0}}}, {card("!J")}, CardActions{0x0A05, 0x0A05}},
    }, {direct()});
    // clang-format on
}

// --- Refusals and silence ----------------------------------------------------------------

TEST(DeviceLine, RefusesOrStaysSilent) {
    LinkSettings wrongPassword = direct();
    wrongPassword.privatePassword = "XXXXX";
    LinkSettings wrongPasswordViaController = wrongPassword;
    wrongPasswordViaController.linkType = 1;
    LinkSettings otherController = direct();
    otherController.controllerAddress = '7';
    struct Row {
        Call call;
        std::optional<ReplyFault> fault;  // none: no answer at all
        LinkSettings link = direct();
    };
    const auto refused = ReplyFault::MeterRefused;
    const auto ctlRefused = ReplyFault::ControllerRefused;
    // clang-format off
    const std::vector<Row> rows = {
        {{meter("S")}, refused, wrongPassword}, {{meter("S")}, refused, wrongPasswordViaController},
        {{meter("S")}, std::nullopt, direct(5)}, {{meter("S")}, std::nullopt, viaController(5)},
        {{meter("]R"), HolidayNumber{17}}, refused}, {{meter("[B"), MonthNumber{13}}, refused},
        {{meter("^T"), CycleTime{61}}, refused},
        {{meter("?"), GraphPointQuery{2, 30, 0}}, refused},  // 30 February
        {{meter("?"), GraphPointQuery{6, 1, 48}}, refused},  // half-hour 48
        {{meter("J"), EnergyThreshold{5, 100}}, refused},    // another category
        {{ctl("JW"), ModemTimeout{61}}, ctlRefused}, {{ctl("S"), LineSpeed{1000}}, ctlRefused},
        {{ctl("IW"), ModemInitString{std::string(31, 'A')}}, ctlRefused},
        {{ctl("T")}, std::nullopt, otherController},
        {{card("!B"), CardReadRequest{0xFFF0, 4}}, refused},  // past the end of the memory
        {{card("!D"), CardRecordIndex{8}}, refused},
    };
    // clang-format on
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Result result = Bench().send(rows[i].call, rows[i].link);
        EXPECT_EQ(result.reply.has_value(), rows[i].fault.has_value()) << "row " << i;
        if (rows[i].fault && result.reply) {
            EXPECT_EQ(result.fault, *rows[i].fault) << "row " << i << " " << *result.reply;
        }
    }
    // The controller's refusal is seven characters with an N after the code.
    const Result result = Bench().send({ctl("JW"), ModemTimeout{0}});
    ASSERT_TRUE(result.reply);
    EXPECT_EQ(result.reply->size(), 7u);
    EXPECT_EQ(result.reply->substr(0, 4), "~0JN");
}

TEST(DeviceLine, GarbledFramesGetNoAnswer) {
    Bench bench;
    for (std::string frame : {*buildRequestFrame(meter("S"), "", direct()),
                              *buildRequestFrame(meter("S"), "", viaController()),
                              *buildRequestFrame(ctl("V"), "", direct()),
                              *buildRequestFrame(card("!2"), "", direct())}) {
        ASSERT_TRUE(bench.line.handleFrame(frame)) << frame;
        std::string badChecksum = frame;
        badChecksum[badChecksum.size() - 2] ^= 1;
        std::string wrongEnd = frame;
        wrongEnd.back() = wrongEnd.back() == '\r' ? '\n' : '\r';
        EXPECT_FALSE(bench.line.handleFrame(badChecksum)) << frame;
        EXPECT_FALSE(bench.line.handleFrame(wrongEnd)) << frame;
        EXPECT_FALSE(bench.line.handleFrame(frame.substr(0, 3) + "\r")) << frame;
    }
}

// --- Group commands, addresses, speeds ---------------------------------------------------

TEST(DeviceLine, GroupCommandsObeyPasswordAndCategory) {
    DeviceLineOptions options;
    options.meters = {{1, "Q7K2M", "GROUP", 0}, {2, "Q7K2M", "GROUP", 5}};
    Bench bench(options);
    LinkSettings link = direct();
    link.groupPassword = "GROUP";
    const auto lastGroup = [&](int address) { return bench.yes({meter("Q")}, direct(address)); };
    const auto halfPeakStart = [&](int address) {
        return bench.line.meter(address)->settings().schedule[3][1].halfPeakStart.hours;
    };

    bench.apply({group("B"), GroupTariffStart{5, 1, 9, 0, 4}}, link);  // category 5 only
    EXPECT_EQ(halfPeakStart(1), 7);
    EXPECT_EQ(halfPeakStart(2), 9);
    EXPECT_EQ(lastGroup(1), 0);
    EXPECT_EQ(lastGroup(2), 1);

    bench.apply({group("Z"), SeasonalSwitch{0}}, link);  // every category
    EXPECT_EQ(lastGroup(1), 1);
    EXPECT_FALSE(bench.line.meter(1)->settings().summerTime);

    bench.apply({group("Z"), SeasonalSwitch{1}}, direct());  // wrong group password
    EXPECT_EQ(lastGroup(1), 0);
    EXPECT_EQ(lastGroup(2), 0);
    EXPECT_FALSE(bench.line.meter(2)->settings().summerTime);

    bench.apply({group("P"), Password{"NEWGP"}}, link);
    link.groupPassword = "NEWGP";
    bench.apply({group("Z"), SeasonalSwitch{1}}, link);
    EXPECT_EQ(lastGroup(2), 1);
}

TEST(DeviceLine, ResetClearsReadingsOnlyWithTheJumper) {
    for (const bool jumper : {false, true}) {
        DeviceLineOptions options;
        options.resetJumper = jumper;
        Bench bench(options);
        const double before = bench.energy({meter("E")});
        ASSERT_GT(before, 0);
        bench.apply({group("@")});
        EXPECT_EQ(bench.yes({meter("Q")}), jumper ? 1 : 0);
        EXPECT_EQ(bench.energy({meter("E")}), jumper ? 0 : before);
        EXPECT_EQ(bench.energy({meter("[B"), MonthNumber{5}}) == 0, jumper);
        bench.wall += 24h;  // the registers count again from the reset
        EXPECT_GT(bench.energy({meter("W")}), 0);
    }
}

TEST(DeviceLine, SetAddressAnswersFromTheNewAddress) {
    Bench bench;
    const Result result = bench.send({meter("A"), MeterAddress{7}});
    ASSERT_TRUE(result.reply);
    EXPECT_EQ(result.fault, ReplyFault::None);
    EXPECT_EQ(result.reply->substr(1, 3), "007");
    EXPECT_FALSE(bench.send({meter("S")}, direct(0)).reply);
    EXPECT_EQ(bench.send({meter("S")}, direct(7)).fault, ReplyFault::None);
    EXPECT_NE(bench.line.meter(7), nullptr);
}

TEST(DeviceLine, SpeedChanges) {
    {  // From the port the line follows the meters.
        Bench bench;
        bench.apply({group("S"), LineSpeed{4800}});
        EXPECT_EQ(bench.line.lineBaud(), 4800);
        EXPECT_EQ(bench.send({meter("S")}).fault, ReplyFault::None);
    }
    {  // Through the controller the meters move first and the controller follows.
        Bench bench;
        bench.apply({group("S"), LineSpeed{2400}}, viaController());
        EXPECT_EQ(bench.line.lineBaud(), 9600);
        EXPECT_FALSE(bench.send({meter("S")}, viaController()).reply);
        EXPECT_EQ(bench.send({ctl("S"), LineSpeed{2400}}).fault, ReplyFault::None);
        EXPECT_EQ(bench.line.lineBaud(), 2400);
        EXPECT_EQ(bench.send({meter("S")}, viaController()).fault, ReplyFault::None);
    }
}

TEST(DeviceLine, ControllerReportsItsLastCommand) {
    Bench bench;
    bench.send({ctl("JW"), ModemTimeout{0}});
    EXPECT_EQ(bench.yes({ctl("W")}), 0);
    bench.send({meter("S")}, viaController());
    EXPECT_EQ(bench.yes({ctl("W")}), 1);
    bench.send({meter("S")}, viaController(9));  // nobody at 9
    EXPECT_EQ(bench.yes({ctl("W")}), 0);
    bench.apply({group("Z"), SeasonalSwitch{1}}, viaController());
    EXPECT_EQ(bench.yes({ctl("W")}), 1);
}

TEST(DeviceLine, CardReaderBehindTheControllerAnswersInsideControllerFrames) {
    for (const bool behind : {false, true}) {
        DeviceLineOptions options;
        options.cardReaderBehindController = behind;
        Bench bench(options);
        const Result result = bench.send({card("!2")}, viaController());
        ASSERT_TRUE(result.reply);
        EXPECT_EQ(result.fault, behind ? ReplyFault::None : ReplyFault::WrongControllerFrame);
        if (!behind) {  // a reader straight on the port answers a direct link plainly
            EXPECT_EQ(bench.send({card("!2")}).fault, ReplyFault::None);
        }
    }
}

// --- What the meters measure --------------------------------------------------------------

TEST(DeviceLine, SameOptionsAndTimeGiveTheSameDevices) {
    DeviceLineOptions otherSeed;
    otherSeed.seed = 2;
    Bench first;
    Bench second;
    Bench third(otherSeed);
    // clang-format off
    const std::vector<Call> reads = {{meter("S")}, {meter("E")}, {meter("U")},
        {meter("[L"), MonthNumber{2}}, {meter("MB")}, {meter("\\T")}, {card("!4")},
        {meter("?"), GraphPointQuery{6, 17, 9}}};
    // clang-format on
    for (const Call& call : reads) {
        EXPECT_EQ(first.send(call).reply, second.send(call).reply) << call.index;
    }
    EXPECT_NE(first.send({meter("S")}).reply, third.send({meter("S")}).reply);
    EXPECT_NE(first.send({meter("E")}).reply, third.send({meter("E")}).reply);
}

TEST(DeviceLine, RegistersGrowAndTheGraphAgreesWithThem) {
    Bench bench;
    const std::array codes{"E", "W", "V", "X", "Y", "O", "U"};  // the graph sums the first three
    const auto registers = [&] {
        std::array<double, codes.size()> values{};
        std::ranges::transform(codes, values.begin(),
                               [&](auto c) { return bench.energy({meter(c)}); });
        return values;
    };
    bench.setClock(17, 6, 2025);
    const auto dayStart = registers();
    bench.setClock(18, 6, 2025);
    const auto dayEnd = registers();
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_GE(dayEnd[i], dayStart[i]) << codes[i];
    }

    double graphSum = 0;
    double previous = 0;
    for (int k = 0; k <= 48; ++k) {
        const GraphPointQuery at = k < 48 ? GraphPointQuery{6, 17, k} : GraphPointQuery{6, 18, 0};
        const GraphPoint point = std::get<GraphPoint>(bench.read({meter("?"), at}));
        EXPECT_EQ(point.marker, (6 - 1) % 4) << k;
        const double wrap = 10 * std::pow(10.0, point.exponent);
        if (k > 0) {
            graphSum += std::fmod(point.value - previous + wrap, wrap);
        }
        previous = point.value;
    }
    EXPECT_NEAR(graphSum,
                dayEnd[0] + dayEnd[1] + dayEnd[2] - dayStart[0] - dayStart[1] - dayStart[2], 0.015);
    EXPECT_GT(graphSum, 1);

    // Half-hours still to come, too old, or before a clearing have no record.
    const auto marker = [&](GraphPointQuery at) {
        return std::get<GraphPoint>(bench.read({meter("?"), at})).marker;
    };
    EXPECT_NE(marker({6, 18, 1}), 1);
    EXPECT_NE(marker({1, 17, 10}), 0);
    bench.apply({meter("?I"), GraphClear{}});
    EXPECT_NE(marker({6, 17, 10}), 1);
}

TEST(DeviceLine, MonthReadings) {
    Bench bench;
    bench.setClock(18, 6, 2025, 12);
    const double julyLastYear = bench.energy({meter("[B"), MonthNumber{7}});
    const double mayThisYear = bench.energy({meter("[B"), MonthNumber{5}});
    EXPECT_LT(julyLastYear, mayThisYear);
    EXPECT_LT(mayThisYear, bench.energy({meter("E")}));

    bench.apply({meter("[N"), MonthNumber{6}});
    for (const auto& [reading, total] : std::array<std::pair<const char*, const char*>, 4>{
             {{"[B", "E"}, {"[F", "W"}, {"[L", "V"}, {"[P", "U"}}}) {
        EXPECT_EQ(bench.energy({meter(reading), MonthNumber{6}}), bench.energy({meter(total)}))
            << reading;
    }
}

TEST(DeviceLine, PaymentBalancesShrinkWithConsumption) {
    Bench bench;
    bench.line.meter(0)->setPayment(PaymentRow::OffPeak, 15, 3, 2025, 50);
    EXPECT_EQ(onWire(meter("MF"), bench.read({meter("MF")})),
              onWire(meter("MF"), PaymentBalance{15, 3, 2025, 50}));
    bench.wall += 24h;
    const PaymentBalance later = std::get<PaymentBalance>(bench.read({meter("MF")}));
    EXPECT_LT(later.balance, 50);
    EXPECT_EQ(later.day, 15);
    EXPECT_EQ(std::get<PaymentBalance>(bench.read({meter("MC")})).day, 0);  // no credit
}

// --- The devices' codec against the program's -------------------------------------------

// The records have no operator==: they are compared field by field, the fields counted by
// brace-initialising the aggregate from placeholders.
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
auto fields(const T& t) {
    constexpr std::size_t n = fieldCount<T>();
    static_assert(n >= 1 && n <= 8, "extend fields");
    // clang-format off
    if constexpr (n == 1) { const auto& [a] = t; return std::tie(a); }
    else if constexpr (n == 2) { const auto& [a, b] = t; return std::tie(a, b); }
    else if constexpr (n == 3) { const auto& [a, b, c] = t; return std::tie(a, b, c); }
    else if constexpr (n == 4) { const auto& [a, b, c, d] = t; return std::tie(a, b, c, d); }
    else if constexpr (n == 5) { const auto& [a, b, c, d, e] = t; return std::tie(a, b, c, d, e); }
    else if constexpr (n == 6) {
        const auto& [a, b, c, d, e, f] = t; return std::tie(a, b, c, d, e, f); }
    else if constexpr (n == 7) {
        const auto& [a, b, c, d, e, f, g] = t; return std::tie(a, b, c, d, e, f, g); }
    else { const auto& [a, b, c, d, e, f, g, h] = t; return std::tie(a, b, c, d, e, f, g, h); }
    // clang-format on
}

// Doubles agree to the precision the text carries; arrays and vectors element by element.
template <class T>
bool same(const T& a, const T& b) {
    if constexpr (std::is_floating_point_v<T>) {
        return std::fabs(a - b) <= 1e-9 * std::fmax(1.0, std::fabs(b));
    } else if constexpr (std::is_same_v<T, std::string> || !std::is_class_v<T> ||
                         std::is_empty_v<T>) {
        return a == b;
    } else if constexpr (requires { a.size(); }) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](const auto& x, const auto& y) { return same(x, y); });
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
           std::visit([&]<class R>(const R& x) { return same(x, std::get<R>(b)); }, a);
}

const CardHolidays kHolidays{
    15, {1, 8, 9, 0, 0, 0, 0, 31}, {1, 3, 5, 0, 0, 0, 0, 12}, {0, 1, 0, 0, 0, 0, 0, 1}};
const CardTariffSchedule kSchedule{
    5, {6, 30}, {23, 0}, {{{1, 7, 0, 120}, {0, 12, 15, 0}, {1, 18, 45, 255}}}};

struct RoundTrip {
    int layout;
    LayoutRecord record;
    // What arrives when the text cannot carry all of the record; empty: the record.
    std::optional<LayoutRecord> survives = std::nullopt;
};

// Layouts whose text length follows from the record.
constexpr std::array kVariableRequests{0, 22, 24, 25, 32, 34, 35};

// --- Request parameters: the program's encodeParams, then the device's decodeParams -----

TEST(RequestDecoder, ReadsBackWhatTheProgramWrites) {
    // clang-format off
    const std::vector<RoundTrip> cases = {
        {0, Password{"a1B2c"}}, {0, Password{""}}, {1, CalendarDate{29, 2, 2004}},
        {1, CalendarDate{15, 6, 1950}, CalendarDate{15, 6, 2050}},  // two digits of the year
        {2, TimeOfDay{23, 59, 59}}, {3, GroupTariffStart{99, 7, 6, 30, 12}},
        {4, TariffStartQuery{7, 3}}, {5, GroupPowerThreshold{7, 4.1}},
        {5, GroupPowerThreshold{7, 0.05}, GroupPowerThreshold{7, 0}},
        {5, GroupPowerThreshold{7, 123.4}, GroupPowerThreshold{7, 23.4}},
        {6, SeasonalSwitch{5}, SeasonalSwitch{1}}, {7, LineSpeed{9600}},
        {8, GroupPeakTariff{0, 7, 2, 18, 30, 90, 3, 1}}, {9, PeakIntervalQuery{7, 2, 3}},
        {10, MeterAddress{999}}, {11, ConsumerCategory{4}},
        {12, EnergyThreshold{7, 12345.9}, EnergyThreshold{7, 2345}},
        {13, DisplayModes{{1, 0, 2, 0, 0, 0, 0, -1}, 9}, DisplayModes{{1, 0, 1, 0, 0, 0, 0, 1}, 1}},
        {14, MonthNumber{12}}, {15, OnOffSwitch{0}}, {15, OnOffSwitch{1}}, {16, LoadMode{3}},
        {17, HolidayNumber{16}}, {18, Holiday{3, 8, 3, 1}}, {18, Holiday{16, 31, 12, 0}},
        {19, GraphPointQuery{12, 31, 47}}, {20, CycleTime{60}}, {21, TransformationRatio{1}},
        {21, TransformationRatio{1e15}}, {21, TransformationRatio{3.7}, TransformationRatio{3}},
        {21, TransformationRatio{12345}, TransformationRatio{12400}},
        {22, ModemInitString{"AT&F E0 V1"}}, {23, ModemTimeout{1}},
        {24, RemoteModemCommand{10, "ATDT123"}}, {24, RemoteModemCommand{15, ""}},
        {25, CardRecordIndex{2147483647}}, {26, GraphClear{1, 2}}, {27, AccessKey{0xFFFFFFFF}},
        {28, LineSpeed{9650}, LineSpeed{9600}},
        {29, CardUserSection{9999, 99999999, 0xABCDEF01, 0xFFFF, {1, 0xAB, 0xFF}}},
        {30, CardPaymentSection{0xA5, 0, 15, 6, 2005, {0, 12.5, 99999.999, 0.25}}},
        {31, CardValues{{0, 12.34, 99999.99, 1.5e6}}},
        {31, CardValues{{123456789.0, 0, 0, 0}}, CardValues{{123456700.0, 0, 0, 0}}},
        {32, CardWrite{0x0010, {0x00, 0x7F, 0xFF}}},
        {32, CardWrite{0x0010, std::vector<std::uint8_t>(255, 0xA5)}},
        {33, CardReadRequest{0x1234, 18}, CardReadRequest{0x1234, 2}}, {34, kHolidays},
        {34, CardHolidays{123, {}, {}, {}}}, {35, CardRecordIndex{7}}, {36, kSchedule},
        {37, CardExtraModes{99, 51100, 9999000, 0xC3, {1, 2, 0xFF}, 1500, 1}},
        {37, CardExtraModes{5, 4150, 999, 0, {}, 12345, 0},
             CardExtraModes{5, 4100, 0, 0, {}, 12400, 0}},
        {38, CardActions{0xF00D, 0x1234}, CardActions{0xF00D, 0}},
    };
    // clang-format on
    for (const RoundTrip& c : cases) {
        std::string text;
        ASSERT_TRUE(encodeParams(c.layout, c.record, text)) << "layout " << c.layout;
        SCOPED_TRACE("layout " + std::to_string(c.layout) + " text \"" + text + "\"");
        LayoutRecord decoded;
        EXPECT_TRUE(decodeParams(c.layout, text, decoded));
        EXPECT_TRUE(sameRecord(decoded, c.survives.value_or(c.record)));
        // A text cut short never reads past its end; one of fixed length is refused, and so
        // is one that runs on.
        const bool variable = std::ranges::count(kVariableRequests, c.layout) > 0;
        for (std::size_t n = 0; n < text.size(); ++n) {
            EXPECT_TRUE(!decodeParams(c.layout, text.substr(0, n), decoded) || variable) << n;
        }
        EXPECT_FALSE(decodeParams(c.layout, text + "0", decoded) && !variable);
    }
}

TEST(RequestDecoder, RefusesTextsTheProgramNeverWrites) {
    // clang-format off
    const std::vector<std::pair<int, std::string>> cases = {
        {-1, "0"}, {-2, ""}, {39, "00"},
        {0, "ab\rcd"},   // a line end never belongs in a password
        {1, "7010101"},  // weekday out of range
        {1, "1310401"},  // 31 April
        {1, "1-10101"},  // a sign where digits belong
        {2, "09 507"}, {3, "07306301"} /* one short */, {5, "0704X"}, {6, "y"},
        {8, "00721830090X03"},  // neither peak nor off-peak
        {13, "YNYNYNYNY"}, {16, "t"},
        {21, "001G"},  // the exponent is one hexadecimal digit
        {24, "GATZ"}, {25, ""}, {25, "-1"}, {25, "2147483648"},
        {25, "07"},        // "%d" writes no leading zero
        {27, "0000ab12"},  // "%X" writes upper case
        {32, "001"}, {32, "0010ABC"} /* half a byte */, {32, "0010" + std::string(2 * 256, 'A')},
        {33, "123410"},              // the length goes modulo 16
        {34, std::string(32, '0')},  // no index
        {36, "8063023000700120L121500B184525L"}, {37, "99511C3234Y0102FF15G"},
    };
    // clang-format on
    for (const auto& [layout, text] : cases) {
        LayoutRecord decoded;
        EXPECT_FALSE(decodeParams(layout, text, decoded)) << layout << " \"" << text << "\"";
        EXPECT_EQ(decoded.index(), requestRecordFor(layout).index()) << layout;
    }
}

// --- Replies: the device's encodeReply, then the program's decodeReply -------------------

TEST(ReplyEncoder, ProgramReadsBackWhatTheDeviceWrites) {
    // clang-format off
    const std::vector<RoundTrip> cases = {
        {0, YesNo{1}}, {0, YesNo{0}}, {1, MeterDateTime{7, 23, 59, 59, 29, 2, 2004}},
        {1, MeterDateTime{0, 0, 0, 0, 31, 12, 2070}}, {2, HourMinute{23, 59}},
        {3, ConsumerCategory{99}}, {4, PowerThreshold{4.1}},
        {4, PowerThreshold{0.06}, PowerThreshold{0.1}},  // rounded, not cut
        {5, EnergyValue{9999}}, {6, EnergyValue{123.456}}, {6, EnergyValue{99999.999}},
        {6, EnergyValue{123456789.0}, EnergyValue{123456790.0}},  // exponent 4
        {6, EnergyValue{1e20}, EnergyValue{99999999e6}},          // the largest it holds
        {6, EnergyValue{-5}, EnergyValue{0}}, {7, DeviceVersion{"2A"}},
        {7, DeviceVersion{"1"}, DeviceVersion{"1 "}}, {8, SerialNumber{0xFFFFFFFF, 0xFFFF}},
        {9, PeakInterval{7, 30, 90, 1}}, {10, DisplayModes{{1, 0, 1, 0, 1, 0, 1, 0}, 5}},
        {11, LoadMode{3}}, {12, OnOffSwitch{1}}, {12, OnOffSwitch{0}}, {13, Holiday{0, 8, 3, 1}},
        {13, Holiday{5, 31, 12, 0}, Holiday{0, 31, 12, 0}},  // the number is not sent back
        {14, PaymentBalance{0, 1, 2001, 12.5}}, {14, PaymentBalance{15, 6, 2005, 5e9}},
        {15, GraphPoint{12, 0, 9.999}}, {15, GraphPoint{1, 3, 1234}},
        {15, GraphPoint{1, 0, 12345}, GraphPoint{1, 4, 12350}},  // a larger exponent
        {16, TransformationRatio{15000}}, {16, TransformationRatio{999e9}},
        {18, ModemInitString{"AT&F E0 V1 S0=0"}},
        {18, ModemInitString{std::string(40, 'X')}, ModemInitString{std::string(30, 'X')}},
        {19, ModemTimeout{60}}, {20, CardReaderState{0xA5}},
        {21, CardUserSection{9999, 99999999, 0xABCDEF01, 0xFFFF, {1, 0xAB, 0xFF}}},
        {22, CardPaymentSection{0xA5, 0xC, 15, 6, 2005, {0, 12.5, 99999.999, 0.001}}},
        {23, CardConsumption{31, 1, 1999, {1.001, 2, 3.5, 99999.999}}},
        {24, CardValues{{0, 12.34, 99999.99, 1.5e6}}},
        {24, CardValues{{123456789.0, 1e20, 0, 0}}, CardValues{{123456800.0, 9999999e13, 0, 0}}},
        {25, CardData{15, {0x00, 0x7F, 0xFF}}},
        {25, CardData{4, {1, 2, 3, 4, 5, 6}}, CardData{4, {1, 2, 3, 4}}}, {26, kHolidays},
        {27, kSchedule}, {28, CardExtraModes{99, 51100, 9999000, 0xC3, {1, 2, 0xFF}, 1500, 1}},
        {28, CardExtraModes{0, 0, 0, 0, {}, 999e15, 0}}, {29, CardActions{0xF00D, 0x1234}},
    };
    // clang-format on
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
    // clang-format off
    const std::vector<std::tuple<int, LayoutRecord, std::optional<std::string>>> cases = {
        {-1, YesNo{1}, ""}, {17, std::monostate{}, "Y"}, {17, EnergyValue{1}, "Y"},
        {6, EnergyValue{123.456}, "00123456"}, {6, EnergyValue{100000.0}, "100000001"},
        {14, PaymentBalance{0, 1, 2001, 12.5}, "00010100012500"},
        {16, TransformationRatio{15000}, "1502"},
        {7, DeviceVersion{"\r\n"}, "??"},  // a line end would cut the frame short
        {3, ConsumerCategory{-4}, "00"}, {3, ConsumerCategory{150}, "99"},
        // A record of another layout, or an unknown layout, gives nothing.
        {30, YesNo{1}, std::nullopt}, {-2, YesNo{1}, std::nullopt},
    };
    // clang-format on
    for (const auto& [layout, record, expected] : cases) {
        EXPECT_EQ(encodeReply(layout, record), expected) << "layout " << layout;
    }
    for (int layout = 0; layout < kReplyLayoutCount; ++layout) {
        for (const LayoutRecord& wrong : {LayoutRecord{}, LayoutRecord{Password{"x"}}}) {
            EXPECT_TRUE(layout == 17 || !encodeReply(layout, wrong)) << layout;
        }
    }
}

}  // namespace
}  // namespace quillet::sim
