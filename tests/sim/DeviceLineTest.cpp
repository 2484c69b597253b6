// The simulated devices driven the way the program drives them: frames from the program's
// frame builder, replies judged by the program's reply check.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "protocol/CommandTable.h"
#include "protocol/Frame.h"
#include "protocol/ReplyCheck.h"
#include "protocol/RequestLayouts.h"
#include "sim/DeviceLine.h"
#include "sim/MeterModel.h"
#include "sim/ReplyEncoder.h"

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
std::size_t group(std::string_view code) {
    return command(DeviceGroup::AllMeters, code);
}
std::size_t meter(std::string_view code) {
    return command(DeviceGroup::OneMeter, code);
}
std::size_t ctl(std::string_view code) {
    return command(DeviceGroup::Controller, code);
}
std::size_t card(std::string_view code) {
    return command(DeviceGroup::CardReader, code);
}

LinkSettings direct(int address = 0) {
    LinkSettings link;
    link.groupPassword = link.privatePassword = "Q7K2M";
    link.address = address;
    link.controllerAddress = '0';
    return link;
}
LinkSettings viaController(int address = 0) {
    LinkSettings link = direct(address);
    link.linkType = 1;
    return link;
}

struct Call {
    Call(std::size_t i, LayoutRecord p = {}) : index(i), params(std::move(p)) {}
    std::size_t index;
    LayoutRecord params;
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

const DeviceLine::WallTime kStart = std::chrono::sys_days{std::chrono::June / 18 / 2025} + 12h;

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
    void setClock(int day, int month, int year, int hours, int minutes) {
        apply({group("D"), CalendarDate{day, month, year}});
        apply({group("C"), TimeOfDay{hours, minutes, 0}});
    }

    DeviceLine::WallTime wall = kStart;
    DeviceLine line;
};

// --- Every command family: a write (or nothing), then a read -------------------------------

struct FamilyRow {
    std::string name;
    std::vector<Call> writes;
    Call read;
    LayoutRecord expected;
};

std::vector<FamilyRow> meterFamilies() {
    const std::array<int, 8> modes{0, 0, 1, 0, 0, 0, 0, 1};
    return {
        {"clock",
         {{group("D"), CalendarDate{15, 6, 2025}}, {group("C"), TimeOfDay{10, 20, 30}}},
         {meter("D")},
         MeterDateTime{0, 10, 20, 30, 15, 6, 2025}},
        {"clock on a holiday",
         {{group("D"), CalendarDate{8, 3, 2025}}, {group("C"), TimeOfDay{}}},
         {meter("D")},
         MeterDateTime{7, 0, 0, 0, 8, 3, 2025}},
        {"summer switch", {{group("Z"), SeasonalSwitch{0}}}, {meter("Z")}, YesNo{0}},
        {"half-peak start",
         {{group("B"), GroupTariffStart{0, 2, 6, 30, 4}}},
         {meter("B"), TariffStartQuery{2, 4}},
         HourMinute{6, 30}},
        {"off-peak start",
         {{group("F"), GroupTariffStart{0, 7, 22, 15, 12}}},
         {meter("F"), TariffStartQuery{7, 12}},
         HourMinute{22, 15}},
        {"peak period",
         {{group("A"), GroupPeakTariff{0, 7, 2, 18, 30, 90, 3, 1}}},
         {meter(">"), PeakIntervalQuery{7, 2, 3}},
         PeakInterval{18, 30, 90, 1}},
        {"holiday",
         {{meter("]W"), Holiday{3, 8, 3, 1}}},
         {meter("]R"), HolidayNumber{3}},
         Holiday{3, 8, 3, 1}},
        {"holiday to all",
         {{group("H"), Holiday{16, 29, 2, 0}}},
         {meter("]R"), HolidayNumber{16}},
         Holiday{16, 29, 2, 0}},
        {"power threshold",
         {{group("L"), GroupPowerThreshold{0, 4.1}}},
         {meter("L")},
         PowerThreshold{4.1}},
        {"energy threshold",
         {{meter("J"), EnergyThreshold{0, 1234}}},
         {meter("I")},
         EnergyValue{1234}},
        {"ratio",
         {{meter("=W"), TransformationRatio{15000}}},
         {meter("=R")},
         TransformationRatio{15000}},
        {"display",
         {{meter("^W"), DisplayModes{modes}}, {meter("^T"), CycleTime{5}}},
         {meter("^S")},
         DisplayModes{modes, 5}},
        {"display to all",
         {{group("IW"), DisplayModes{modes}}, {group("IT"), CycleTime{60}}},
         {meter("^S")},
         DisplayModes{modes, 60}},
        {"single tariff", {{meter("<"), OnOffSwitch{1}}}, {meter("<S")}, OnOffSwitch{1}},
        {"single tariff to all", {{group("M"), OnOffSwitch{1}}}, {meter("<S")}, OnOffSwitch{1}},
        {"penalty tariff", {{meter("_"), OnOffSwitch{1}}}, {meter("_S")}, OnOffSwitch{1}},
        {"load mode", {{meter("G"), LoadMode{3}}}, {meter("GS")}, LoadMode{3}},
        {"category", {{meter("K"), ConsumerCategory{42}}}, {meter("C")}, ConsumerCategory{42}},
        {"self-test", {}, {meter("T")}, YesNo{1}},
        {"group command carried out", {{group("Z"), SeasonalSwitch{1}}}, {meter("Q")}, YesNo{1}},
        {"access key", {{meter("MK"), AccessKey{0xDEADBEEF}}}, {meter("T")}, YesNo{1}},
    };
}

