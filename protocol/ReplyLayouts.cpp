#include "protocol/ReplyLayouts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "protocol/ValueText.h"

namespace quillet {

namespace {

// --- Group readings shared by the layouts -------------------------------------------

// Exact powers of ten; a hexadecimal exponent digit reaches 15.
constexpr std::array<double, 16> kPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
// Energies, balances and card amounts carry three decimals on the wire.
constexpr double kMilli = 0.001;
// The highest power threshold a meter accepts, in kW.
constexpr double kMaxPowerKw = 51.1;

double tenToThe(int exponent) {
    return kPowersOfTen[static_cast<std::size_t>(exponent)];
}

// Values are checked as doubles and stored by truncation; callers convert only checked
// values, so the cast never leaves the int range.
int toInt(double value) {
    return static_cast<int>(value);
}

// The strict reading: a non-digit anywhere in the group makes the reply invalid.
std::optional<double> strictDigits(std::string_view text, std::size_t pos, std::size_t count) {
    const double value = readDigits(text, pos, count);
    if (value < 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> strictInt(std::string_view text, std::size_t pos, std::size_t count, int min,
                             int max) {
    const std::optional<double> value = strictDigits(text, pos, count);
    if (!value || *value < min || *value > max) {
        return std::nullopt;
    }
    return toInt(*value);
}

std::optional<int> hexDigit(std::string_view text, std::size_t pos) {
    const int value = pos < text.size() ? hexDigitValue(text[pos]) : -1;
    if (value < 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint8_t> hexByte(std::string_view text, std::size_t pos) {
    const int value = pos + 1 < text.size() ? hexByteValue(text[pos], text[pos + 1]) : -1;
    if (value < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

// Two hexadecimal bytes, high byte first.
std::optional<std::uint16_t> hexWord(std::string_view text, std::size_t pos) {
    const std::optional<std::uint8_t> high = hexByte(text, pos);
    const std::optional<std::uint8_t> low = hexByte(text, pos + 2);
    if (!high || !low) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*high << 8 | *low);
}

// Consecutive hexadecimal bytes, each stored as soon as it is read.
bool readHexBytes(std::string_view text, std::size_t pos, std::span<std::uint8_t> out) {
    for (std::uint8_t& byte : out) {
        const std::optional<std::uint8_t> value = hexByte(text, pos);
        if (!value) {
            return false;
        }
        byte = *value;
        pos += 2;
    }
    return true;
}

// The index of `c` in `codes`: the layouts that answer with one letter per value.
std::optional<int> letterCode(char c, std::string_view codes) {
    const std::size_t index = codes.find(c);
    if (index == std::string_view::npos) {
        return std::nullopt;
    }
    return static_cast<int>(index);
}

// HHMM, lenient, a valid time of day.
std::optional<ClockTime> readHourMinute(std::string_view text, std::size_t pos) {
    const double hours = readDigits(text, pos, 2);
    const double minutes = readDigits(text, pos + 2, 2);
    if (!isValidTime(hours, minutes, 0)) {
        return std::nullopt;
    }
    return ClockTime{toInt(hours), toInt(minutes)};
}

struct Date {
    int day = 0;
    int month = 0;
    int year = 0;  // four digits
};

// DDMMYY, lenient, the year widened to four digits, a real calendar date. Payment
// balances report a day of 0 when nothing was paid; `dayZeroAllowed` checks it as the
// first of the month and keeps the 0.
std::optional<Date> readDate(std::string_view text, std::size_t pos, bool dayZeroAllowed = false) {
    const double day = readDigits(text, pos, 2);
    const double month = readDigits(text, pos + 2, 2);
    const int year = fullYear(readDigits(text, pos + 4, 2));
    const double checkedDay = dayZeroAllowed && day == 0 ? 1 : day;
    if (!isValidDate(checkedDay, month, year)) {
        return std::nullopt;
    }
    return Date{toInt(day), toInt(month), year};
}

// A power threshold of three digits in tenths of a kW.
std::optional<double> readPowerKw(std::string_view text, std::size_t pos) {
    const double kw = readDigits(text, pos, 3) * 0.1;
    if (kw < 0 || kw > kMaxPowerKw) {
        return std::nullopt;
    }
    return kw;
}

// A lenient mantissa followed by one exponent digit (decimal or hexadecimal); neither
// may be missing.
std::optional<double> readMantissaExponent(std::string_view text, std::size_t pos,
                                           std::size_t mantissaDigits, bool hexExponent) {
    const double mantissa = readDigits(text, pos, mantissaDigits);
    const std::size_t exponentPos = pos + mantissaDigits;
    const int exponent = hexExponent ? hexDigit(text, exponentPos).value_or(-1)
                                     : toInt(readDigits(text, exponentPos, 1));
    if (mantissa < 0 || exponent < 0) {
        return std::nullopt;
    }
    return mantissa * tenToThe(exponent);
}

// Newer meters append one strict exponent digit to a value; older ones end before it.
bool applyOptionalExponent(std::string_view text, std::size_t pos, double& value) {
    if (text.size() <= pos) {
        return true;
    }
    const std::optional<double> exponent = strictDigits(text, pos, 1);
    if (!exponent) {
        return false;
    }
    value *= tenToThe(toInt(*exponent));
    return true;
}

// Four strict eight-digit amounts with three decimals, each stored as soon as it is read.
bool readAmounts(std::string_view text, std::size_t pos, std::array<double, 4>& out) {
    for (double& amount : out) {
        const std::optional<double> value = strictDigits(text, pos, 8);
        if (!value) {
            return false;
        }
        amount = *value * kMilli;
        pos += 8;
    }
    return true;
}

// Twelve hexadecimal digits: four of the high part, eight of the low 32 bits.
bool readSerial48(std::string_view text, std::size_t pos, std::uint32_t& high, std::uint32_t& low) {
    return pos <= text.size() && readHex48(text.substr(pos), 12, high, low) && high <= 0xFFFF;
}

// --- One decoder per layout; the payload already has the layout's minimum length -----

bool decodeYesNo(std::string_view p, YesNo& r) {
    const std::optional<int> yes = letterCode(p[0], "NY");
    if (!yes) {
        return false;
    }
    r.yes = *yes;
    return true;
}

bool decodeMeterDateTime(std::string_view p, MeterDateTime& r) {
    const double weekday = readDigits(p, 0, 1);
    const double hours = readDigits(p, 1, 2);
    const double minutes = readDigits(p, 3, 2);
    const double seconds = readDigits(p, 5, 2);
    if (!isValidWeekday(weekday) || !isValidTime(hours, minutes, seconds)) {
        return false;
    }
    const std::optional<Date> date = readDate(p, 7);
    if (!date) {
        return false;
    }
    r = {toInt(weekday), toInt(hours), toInt(minutes), toInt(seconds),
         date->day,      date->month,  date->year};
    return true;
}

bool decodeHourMinute(std::string_view p, HourMinute& r) {
    const std::optional<ClockTime> time = readHourMinute(p, 0);
    if (!time) {
        return false;
    }
    r = {time->hours, time->minutes};
    return true;
}

bool decodeCategory(std::string_view p, ConsumerCategory& r) {
    const std::optional<int> category = strictInt(p, 0, 2, 0, 99);
    if (!category) {
        return false;
    }
    r.category = *category;
    return true;
}

bool decodePowerThreshold(std::string_view p, PowerThreshold& r) {
    const std::optional<double> kw = readPowerKw(p, 0);
    if (!kw) {
        return false;
    }
    r.powerKw = *kw;
    return true;
}

bool decodeEnergyThreshold(std::string_view p, EnergyValue& r) {
    const std::optional<double> kwh = strictDigits(p, 0, 4);
    if (!kwh) {
        return false;
    }
    r.energyKwh = *kwh;
    return true;
}

bool decodeEnergySum(std::string_view p, EnergyValue& r) {
    const double digits = readDigits(p, 0, 8);
    if (digits < 0) {
        // A register the meter does not keep comes as dashes: valid, value untouched.
        return true;
    }
    double kwh = digits * kMilli;
    if (!applyOptionalExponent(p, 8, kwh)) {
        return false;
    }
    r.energyKwh = kwh;
    return true;
}

bool decodeVersion(std::string_view p, DeviceVersion& r) {
    r.version.assign(p.substr(0, 2));
    return true;
}

bool decodeSerialNumber(std::string_view p, SerialNumber& r) {
    std::uint32_t high = 0;
    std::uint32_t low = 0;
    if (!readSerial48(p, 0, high, low)) {
        return false;
    }
    r.serialLow = low;
    r.serialHigh = static_cast<std::int32_t>(high);
    return true;
}

bool decodePeakInterval(std::string_view p, PeakInterval& r) {
    const std::optional<ClockTime> start = readHourMinute(p, 0);
    const double duration = readDigits(p, 4, 3);
    const std::optional<int> isPeak = letterCode(p[7], "BL");
    if (!start || duration < 0 || duration > 255 || !isPeak) {
        return false;
    }
    r = {start->hours, start->minutes, toInt(duration), *isPeak};
    return true;
}

bool decodeDisplayModes(std::string_view p, DisplayModes& r) {
    for (std::size_t i = 0; i < r.modes.size(); ++i) {
        const std::optional<int> shown = letterCode(p[i], "NY");
        if (!shown) {
            return false;
        }
        r.modes[i] = *shown;
    }
    if (p.size() < 10) {
        r.seconds = 1;  // meters without a cycle time setting
        return true;
    }
    const std::optional<int> seconds = strictInt(p, 8, 2, 1, 60);
    if (!seconds) {
        return false;
    }
    r.seconds = *seconds;
    return true;
}

bool decodeLoadMode(std::string_view p, LoadMode& r) {
    const std::optional<int> mode = letterCode(p[0], "TOFC");
    if (!mode) {
        return false;
    }
    r.loadMode = *mode;
    return true;
}

bool decodeOnOff(std::string_view p, OnOffSwitch& r) {
    const std::optional<int> on = letterCode(p[0], "FO");
    if (!on) {
        return false;
    }
    r.on = *on;
    return true;
}

// An unset holiday slot holds garbage; it reads as day and month 0 instead of failing.
bool decodeHoliday(std::string_view p, Holiday& r) {
    const double day = readDigits(p, 0, 2);
    double month = readDigits(p, 2, 2);
    r.holidayNumber = 0;
    r.flag = month >= 80 ? 1 : 0;
    if (r.flag != 0) {
        month -= 80;
    }
    const bool known = isValidDayOfMonth(day, month, 0);
    r.day = known ? toInt(day) : 0;
    r.month = known ? toInt(month) : 0;
    return true;
}

bool decodePaymentBalance(std::string_view p, PaymentBalance& r) {
    const std::optional<Date> date = readDate(p, 0, true);
    const double balance = readDigits(p, 6, 8) * kMilli;
    if (!date || balance < 0) {
        return false;
    }
    r = {date->day, date->month, date->year, balance};
    return applyOptionalExponent(p, 14, r.balance);
}

bool decodeGraphPoint(std::string_view p, GraphPoint& r) {
    const std::optional<int> marker = hexDigit(p, 0);
    const std::optional<double> value = readMantissaExponent(p, 1, 4, false);
    if (!marker || !value) {
        return false;
    }
    r = {*marker, readDigits(p, 5, 1), *value * kMilli};
    return true;
}

bool decodeRatio(std::string_view p, TransformationRatio& r) {
    const std::optional<double> ratio = readMantissaExponent(p, 0, 3, false);
    if (!ratio) {
        return false;
    }
    r.ratio = *ratio;
    return true;
}

// The modem's init string field holds 30 characters.
bool decodeInitString(std::string_view p, ModemInitString& r) {
    if (p.size() > 30) {
        return false;
    }
    r.initString.assign(p);
    return true;
}

bool decodeModemTimeout(std::string_view p, ModemTimeout& r) {
    const std::optional<int> minutes = strictInt(p, 0, 2, 1, 60);
    if (!minutes) {
        return false;
    }
    r.minutes = *minutes;
    return true;
}

bool decodeReaderState(std::string_view p, CardReaderState& r) {
    const std::optional<std::uint8_t> state = hexByte(p, 0);
    if (!state) {
        return false;
    }
    r.state = *state;
    return true;
}

bool decodeCardUser(std::string_view p, CardUserSection& r) {
    const std::optional<int> code = strictInt(p, 0, 4, 0, 9999);
    if (!code) {
        return false;
    }
    r.code = *code;
    const std::optional<int> number = strictInt(p, 4, 8, 0, 99999999);
    if (!number) {
        return false;
    }
    r.number = *number;
    return readSerial48(p, 12, r.idHigh, r.idLow) && readHexBytes(p, 24, r.extra);
}

bool decodeCardPayment(std::string_view p, CardPaymentSection& r) {
    const std::optional<std::uint8_t> status = hexByte(p, 0);
    if (!status) {
        return false;
    }
    r.status = *status;
    const std::optional<Date> date = readDate(p, 2);
    if (!date) {
        return false;
    }
    r.day = date->day;
    r.month = date->month;
    r.year = date->year;
    if (!readAmounts(p, 8, r.amounts)) {
        return false;
    }
    const std::optional<int> flags = hexDigit(p, 40);
    if (!flags) {
        return false;
    }
    r.flags = static_cast<std::uint8_t>(*flags);
    return true;
}

bool decodeCardConsumption(std::string_view p, CardConsumption& r) {
    if (!readAmounts(p, 1, r.values)) {
        return false;
    }
    const std::optional<Date> date = readDate(p, 33);
    if (!date) {
        return false;
    }
    r.day = date->day;
    r.month = date->month;
    r.year = date->year;
    return true;
}

bool decodeCardValues(std::string_view p, CardValues& r) {
    std::size_t pos = 0;
    for (double& value : r.values) {
        const std::optional<double> scaled = readMantissaExponent(p, pos, 7, true);
        if (!scaled) {
            return false;
        }
        value = *scaled * 0.01;
        pos += 8;
    }
    return true;
}

bool decodeCardData(std::string_view p, CardData& r) {
    if (p.size() % 2 != 0 || p.size() / 2 > r.capacity) {
        return false;
    }
    r.data.resize(p.size() / 2);
    return readHexBytes(p, 0, r.data);
}

bool decodeCardHolidays(std::string_view p, CardHolidays& r) {
    const std::optional<int> index = hexDigit(p, 0);
    if (!index) {
        return false;
    }
    r.index = *index;
    for (std::size_t i = 0; i < r.day.size(); ++i) {
        const std::size_t pos = 1 + 4 * i;
        const double day = readDigits(p, pos, 2);
        double month = readDigits(p, pos + 2, 2);
        const bool empty = day == 0 && month == 0;
        const bool flagged = month > 80;
        if (flagged) {
            month -= 80;
        }
        if (!empty && !isValidDayOfMonth(day, month, 0)) {
            return false;
        }
        r.day[i] = toInt(day);
        r.month[i] = toInt(month);
        r.flag[i] = flagged ? 1 : 0;
    }
    return true;
}

bool decodeCardTariffs(std::string_view p, CardTariffSchedule& r) {
    const std::optional<int> mode = hexDigit(p, 0);
    if (!mode || *mode > 7) {
        return false;
    }
    r.mode = *mode;
    const std::optional<ClockTime> halfPeak = readHourMinute(p, 1);
    const std::optional<ClockTime> offPeak = readHourMinute(p, 5);
    if (!halfPeak || !offPeak) {
        return false;
    }
    r.halfPeakStart = *halfPeak;
    r.offPeakStart = *offPeak;
    std::size_t pos = 9;
    for (CardPeak& peak : r.peaks) {
        const std::optional<ClockTime> start = readHourMinute(p, pos);
        const std::optional<int> duration = strictInt(p, pos + 4, 3, 0, 255);
        if (!start || !duration) {
            return false;
        }
        peak = {p[pos + 7] == 'L' ? 1 : 0, start->hours, start->minutes, *duration};
        pos += 8;
    }
    return true;
}

bool decodeCardExtraModes(std::string_view p, CardExtraModes& r) {
    const std::optional<int> code = strictInt(p, 0, 2, 0, 99);
    if (!code) {
        return false;
    }
    r.code = *code;
    const std::optional<double> kw = readPowerKw(p, 2);
    if (!kw) {
        return false;
    }
    r.powerW = *kw * 1000;
    const std::optional<std::uint8_t> modeByte = hexByte(p, 5);
    if (!modeByte) {
        return false;
    }
    r.modeByte = *modeByte;
    const std::optional<double> kwh = strictDigits(p, 7, 4);
    if (!kwh) {
        return false;
    }
    r.energyWh = *kwh * 1000;
    r.enabled = p[11] == 'Y' ? 1 : 0;
    if (!readHexBytes(p, 12, r.options)) {
        return false;
    }
    const std::optional<double> ratio = readMantissaExponent(p, 18, 3, true);
    if (!ratio) {
        return false;
    }
    r.ratio = *ratio;
    return true;
}

bool decodeCardActions(std::string_view p, CardActions& r) {
    const std::optional<std::uint16_t> actions = hexWord(p, 0);
    const std::optional<std::uint16_t> results = hexWord(p, 4);
    if (!actions || !results) {
        return false;
    }
    r = {*actions, *results};
    return true;
}

// --- The layout table -----------------------------------------------------------------

struct ReplyLayout {
    LayoutRecord (*makeRecord)();
    bool (*decode)(std::string_view payload, LayoutRecord* record);
};

// Binds a decoder to its record type and minimum length. An empty record takes the
// layout's type; a record of another type is refused untouched.
template <class Record, std::size_t MinLength, bool (*Decode)(std::string_view, Record&)>
constexpr ReplyLayout layout() {
    return {[]() -> LayoutRecord { return Record{}; },
            [](std::string_view payload, LayoutRecord* record) {
                if (record == nullptr) {
                    return false;
                }
                if (std::holds_alternative<std::monostate>(*record)) {
                    record->emplace<Record>();
                }
                Record* typed = std::get_if<Record>(record);
                return typed != nullptr && payload.size() >= MinLength && Decode(payload, *typed);
            }};
}

// The plain acknowledgement needs no record.
constexpr ReplyLayout kAcknowledgement = {
    []() -> LayoutRecord { return {}; },
    [](std::string_view payload, LayoutRecord*) { return !payload.empty() && payload[0] == 'Y'; }};

constexpr std::array<ReplyLayout, kReplyLayoutCount> kLayouts = {
    layout<YesNo, 1, decodeYesNo>(),
    layout<MeterDateTime, 13, decodeMeterDateTime>(),
    layout<HourMinute, 4, decodeHourMinute>(),
    layout<ConsumerCategory, 2, decodeCategory>(),
    layout<PowerThreshold, 3, decodePowerThreshold>(),
    layout<EnergyValue, 4, decodeEnergyThreshold>(),
    layout<EnergyValue, 8, decodeEnergySum>(),
    layout<DeviceVersion, 2, decodeVersion>(),
    layout<SerialNumber, 12, decodeSerialNumber>(),
    layout<PeakInterval, 8, decodePeakInterval>(),
    layout<DisplayModes, 8, decodeDisplayModes>(),
    layout<LoadMode, 1, decodeLoadMode>(),
    layout<OnOffSwitch, 1, decodeOnOff>(),
    layout<Holiday, 4, decodeHoliday>(),
    layout<PaymentBalance, 14, decodePaymentBalance>(),
    layout<GraphPoint, 6, decodeGraphPoint>(),
    layout<TransformationRatio, 4, decodeRatio>(),
    kAcknowledgement,
    layout<ModemInitString, 0, decodeInitString>(),
    layout<ModemTimeout, 2, decodeModemTimeout>(),
    layout<CardReaderState, 2, decodeReaderState>(),
    layout<CardUserSection, 30, decodeCardUser>(),
    layout<CardPaymentSection, 41, decodeCardPayment>(),
    layout<CardConsumption, 39, decodeCardConsumption>(),
    layout<CardValues, 32, decodeCardValues>(),
    layout<CardData, 2, decodeCardData>(),
    layout<CardHolidays, 33, decodeCardHolidays>(),
    layout<CardTariffSchedule, 33, decodeCardTariffs>(),
    layout<CardExtraModes, 22, decodeCardExtraModes>(),
    layout<CardActions, 8, decodeCardActions>(),
};

const ReplyLayout* findLayout(int layoutId) {
    if (layoutId < 0 || layoutId >= kReplyLayoutCount) {
        return nullptr;
    }
    return &kLayouts[static_cast<std::size_t>(layoutId)];
}

}  // namespace

LayoutRecord replyRecordFor(int layoutId) {
    const ReplyLayout* layout = findLayout(layoutId);
    return layout != nullptr ? layout->makeRecord() : LayoutRecord{};
}

bool decodeReply(int layoutId, LayoutRecord* record, std::string_view payload) {
    if (layoutId == -1) {
        return true;  // a command without a reply
    }
    const ReplyLayout* layout = findLayout(layoutId);
    return layout != nullptr && layout->decode(payload, record);
}

}  // namespace quillet
