#include "sim/MeterCommands.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "protocol/ValueText.h"

namespace quillet::sim {

namespace {

using Entry = CommandEntry<MeterModel>;

bool inRange(double value, double low, double high) {
    return value >= low && value <= high;
}

bool isValidPassword(std::string_view text) {
    return text.size() == kPasswordLength && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) != 0;
           });
}

bool isValidClockTime(int hours, int minutes) {
    return inRange(hours, 0, 23) && inRange(minutes, 0, 59);
}

// The schedule of a month and day type; null for numbers outside them.
DaySchedule* scheduleOf(MeterModel& meter, int month, int dayType) {
    if (!inRange(month, 1, 12) || !inRange(dayType, 0, kDayTypeCount - 1)) {
        return nullptr;
    }
    return &meter.settings()
                .schedule[static_cast<std::size_t>(month - 1)][static_cast<std::size_t>(dayType)];
}

bool ofMyCategory(const MeterModel& meter, int category) {
    return category == meter.settings().category;
}

// --- Settings shared by the group and the individual commands --------------------------

Reply setDisplayModes(MeterModel& meter, const LayoutRecord& params) {
    const std::array<int, 8>& modes = as<DisplayModes>(params).modes;
    std::transform(modes.begin(), modes.end(), meter.settings().displayModes.begin(),
                   [](int mode) { return mode != 0 ? 1 : 0; });
    return acknowledge();
}

Reply setCycleTime(MeterModel& meter, const LayoutRecord& params) {
    const int seconds = as<CycleTime>(params).seconds;
    if (!inRange(seconds, 1, 60)) {
        return refuse();
    }
    meter.settings().displayCycleSeconds = seconds;
    return acknowledge();
}

Reply setHoliday(MeterModel& meter, const LayoutRecord& params) {
    const Holiday& h = as<Holiday>(params);
    const bool empty = h.day == 0 && h.month == 0;
    if (!inRange(h.holidayNumber, 1, kHolidayCount) ||
        !(empty || isValidDayOfMonth(h.day, h.month, 0))) {
        return refuse();
    }
    meter.settings().holidays[static_cast<std::size_t>(h.holidayNumber - 1)] = {h.day, h.month,
                                                                                empty ? 0 : h.flag};
    return acknowledge();
}

template <bool MeterSettings::*Switch>
Reply readSwitch(MeterModel& meter, const LayoutRecord&) {
    return OnOffSwitch{meter.settings().*Switch ? 1 : 0};
}

template <bool MeterSettings::*Switch>
Reply setSwitch(MeterModel& meter, const LayoutRecord& params) {
    meter.settings().*Switch = as<OnOffSwitch>(params).on != 0;
    return acknowledge();
}

template <std::string MeterSettings::*Field>
Reply setPassword(MeterModel& meter, const LayoutRecord& params) {
    const std::string& password = as<Password>(params).password;
    if (!isValidPassword(password)) {
        return refuse();
    }
    meter.settings().*Field = password;
    return acknowledge();
}

// --- Group commands ---------------------------------------------------------------------

Reply setDate(MeterModel& meter, const LayoutRecord& params) {
    const CalendarDate& date = as<CalendarDate>(params);
    const int year = date.year < 100 ? fullYear(date.year) : date.year;
    if (!dateExists(date.day, date.month, year)) {
        return refuse();
    }
    meter.setDate(date.day, date.month, year);
    return acknowledge();
}

Reply setTime(MeterModel& meter, const LayoutRecord& params) {
    const TimeOfDay& time = as<TimeOfDay>(params);
    if (!isValidClockTime(time.hours, time.minutes) || !inRange(time.seconds, 0, 59)) {
        return refuse();
    }
    meter.setTime(time.hours, time.minutes, time.seconds);
    return acknowledge();
}

template <HourMinute DaySchedule::*Start>
Reply setTariffStart(MeterModel& meter, const LayoutRecord& params) {
    const GroupTariffStart& p = as<GroupTariffStart>(params);
    DaySchedule* day = scheduleOf(meter, p.month, p.dayType);
    if (!ofMyCategory(meter, p.category) || day == nullptr ||
        !isValidClockTime(p.hours, p.minutes)) {
        return refuse();
    }
    day->*Start = {p.hours, p.minutes};
    return acknowledge();
}