std::vector<FamilyRow> otherFamilies() {
    return {
        {"controller test", {}, {ctl("T")}, YesNo{1}},
        {"controller version", {}, {ctl("V")}, DeviceVersion{"12"}},
        {"init string",
         {{ctl("IW"), ModemInitString{"ATZ&C1"}}},
         {ctl("IR")},
         ModemInitString{"ATZ&C1"}},
        {"init string from ROM",
         {{ctl("IW"), ModemInitString{"ATZ"}}, {ctl("ID")}},
         {ctl("IR")},
         ModemInitString{"AT&F1&B1M3E0Q0&D0"}},
        {"modem time-out", {{ctl("JW"), ModemTimeout{12}}}, {ctl("JR")}, ModemTimeout{12}},
        {"hang up and run", {{ctl("A"), RemoteModemCommand{12, "ATH"}}}, {ctl("W")}, YesNo{1}},
        {"card user section",
         {{card("!3"), CardUserSection{1234, 5678, 0xB2C3D4E5, 0xA1, {1, 2, 3}}}},
         {card("!4")},
         CardUserSection{1234, 5678, 0xB2C3D4E5, 0xA1, {1, 2, 3}}},
        {"card payment",
         {{card("!5"), CardPaymentSection{0x12, 0, 15, 3, 2025, {1.5, 2, 3, 4}}}},
         {card("!6")},
         CardPaymentSection{0x12, 0, 15, 3, 2025, {1.5, 2, 3, 4}}},
        {"card 16 bytes",
         {{card("!8"), CardValues{{12.34, 0, 99999.99, 7}}}},
         {card("!9")},
         CardValues{{12.34, 0, 99999.99, 7}}},
        {"card memory",
         {{card("!A"), CardWrite{0x0100, {0xDE, 0xAD, 0xBE}}}},
         {card("!B"), CardReadRequest{0x0100, 3}},
         CardData{15, {0xDE, 0xAD, 0xBE}}},
        {"card holidays",
         {{card("!E"), CardHolidays{1, {8, 0}, {3, 0}, {1, 0}}}},
         {card("!F"), CardRecordIndex{1}},
         CardHolidays{1, {8, 0}, {3, 0}, {1, 0}}},
        {"card schedule",
         {{card("!C"), CardTariffSchedule{5, {7, 0}, {23, 0}, {{{1, 8, 0, 180}, {}, {}}}}}},
         {card("!D"), CardRecordIndex{5}},
         CardTariffSchedule{5, {7, 0}, {23, 0}, {{{1, 8, 0, 180}, {}, {}}}}},
        {"card extra modes",
         {{card("!G"), CardExtraModes{7, 4100, 500000, 0x5A, {1, 2, 3}, 150, 1}}},
         {card("!H")},
         CardExtraModes{7, 4100, 500000, 0x5A, {1, 2, 3}, 150, 1}},
        {"card actions",
         {{card("!I"), CardActions{0x0A05, 0}}},
         {card("!J")},
         CardActions{0x0A05, 0x0A05}},
    };
}

