#include "sim/RequestDecoder.h"

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "protocol/RequestLayouts.h"
#include "protocol/ValueText.h"

namespace quillet::sim {

namespace {

// Exact powers of ten for the exponent digits (one hexadecimal digit reaches 15).
constexpr std::array<double, 16> kPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Reads the fields of one parameter text from left to right. A field that is not there
// or not of its kind marks the whole text as refused and reads as 0, so a layout reads
// all its fields and asks once at the end.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    // `count` decimal digits, as "%0<count>d" writes a value that fits (at most 18).
    std::int64_t digits(std::size_t count) {
        std::int64_t value = 0;
        for (const char c : take(count)) {
            if (c < '0' || c > '9') {
                return refuse();
            }
            value = value * 10 + (c - '0');
        }
        return ok_ ? value : 0;
    }
    int digitsInt(std::size_t count) { return static_cast<int>(digits(count)); }
    // `count` upper-case hexadecimal digits, as "%0<count>X" writes them (at most 8).
    std::uint32_t hex(std::size_t count) {
        std::uint32_t value = 0;
        for (const char c : take(count)) {
            const int digit = c >= 'a' ? -1 : hexDigitValue(c);  // "%X" writes upper case
            if (digit < 0) {
                return static_cast<std::uint32_t>(refuse());
            }
            value = value << 4 | static_cast<std::uint32_t>(digit);
        }
        return ok_ ? value : 0;
    }
    std::uint8_t hexByte() { return static_cast<std::uint8_t>(hex(2)); }
    // One letter of `codes`; its index.
    int letter(std::string_view codes) {
        const std::string_view c = take(1);
        const std::size_t index = c.empty() ? std::string_view::npos : codes.find(c[0]);
        if (index == std::string_view::npos) {
            return static_cast<int>(refuse());
        }
        return static_cast<int>(index);
    }
    // "%d" of a non-negative int filling the next `count` characters: no sign, and no
    // leading zero that "%d" would not write.
    int decimal(std::size_t count) {
        if (count == 0 || count > 10 || (count > 1 && remaining().substr(0, 1) == "0")) {
            return static_cast<int>(refuse());
        }
        const std::int64_t value = digits(count);
        return value > INT_MAX ? static_cast<int>(refuse()) : static_cast<int>(value);
    }
    // The rest of the text as typed text; the program sends printable ASCII only.
    std::string_view text() {
        const std::string_view rest = take(remaining().size());
        for (const char c : rest) {
            if (c < 0x20 || c > 0x7E) {
                refuse();
                return {};
            }
        }
        return rest;
    }
    // The mantissa-and-exponent groups of the ratio and the card values.
    double mantissaExponent(std::size_t mantissaDigits) {
        const double mantissa = static_cast<double>(digits(mantissaDigits));
        return mantissa * kPowersOfTen[hex(1)];
    }