Reply setPeak(MeterModel& meter, const LayoutRecord& params) {
    const GroupPeakTariff& p = as<GroupPeakTariff>(params);
    DaySchedule* day = scheduleOf(meter, p.month, p.dayType);
    if (!ofMyCategory(meter, p.category) || day == nullptr || !inRange(p.interval, 1, 3) ||
        !isValidClockTime(p.hours, p.minutes) || !inRange(p.durationMin, 0, 255)) {
        return refuse();
    }
    day->peaks[static_cast<std::size_t>(p.interval - 1)] = {p.hours, p.minutes, p.durationMin,
                                                            p.isPeak != 0 ? 1 : 0};
    return acknowledge();
}

Reply setPowerThreshold(MeterModel& meter, const LayoutRecord& params) {
    const GroupPowerThreshold& p = as<GroupPowerThreshold>(params);
    if (!ofMyCategory(meter, p.category) || !inRange(p.powerKw, 0, 51.1 + 1e-9)) {
        return refuse();
    }
    meter.settings().powerThresholdKw = std::round(p.powerKw * 10) / 10;
    return acknowledge();
}

Reply setSeasonalSwitch(MeterModel& meter, const LayoutRecord& params) {
    meter.settings().summerTime = as<SeasonalSwitch>(params).enabled != 0;
    return acknowledge();
}

Reply setLineSpeed(MeterModel& meter, const LayoutRecord& params) {
    const int baud = as<LineSpeed>(params).baudRate;
    if (!isLineSpeed(baud)) {
        return refuse();
    }
    meter.settings().baud = baud;
    return acknowledge();
}

Reply resetReadings(MeterModel& meter, const LayoutRecord&) {
    if (!meter.resetJumper()) {
        return refuse();
    }
    meter.resetReadings();
    return acknowledge();
}

const std::array<Entry, 14> kGroupCommands{{
    {"P", &setPassword<&MeterSettings::groupPassword>},
    {"D", &setDate},
    {"C", &setTime},
    {"B", &setTariffStart<&DaySchedule::halfPeakStart>},
    {"F", &setTariffStart<&DaySchedule::offPeakStart>},
    {"L", &setPowerThreshold},
    {"Z", &setSeasonalSwitch},
    {"S", &setLineSpeed},
    {"A", &setPeak},
    {"@", &resetReadings},
    {"IW", &setDisplayModes},
    {"IT", &setCycleTime},
    {"M", &setSwitch<&MeterSettings::singleTariff>},
    {"H", &setHoliday},
}};

// --- Individual commands ----------------------------------------------------------------

Reply setAddress(MeterModel& meter, const LayoutRecord& params) {
    const int address = as<MeterAddress>(params).address;
    if (!inRange(address, 0, 999)) {
        return refuse();
    }
    meter.settings().address = address;
    return acknowledge();
}

Reply setCategory(MeterModel& meter, const LayoutRecord& params) {
    const int category = as<ConsumerCategory>(params).category;
    if (!inRange(category, 0, 99)) {
        return refuse();
    }
    meter.settings().category = category;
    return acknowledge();
}

Reply selfTest(MeterModel&, const LayoutRecord&) {
    return YesNo{1};
}

Reply setEnergyThreshold(MeterModel& meter, const LayoutRecord& params) {
    const EnergyThreshold& p = as<EnergyThreshold>(params);
    if (!ofMyCategory(meter, p.category) || !inRange(p.energyKwh, 0, 9999)) {
        return refuse();
    }
    meter.settings().energyThresholdKwh = static_cast<int>(p.energyKwh);
    return acknowledge();
}

Reply lastGroupCommand(MeterModel& meter, const LayoutRecord&) {
    return YesNo{meter.settings().lastGroupExecuted ? 1 : 0};
}

Reply readClock(MeterModel& meter, const LayoutRecord&) {
    return meter.dateTimeAt(meter.now());
}

template <HourMinute DaySchedule::*Start>
Reply readTariffStart(MeterModel& meter, const LayoutRecord& params) {
    const TariffStartQuery& q = as<TariffStartQuery>(params);
    const DaySchedule* day = scheduleOf(meter, q.month, q.dayType);
    return day != nullptr ? Reply(day->*Start) : refuse();
}