void checkFamily(const FamilyRow& row, const LinkSettings& link) {
    Bench bench;
    for (const Call& write : row.writes) {
        bench.apply(write, link);
    }
    EXPECT_EQ(onWire(row.read.index, bench.read(row.read, link)),
              onWire(row.read.index, row.expected));
}

TEST(DeviceLine, MeterFamiliesDirectAndThroughTheController) {
    for (const FamilyRow& row : meterFamilies()) {
        SCOPED_TRACE(row.name);
        checkFamily(row, direct());
        checkFamily(row, viaController());
    }
}

TEST(DeviceLine, ControllerAndCardReaderFamilies) {
    for (const FamilyRow& row : otherFamilies()) {
        SCOPED_TRACE(row.name);
        checkFamily(row, direct());
    }
}

// --- Refusals and silence ----------------------------------------------------------------

struct RefusalRow {
    std::string name;
    Call call;
    LinkSettings link;
    std::optional<ReplyFault> fault;  // none: no answer at all
};

TEST(DeviceLine, RefusesOrStaysSilent) {
    LinkSettings wrongPassword = direct();
    wrongPassword.privatePassword = "XXXXX";
    LinkSettings otherController = direct();
    otherController.controllerAddress = '7';
    const std::vector<RefusalRow> rows = {
        {"wrong password", {meter("S")}, wrongPassword, ReplyFault::MeterRefused},
        {"wrong password through the controller",
         {meter("S")},
         [&] {
             LinkSettings link = wrongPassword;
             link.linkType = 1;
             return link;
         }(),
         ReplyFault::MeterRefused},
        {"other address", {meter("S")}, direct(5), std::nullopt},
        {"other address through the controller", {meter("S")}, viaController(5), std::nullopt},
        {"holiday 17", {meter("]R"), HolidayNumber{17}}, direct(), ReplyFault::MeterRefused},
        {"month 13", {meter("[B"), MonthNumber{13}}, direct(), ReplyFault::MeterRefused},
        {"cycle of 61 s", {meter("^T"), CycleTime{61}}, direct(), ReplyFault::MeterRefused},
        {"30 February in the graph",
         {meter("?"), GraphPointQuery{2, 30, 0}},
         direct(),
         ReplyFault::MeterRefused},
        {"half-hour 48",
         {meter("?"), GraphPointQuery{6, 1, 48}},
         direct(),
         ReplyFault::MeterRefused},
        {"energy threshold of another category",
         {meter("J"), EnergyThreshold{5, 100}},
         direct(),
         ReplyFault::MeterRefused},
        {"modem time-out 61",
         {ctl("JW"), ModemTimeout{61}},
         direct(),
         ReplyFault::ControllerRefused},
        {"init string of 31",
         {ctl("IW"), ModemInitString{std::string(31, 'A')}},
         direct(),
         ReplyFault::ControllerRefused},
        {"unknown speed", {ctl("S"), LineSpeed{1000}}, direct(), ReplyFault::ControllerRefused},
        {"other controller", {ctl("T")}, otherController, std::nullopt},
        {"card memory past its end",
         {card("!B"), CardReadRequest{0xFFF0, 4}},
         direct(),
         ReplyFault::MeterRefused},
        {"card schedule 8", {card("!D"), CardRecordIndex{8}}, direct(), ReplyFault::MeterRefused},
    };
    for (const RefusalRow& row : rows) {
        Bench bench;
        const Result result = bench.send(row.call, row.link);
        EXPECT_EQ(result.reply.has_value(), row.fault.has_value()) << row.name;
        if (row.fault && result.reply) {
            EXPECT_EQ(result.fault, *row.fault) << row.name << " " << *result.reply;
        }
    }
}