    std::string_view remaining() const { return text_.substr(pos_); }
    bool ok() const { return ok_; }
    std::int64_t refuse() {
        ok_ = false;
        return 0;
    }
    // Every field was there and nothing follows.
    bool complete() const { return ok_ && pos_ == text_.size(); }

private:
    std::string_view take(std::size_t count) {
        if (!ok_ || count > text_.size() - pos_) {
            refuse();
            return {};
        }
        const std::string_view field = text_.substr(pos_, count);
        pos_ += count;
        return field;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// The request writes month + 80 for a flagged holiday.
void readFlaggedMonth(Reader& in, int& month, int& flag) {
    const int value = in.digitsInt(2);
    flag = value >= 80 ? 1 : 0;
    month = flag != 0 ? value - 80 : value;
}

// Two digits of a year, widened by the pivot the replies use, so a date read from a
// request compares with one read from a reply.
int readYear(Reader& in) {
    return fullYear(static_cast<double>(in.digits(2)));
}

// The layouts whose whole text is one "%d" index.
void readIndex(Reader& in, CardRecordIndex& r) {
    r.index = in.decimal(in.remaining().size());
}

struct Layout {
    bool (*decode)(std::string_view text, LayoutRecord& record);
};

// One table row: the record type R that the program's encoder reads for the layout, and
// the reader of its fields.
template <class R, void (*Read)(Reader&, R&)>
constexpr Layout layout() {
    return {[](std::string_view text, LayoutRecord& record) {
        R value{};
        Reader in(text);
        Read(in, value);
        if (!in.complete()) {
            record = R{};
            return false;
        }
        record = std::move(value);
        return true;
    }};
}

// Layouts of a single "%02d" field.
template <class R, int R::*Field>
void readTwoDigits(Reader& in, R& r) {
    r.*Field = in.digitsInt(2);
}

void readPassword(Reader& in, Password& r) {
    r.password = in.text();
}

// The weekday digit comes from the program's four-digit year, which the two digits
// sent cannot always restore (1950 and 2050 share "50"), so it is checked for range
// only. A date that does not exist is refused: the program writes "-1" as its weekday.
void readCalendarDate(Reader& in, CalendarDate& r) {
    const int weekday = in.digitsInt(1);
    r.day = in.digitsInt(2);
    r.month = in.digitsInt(2);
    r.year = readYear(in);
    if (weekday > 6 || !isValidDate(r.day, r.month, r.year)) {
        in.refuse();
    }
}

void readTimeOfDay(Reader& in, TimeOfDay& r) {
    r.hours = in.digitsInt(2);
    r.minutes = in.digitsInt(2);
    r.seconds = in.digitsInt(2);
}

void readGroupTariffStart(Reader& in, GroupTariffStart& r) {
    r.category = in.digitsInt(2);
    r.dayType = in.digitsInt(1);
    r.hours = in.digitsInt(2);
    r.minutes = in.digitsInt(2);
    r.month = in.digitsInt(2);
}

void readTariffStartQuery(Reader& in, TariffStartQuery& r) {
    r.dayType = in.digitsInt(1);
    r.month = in.digitsInt(2);
}

// The text holds tenths of a kW.
void readGroupPowerThreshold(Reader& in, GroupPowerThreshold& r) {
    r.category = in.digitsInt(2);
    r.powerKw = static_cast<double>(in.digits(3)) / 10;
}

void readSeasonalSwitch(Reader& in, SeasonalSwitch& r) {
    r.enabled = in.letter("NY");
}

void readMeterLineSpeed(Reader& in, LineSpeed& r) {
    r.baudRate = in.digitsInt(5);
}

void readGroupPeakTariff(Reader& in, GroupPeakTariff& r) {
    r.category = in.digitsInt(2);
    r.dayType = in.digitsInt(1);
    r.interval = in.digitsInt(1);
    r.hours = in.digitsInt(2);
    r.minutes = in.digitsInt(2);
    r.durationMin = in.digitsInt(3);
    r.isPeak = in.letter("BL");
    r.month = in.digitsInt(2);
}

void readPeakIntervalQuery(Reader& in, PeakIntervalQuery& r) {
    r.dayType = in.digitsInt(1);
    r.interval = in.digitsInt(1);
    r.month = in.digitsInt(2);
}

void readMeterAddress(Reader& in, MeterAddress& r) {
    r.address = in.digitsInt(3);
}

void readEnergyThreshold(Reader& in, EnergyThreshold& r) {
    r.category = in.digitsInt(2);
    r.energyKwh = static_cast<double>(in.digits(4));
}

void readDisplayModes(Reader& in, DisplayModes& r) {
    for (int& mode : r.modes) {
        mode = in.letter("NY");
    }
}

void readOnOff(Reader& in, OnOffSwitch& r) {
    r.on = in.letter("FO");
}

void readLoadMode(Reader& in, LoadMode& r) {
    r.loadMode = in.letter("TOFC");
}

void readHoliday(Reader& in, Holiday& r) {
    r.holidayNumber = in.digitsInt(2);
    r.day = in.digitsInt(2);
    readFlaggedMonth(in, r.month, r.flag);
}

void readGraphPointQuery(Reader& in, GraphPointQuery& r) {
    r.month = in.digitsInt(2);
    r.day = in.digitsInt(2);
    r.halfHour = in.digitsInt(2);
}

void readRatio(Reader& in, TransformationRatio& r) {
    r.ratio = in.mantissaExponent(3);
}

void readInitString(Reader& in, ModemInitString& r) {
    r.initString = in.text();
}

// The controller takes the time-out as one hexadecimal digit (the program's setting
// allows 1..15); everything after it is the remote modem's command line.
void readRemoteModemCommand(Reader& in, RemoteModemCommand& r) {
    r.timeoutMin = static_cast<int>(in.hex(1));
    r.command = in.text();
}

// The second field travels first.
void readGraphClear(Reader& in, GraphClear& r) {
    r.p1 = in.digitsInt(2);
    r.p0 = in.digitsInt(2);
}

void readAccessKey(Reader& in, AccessKey& r) {
    r.key = in.hex(8);
}

// The card reader's speed travels in hundreds of baud.
void readReaderLineSpeed(Reader& in, LineSpeed& r) {
    r.baudRate = in.digitsInt(3) * 100;
}

void readCardUserSection(Reader& in, CardUserSection& r) {
    r.code = in.digitsInt(4);
    r.number = in.digitsInt(8);
    r.idHigh = in.hex(4);
    r.idLow = in.hex(8);
    for (std::uint8_t& byte : r.extra) {
        byte = in.hexByte();
    }
}

// Amounts travel in thousandths.
void readCardPaymentSection(Reader& in, CardPaymentSection& r) {
    r.status = in.hexByte();
    r.day = in.digitsInt(2);
    r.month = in.digitsInt(2);
    r.year = readYear(in);
    for (double& amount : r.amounts) {
        amount = static_cast<double>(in.digits(8)) / 1000;
    }
}

// What the card holds: mantissa x 10^p hundredths.
void readCardValues(Reader& in, CardValues& r) {
    for (double& value : r.values) {
        value = in.mantissaExponent(7) / 100;
    }
}

void readCardWrite(Reader& in, CardWrite& r) {
    r.address = static_cast<std::uint16_t>(in.hex(4));
    while (in.ok() && !in.remaining().empty() && r.data.size() < 256) {
        r.data.push_back(in.hexByte());
    }
    if (r.data.size() > 255) {  // the byte count travels as one byte
        in.refuse();
    }
}

// The program sends the length modulo 16.
void readCardReadRequest(Reader& in, CardReadRequest& r) {
    r.address = static_cast<std::uint16_t>(in.hex(4));
    r.length = in.hexByte();
    if (r.length > 15) {
        in.refuse();
    }
}

// "%d" index, then eight fixed entries of four digits.
void readCardHolidays(Reader& in, CardHolidays& r) {
    constexpr std::size_t kEntriesLength = 8 * 4;
    const std::size_t size = in.remaining().size();
    r.index = in.decimal(size > kEntriesLength ? size - kEntriesLength : 0);
    for (std::size_t i = 0; i < r.day.size(); ++i) {
        r.day[i] = in.digitsInt(2);
        readFlaggedMonth(in, r.month[i], r.flag[i]);
    }
}

void readCardTariffSchedule(Reader& in, CardTariffSchedule& r) {
    r.mode = in.digitsInt(1);
    for (ClockTime* start : {&r.halfPeakStart, &r.offPeakStart}) {
        start->hours = in.digitsInt(2);
        start->minutes = in.digitsInt(2);
    }
    for (CardPeak& peak : r.peaks) {
        peak.hours = in.digitsInt(2);
        peak.minutes = in.digitsInt(2);
        peak.durationMin = in.digitsInt(3);
        peak.isPeak = in.letter("BL");
    }
}

// Power in hundreds of watts, energy in kilowatt-hours.
void readCardExtraModes(Reader& in, CardExtraModes& r) {
    r.code = in.digitsInt(2);
    r.powerW = static_cast<double>(in.digits(3)) * 100;
    r.modeByte = in.hexByte();
    r.energyWh = static_cast<double>(in.digits(4)) * 1000;
    r.enabled = in.letter("NY");
    for (std::uint8_t& option : r.options) {
        option = in.hexByte();
    }
    r.ratio = in.mantissaExponent(3);
}

void readCardActions(Reader& in, CardActions& r) {
    r.actions = static_cast<std::uint16_t>(in.hex(4));
}

constexpr std::array<Layout, kRequestLayoutCount> kLayouts = {
    // 0
    layout<Password, readPassword>(),
    layout<CalendarDate, readCalendarDate>(),
    layout<TimeOfDay, readTimeOfDay>(),
    layout<GroupTariffStart, readGroupTariffStart>(),
    layout<TariffStartQuery, readTariffStartQuery>(),
    // 5
    layout<GroupPowerThreshold, readGroupPowerThreshold>(),
    layout<SeasonalSwitch, readSeasonalSwitch>(),
    layout<LineSpeed, readMeterLineSpeed>(),
    layout<GroupPeakTariff, readGroupPeakTariff>(),
    layout<PeakIntervalQuery, readPeakIntervalQuery>(),
    // 10
    layout<MeterAddress, readMeterAddress>(),
    layout<ConsumerCategory, readTwoDigits<ConsumerCategory, &ConsumerCategory::category>>(),
    layout<EnergyThreshold, readEnergyThreshold>(),
    layout<DisplayModes, readDisplayModes>(),
    layout<MonthNumber, readTwoDigits<MonthNumber, &MonthNumber::month>>(),
    // 15
    layout<OnOffSwitch, readOnOff>(),
    layout<LoadMode, readLoadMode>(),
    layout<HolidayNumber, readTwoDigits<HolidayNumber, &HolidayNumber::holidayNumber>>(),
    layout<Holiday, readHoliday>(),
    layout<GraphPointQuery, readGraphPointQuery>(),
    // 20
    layout<CycleTime, readTwoDigits<CycleTime, &CycleTime::seconds>>(),
    layout<TransformationRatio, readRatio>(),
    layout<ModemInitString, readInitString>(),
    layout<ModemTimeout, readTwoDigits<ModemTimeout, &ModemTimeout::minutes>>(),
    layout<RemoteModemCommand, readRemoteModemCommand>(),
    // 25
    layout<CardRecordIndex, readIndex>(),
    layout<GraphClear, readGraphClear>(),
    layout<AccessKey, readAccessKey>(),
    layout<LineSpeed, readReaderLineSpeed>(),
    layout<CardUserSection, readCardUserSection>(),
    // 30
    layout<CardPaymentSection, readCardPaymentSection>(),
    layout<CardValues, readCardValues>(),
    layout<CardWrite, readCardWrite>(),
    layout<CardReadRequest, readCardReadRequest>(),
    layout<CardHolidays, readCardHolidays>(),
    // 35
    layout<CardRecordIndex, readIndex>(),
    layout<CardTariffSchedule, readCardTariffSchedule>(),
    layout<CardExtraModes, readCardExtraModes>(),
    layout<CardActions, readCardActions>(),
};

}  // namespace

bool decodeParams(int layoutId, std::string_view text, LayoutRecord& record) {
    if (layoutId == -1) {
        record = std::monostate{};
        return text.empty();
    }
    if (layoutId < 0 || layoutId >= kRequestLayoutCount) {
        record = std::monostate{};
        return false;
    }
    return kLayouts[static_cast<std::size_t>(layoutId)].decode(text, record);
}

}  // namespace quillet::sim