Reply readPeak(MeterModel& meter, const LayoutRecord& params) {
    const PeakIntervalQuery& q = as<PeakIntervalQuery>(params);
    const DaySchedule* day = scheduleOf(meter, q.month, q.dayType);
    if (day == nullptr || !inRange(q.interval, 1, 3)) {
        return refuse();
    }
    return day->peaks[static_cast<std::size_t>(q.interval - 1)];
}

Reply readCategory(MeterModel& meter, const LayoutRecord&) {
    return ConsumerCategory{meter.settings().category};
}

Reply readPowerThreshold(MeterModel& meter, const LayoutRecord&) {
    return PowerThreshold{meter.settings().powerThresholdKw};
}

Reply readEnergyThreshold(MeterModel& meter, const LayoutRecord&) {
    return EnergyValue{static_cast<double>(meter.settings().energyThresholdKwh)};
}

template <EnergyRegister Register>
Reply readRegister(MeterModel& meter, const LayoutRecord&) {
    return EnergyValue{at(meter.totals(), Register)};
}

Reply readVersion(MeterModel& meter, const LayoutRecord&) {
    return DeviceVersion{std::string(meter.version())};
}

Reply readSeasonalSwitch(MeterModel& meter, const LayoutRecord&) {
    return YesNo{meter.settings().summerTime ? 1 : 0};
}