TEST(DeviceLine, ControllerRefusalIsSevenCharactersWithN) {
    Bench bench;
    const Result result = bench.send({ctl("JW"), ModemTimeout{0}});
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

// --- Group commands ----------------------------------------------------------------------

TEST(DeviceLine, GroupCommandsObeyPasswordAndCategory) {
    DeviceLineOptions options;
    options.meters = {{1, "AAAAA", "GROUP", 0}, {2, "BBBBB", "GROUP", 5}};
    Bench bench(options);
    LinkSettings link = direct();
    link.groupPassword = "GROUP";
    const auto lastGroup = [&](int address, std::string password) {
        LinkSettings to = direct(address);
        to.privatePassword = password;
        return std::get<YesNo>(bench.read({meter("Q")}, to)).yes;
    };
    const auto halfPeakStart = [&](int address) {
        return bench.line.meter(address)->settings().schedule[3][1].halfPeakStart.hours;
    };

    bench.apply({group("B"), GroupTariffStart{5, 1, 9, 0, 4}}, link);  // category 5 only
    EXPECT_EQ(halfPeakStart(1), 7);
    EXPECT_EQ(halfPeakStart(2), 9);
    EXPECT_EQ(lastGroup(1, "AAAAA"), 0);
    EXPECT_EQ(lastGroup(2, "BBBBB"), 1);

    bench.apply({group("Z"), SeasonalSwitch{0}}, link);  // every category
    EXPECT_EQ(lastGroup(1, "AAAAA"), 1);
    EXPECT_FALSE(bench.line.meter(1)->settings().summerTime);

    bench.apply({group("Z"), SeasonalSwitch{1}}, direct());  // wrong group password
    EXPECT_EQ(lastGroup(1, "AAAAA"), 0);
    EXPECT_EQ(lastGroup(2, "BBBBB"), 0);
    EXPECT_FALSE(bench.line.meter(2)->settings().summerTime);

    bench.apply({group("P"), Password{"NEWGP"}}, link);
    link.groupPassword = "NEWGP";
    bench.apply({group("Z"), SeasonalSwitch{1}}, link);
    EXPECT_EQ(lastGroup(2, "BBBBB"), 1);
}

TEST(DeviceLine, ResetClearsReadingsOnlyWithTheJumper) {
    for (const bool jumper : {false, true}) {
        DeviceLineOptions options;
        options.resetJumper = jumper;
        Bench bench(options);
        const double before = bench.energy({meter("E")});
        ASSERT_GT(before, 0);
        bench.apply({group("@")});
        EXPECT_EQ(std::get<YesNo>(bench.read({meter("Q")})).yes, jumper ? 1 : 0);
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
        const Result ack = bench.send({ctl("S"), LineSpeed{2400}});
        EXPECT_EQ(ack.fault, ReplyFault::None);
        EXPECT_EQ(bench.line.lineBaud(), 2400);
        EXPECT_EQ(bench.send({meter("S")}, viaController()).fault, ReplyFault::None);
    }
}

TEST(DeviceLine, ControllerReportsItsLastCommand) {
    Bench bench;
    const auto last = [&] { return std::get<YesNo>(bench.read({ctl("W")})).yes; };
    bench.send({ctl("JW"), ModemTimeout{0}});
    EXPECT_EQ(last(), 0);
    bench.send({meter("S")}, viaController());
    EXPECT_EQ(last(), 1);
    bench.send({meter("S")}, viaController(9));  // nobody at 9
    EXPECT_EQ(last(), 0);
    bench.apply({group("Z"), SeasonalSwitch{1}}, viaController());
    EXPECT_EQ(last(), 1);
}

// --- What the meters measure --------------------------------------------------------------

TEST(DeviceLine, SameOptionsAndTimeGiveTheSameDevices) {
    const std::vector<Call> reads = {
        {meter("S")},  {meter("E")},   {meter("U")}, {meter("[L"), MonthNumber{2}},
        {meter("MB")}, {meter("\\T")}, {card("!4")}, {meter("?"), GraphPointQuery{6, 17, 9}}};
    Bench first;
    Bench second;
    DeviceLineOptions otherSeed;
    otherSeed.seed = 2;
    Bench third(otherSeed);
    for (const Call& call : reads) {
        EXPECT_EQ(first.send(call).reply, second.send(call).reply) << call.index;
    }
    EXPECT_NE(first.send({meter("S")}).reply, third.send({meter("S")}).reply);
    EXPECT_NE(first.send({meter("E")}).reply, third.send({meter("E")}).reply);
}

TEST(DeviceLine, RegistersGrowWithDeviceTime) {
    Bench bench;
    std::vector<double> before;
    for (std::string_view code : {"E", "X", "W", "Y", "V", "O", "U"}) {
        before.push_back(bench.energy({meter(code)}));
    }
    bench.wall += 7 * 24h;
    double grown = 0;
    std::size_t i = 0;
    for (std::string_view code : {"E", "X", "W", "Y", "V", "O", "U"}) {
        const double now = bench.energy({meter(code)});
        EXPECT_GE(now, before[i++]) << code;
        grown += now;
    }
    EXPECT_GT(grown, std::accumulate(before.begin(), before.end(), 0.0) + 10);
}

TEST(DeviceLine, GraphAgreesWithTheRegisters) {
    Bench bench;
    const auto allEnergy = [&] {
        return bench.energy({meter("E")}) + bench.energy({meter("W")}) + bench.energy({meter("V")});
    };
    bench.setClock(17, 6, 2025, 0, 0);
    const double dayStart = allEnergy();
    bench.setClock(18, 6, 2025, 0, 0);
    const double dayEnd = allEnergy();

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
    EXPECT_NEAR(graphSum, dayEnd - dayStart, 0.015);
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
    bench.setClock(18, 6, 2025, 12, 0);
    const double julyLastYear = bench.energy({meter("[B"), MonthNumber{7}});
    const double mayThisYear = bench.energy({meter("[B"), MonthNumber{5}});
    EXPECT_LT(julyLastYear, mayThisYear);
    EXPECT_LT(mayThisYear, bench.energy({meter("E")}));

    bench.apply({meter("[N"), MonthNumber{6}});
    const std::array<std::pair<std::string_view, std::string_view>, 4> rows{
        {{"[B", "E"}, {"[F", "W"}, {"[L", "V"}, {"[P", "U"}}};
    for (const auto& [reading, total] : rows) {
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

TEST(DeviceLine, CardReaderBehindTheControllerAnswersInsideControllerFrames) {
    for (const bool behind : {false, true}) {
        DeviceLineOptions options;
        options.cardReaderBehindController = behind;
        Bench bench(options);
        const Result result = bench.send({card("!2")}, viaController());
        ASSERT_TRUE(result.reply);
        EXPECT_EQ(result.fault, behind ? ReplyFault::None : ReplyFault::WrongControllerFrame);
        // A reader straight on the port answers a direct link plainly.
        if (!behind) {
            EXPECT_EQ(bench.send({card("!2")}).fault, ReplyFault::None);
        }
    }
}

}  // namespace
}  // namespace quillet::sim