Reply readSerial(MeterModel& meter, const LayoutRecord&) {
    const std::uint64_t serial = meter.serialNumber();
    return SerialNumber{static_cast<std::uint32_t>(serial & 0xFFFF'FFFFu),
                        static_cast<std::int32_t>(serial >> 32)};
}

template <MeterEvent Event>
Reply readEvent(MeterModel& meter, const LayoutRecord&) {
    return meter.dateTimeAt(meter.eventTime(Event));
}

Reply readDisplayModes(MeterModel& meter, const LayoutRecord&) {
    return DisplayModes{meter.settings().displayModes, meter.settings().displayCycleSeconds};
}

template <ReadingRow Row>
Reply readMonthReading(MeterModel& meter, const LayoutRecord& params) {
    const int month = as<MonthNumber>(params).month;
    if (!inRange(month, 1, 12)) {
        return refuse();
    }
    return EnergyValue{meter.monthReadings(month)[static_cast<std::size_t>(Row)]};
}

Reply fixReadings(MeterModel& meter, const LayoutRecord& params) {
    const int month = as<MonthNumber>(params).month;
    if (!inRange(month, 1, 12)) {
        return refuse();
    }
    meter.fixReadings(month);
    return acknowledge();
}

Reply readLoadMode(MeterModel& meter, const LayoutRecord&) {
    return LoadMode{meter.settings().loadMode};
}

Reply setLoadMode(MeterModel& meter, const LayoutRecord& params) {
    const int mode = as<LoadMode>(params).loadMode;
    if (!inRange(mode, 0, 3)) {
        return refuse();
    }
    meter.settings().loadMode = mode;
    return acknowledge();
}

Reply readHoliday(MeterModel& meter, const LayoutRecord& params) {
    const int number = as<HolidayNumber>(params).holidayNumber;
    if (!inRange(number, 1, kHolidayCount)) {
        return refuse();
    }
    const HolidayEntry& h = meter.settings().holidays[static_cast<std::size_t>(number - 1)];
    return Holiday{number, h.day, h.month, h.flag};
}

template <PaymentRow Row>
Reply readPayment(MeterModel& meter, const LayoutRecord&) {
    return meter.payment(Row);
}

Reply readGraph(MeterModel& meter, const LayoutRecord& params) {
    const GraphPointQuery& q = as<GraphPointQuery>(params);
    if (!isValidDayOfMonth(q.day, q.month, 0) || !inRange(q.halfHour, 0, 47)) {
        return refuse();
    }
    return meter.graphPoint(q.month, q.day, q.halfHour);
}

Reply readRatio(MeterModel& meter, const LayoutRecord&) {
    return TransformationRatio{meter.settings().transformationRatio};
}

Reply setRatio(MeterModel& meter, const LayoutRecord& params) {
    const double ratio = as<TransformationRatio>(params).ratio;
    if (!inRange(ratio, 1, 9.99e11)) {
        return refuse();
    }
    meter.settings().transformationRatio = ratio;
    return acknowledge();
}

Reply setAccessKey(MeterModel& meter, const LayoutRecord& params) {
    meter.settings().accessKey = as<AccessKey>(params).key;
    return acknowledge();
}

Reply clearGraph(MeterModel& meter, const LayoutRecord&) {
    meter.clearGraph();
    return acknowledge();
}

const std::array<Entry, 51> kMeterCommands{{
    {"A", &setAddress},
    {"P", &setPassword<&MeterSettings::privatePassword>},
    {"K", &setCategory},
    {"T", &selfTest},
    {"J", &setEnergyThreshold},
    {"Q", &lastGroupCommand},
    {"D", &readClock},
    {"B", &readTariffStart<&DaySchedule::halfPeakStart>},
    {"F", &readTariffStart<&DaySchedule::offPeakStart>},
    {"C", &readCategory},
    {"L", &readPowerThreshold},
    {"I", &readEnergyThreshold},
    {"E", &readRegister<EnergyRegister::HalfPeak>},
    {"X", &readRegister<EnergyRegister::HalfPeakExcess>},
    {"W", &readRegister<EnergyRegister::OffPeak>},
    {"Y", &readRegister<EnergyRegister::OffPeakExcess>},
    {"V", &readRegister<EnergyRegister::Peak>},
    {"O", &readRegister<EnergyRegister::PeakExcess>},
    {"U", &readRegister<EnergyRegister::Penalty>},
    {"R", &readVersion},
    {"Z", &readSeasonalSwitch},
    {"S", &readSerial},
    {"\\T", &readEvent<MeterEvent::CoverOpened>},
    {"\\P", &readEvent<MeterEvent::PowerOn>},
    {"\\F", &readEvent<MeterEvent::PowerOff>},
    {">", &readPeak},
    {"^S", &readDisplayModes},
    {"^W", &setDisplayModes},
    {"^T", &setCycleTime},
    {"[B", &readMonthReading<ReadingRow::HalfPeak>},
    {"[F", &readMonthReading<ReadingRow::OffPeak>},
    {"[L", &readMonthReading<ReadingRow::Peak>},
    {"[P", &readMonthReading<ReadingRow::Penalty>},
    {"[N", &fixReadings},
    {"GS", &readLoadMode},
    {"G", &setLoadMode},
    {"_S", &readSwitch<&MeterSettings::penaltyTariff>},
    {"_", &setSwitch<&MeterSettings::penaltyTariff>},
    {"]R", &readHoliday},
    {"]W", &setHoliday},
    {"MB", &readPayment<PaymentRow::HalfPeak>},
    {"MF", &readPayment<PaymentRow::OffPeak>},
    {"ML", &readPayment<PaymentRow::Peak>},
    {"MC", &readPayment<PaymentRow::Credit>},
    {"?", &readGraph},
    {"<S", &readSwitch<&MeterSettings::singleTariff>},
    {"<", &setSwitch<&MeterSettings::singleTariff>},
    {"=R", &readRatio},
    {"=W", &setRatio},
    {"MK", &setAccessKey},
    {"?I", &clearGraph},
}};

}  // namespace

Served serveMeterCommand(MeterModel& meter, std::string_view text) {
    if (text.size() <= kPasswordLength) {
        return unknownCommand("", {});
    }
    if (text.substr(0, kPasswordLength) != meter.settings().privatePassword) {
        return {std::string(text.substr(kPasswordLength, 1)), false, "N"};
    }
    return serveCommand(meter, kMeterCommands, DeviceGroup::OneMeter, text.substr(kPasswordLength));
}

Served runGroupCommand(MeterModel& meter, std::string_view text) {
    Served served;
    if (text.substr(0, kPasswordLength) == meter.settings().groupPassword) {
        served = serveCommand(meter, kGroupCommands, DeviceGroup::AllMeters,
                              text.substr(kPasswordLength));
    }
    meter.settings().lastGroupExecuted = served.executed;
    return served;
}

}  // namespace quillet::sim
