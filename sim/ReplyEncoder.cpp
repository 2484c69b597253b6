#include "sim/ReplyEncoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <utility>
#include <variant>

#include "protocol/ReplyLayouts.h"

namespace quillet::sim {

namespace {

// Exact powers of ten; a hexadecimal exponent digit reaches 15.
constexpr std::array<double, 16> kPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The largest value `width` digits of `base` hold (width at most 15).
std::int64_t fieldMax(int width, std::int64_t base) {
    std::int64_t max = 1;
    for (int i = 0; i < width; ++i) {
        max *= base;
    }
    return max - 1;
}

std::int64_t clamped(std::int64_t value, std::int64_t max) {
    return value < 0 ? 0 : value > max ? max : value;
}

// A double to the nearest whole number in 0..max; NaN and negatives give 0.
std::int64_t roundedInto(double value, std::int64_t max) {
    if (!(value > 0)) {
        return 0;
    }
    if (value >= static_cast<double>(max)) {
        return max;
    }
    return std::min(static_cast<std::int64_t>(std::llround(value)), max);
}

// Appends the fields of one payload. A value that does not fit its field is clamped to
// it, as a device with a fixed-width register would send it.
class Writer {
public:
    Writer& dec(std::int64_t value, int width) {
        char buf[24];
        return put(buf, std::snprintf(buf, sizeof buf, "%0*lld", width,
                                      static_cast<long long>(clamped(value, fieldMax(width, 10)))));
    }
    Writer& hex(std::int64_t value, int width) {
        char buf[24];
        return put(buf, std::snprintf(
                            buf, sizeof buf, "%0*llX", width,
                            static_cast<unsigned long long>(clamped(value, fieldMax(width, 16)))));
    }
    // `value` scaled into whole units of the field, rounded to the nearest.
    Writer& scaled(double value, double unitsPerValue, int width) {
        return dec(roundedInto(value * unitsPerValue, fieldMax(width, 10)), width);
    }
    Writer& letter(int value, char yes, char no) {
        out_ += value != 0 ? yes : no;
        return *this;
    }
    // The letter of `codes` at `index`, the nearest one for an index outside them.
    Writer& code(int index, std::string_view codes) {
        out_ += codes[static_cast<std::size_t>(
            clamped(index, static_cast<std::int64_t>(codes.size()) - 1))];
        return *this;
    }
    // Exactly `width` characters of text (padded with blanks, cut when longer); anything
    // outside printable ASCII would break the frame, so it goes as '?'.
    Writer& text(std::string_view value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) {
            const char c = i < value.size() ? value[i] : ' ';
            out_ += c >= 0x20 && c <= 0x7E ? c : '?';
        }
        return *this;
    }
    // `units` as a mantissa of `digits` digits times 10^e, with the smallest e in
    // firstExponent..maxExponent that fits, so only the least significant digits are lost.
    // The exponent is one digit, hexadecimal when maxExponent > 9; an exponent of 0 is
    // left out when `optionalZero` (older meters end there).
    Writer& mantissaExponent(double units, int digits, int maxExponent, int firstExponent = 0,
                             bool optionalZero = false) {
        const std::int64_t maxMantissa = fieldMax(digits, 10);
        if (!(units > 0)) {
            units = 0;  // negatives and NaN
        }
        int exponent = std::clamp(firstExponent, 0, maxExponent);
        while (exponent < maxExponent &&
               units / kPowersOfTen[exponent] >= static_cast<double>(maxMantissa) + 0.5) {
            ++exponent;
        }
        dec(roundedInto(units / kPowersOfTen[exponent], maxMantissa), digits);
        return exponent == 0 && optionalZero ? *this : hex(exponent, 1);
    }
    // Two digits of a four-digit year in the window the program widens them to.
    Writer& year(int fullYear) { return dec(std::clamp(fullYear, 1971, 2070) % 100, 2); }

    std::string take() { return std::move(out_); }

private:
    Writer& put(const char* buf, int length) {
        out_.append(buf, static_cast<std::size_t>(length));
        return *this;
    }

    std::string out_;
};

// A date as DDMMYY.
void writeDate(Writer& w, int day, int month, int year) {
    w.dec(day, 2).dec(month, 2).year(year);
}

void writeHourMinute(Writer& w, int hours, int minutes) {
    w.dec(hours, 2).dec(minutes, 2);
}

// The holiday month carries the flag as 80 added.
std::int64_t flaggedMonth(int month, int flag) {
    return static_cast<std::int64_t>(month) + (flag != 0 ? 80 : 0);
}

// Energies, balances and amounts travel in thousandths.
constexpr double kMilli = 1000;

void writeYesNo(const YesNo& r, Writer& w) {
    w.letter(r.yes, 'Y', 'N');
}

void writeMeterDateTime(const MeterDateTime& r, Writer& w) {
    w.dec(r.weekday, 1).dec(r.hours, 2).dec(r.minutes, 2).dec(r.seconds, 2);
    writeDate(w, r.day, r.month, r.year);
}

void writeHourMinuteReply(const HourMinute& r, Writer& w) {
    writeHourMinute(w, r.hours, r.minutes);
}

void writeCategory(const ConsumerCategory& r, Writer& w) {
    w.dec(r.category, 2);
}

void writePowerThreshold(const PowerThreshold& r, Writer& w) {
    w.scaled(r.powerKw, 10, 3);
}

void writeEnergyThreshold(const EnergyValue& r, Writer& w) {
    w.scaled(r.energyKwh, 1, 4);
}

void writeEnergySum(const EnergyValue& r, Writer& w) {
    w.mantissaExponent(r.energyKwh * kMilli, 8, 9, 0, true);
}

void writeVersion(const DeviceVersion& r, Writer& w) {
    w.text(r.version, 2);
}

void writeSerialNumber(const SerialNumber& r, Writer& w) {
    w.hex(r.serialHigh, 4).hex(r.serialLow, 8);
}

void writePeakInterval(const PeakInterval& r, Writer& w) {
    writeHourMinute(w, r.hours, r.minutes);
    w.dec(r.durationMin, 3).letter(r.isPeak, 'L', 'B');
}

void writeDisplayModes(const DisplayModes& r, Writer& w) {
    for (const int mode : r.modes) {
        w.letter(mode, 'Y', 'N');
    }
    w.dec(r.seconds, 2);
}

void writeLoadMode(const LoadMode& r, Writer& w) {
    w.code(r.loadMode, "TOFC");
}

void writeOnOff(const OnOffSwitch& r, Writer& w) {
    w.letter(r.on, 'O', 'F');
}

void writeHoliday(const Holiday& r, Writer& w) {
    w.dec(r.day, 2).dec(flaggedMonth(r.month, r.flag), 2);
}

void writePaymentBalance(const PaymentBalance& r, Writer& w) {
    writeDate(w, r.day, r.month, r.year);
    w.mantissaExponent(r.balance * kMilli, 8, 9, 0, true);
}

// The record's own exponent comes first, so a point read from a meter goes back as it
// came; a value too big for it takes a larger one.
void writeGraphPoint(const GraphPoint& r, Writer& w) {
    const int exponent = std::isfinite(r.exponent) && r.exponent > 0
                             ? static_cast<int>(std::min(r.exponent, 9.0))
                             : 0;
    w.hex(r.marker, 1).mantissaExponent(r.value * kMilli, 4, 9, exponent);
}

void writeRatio(const TransformationRatio& r, Writer& w) {
    w.mantissaExponent(r.ratio, 3, 9);
}

void writeInitString(const ModemInitString& r, Writer& w) {
    w.text(r.initString, std::min<std::size_t>(r.initString.size(), 30));
}

void writeModemTimeout(const ModemTimeout& r, Writer& w) {
    w.dec(r.minutes, 2);
}

void writeReaderState(const CardReaderState& r, Writer& w) {
    w.hex(r.state, 2);
}

void writeCardUser(const CardUserSection& r, Writer& w) {
    w.dec(r.code, 4).dec(r.number, 8).hex(r.idHigh, 4).hex(r.idLow, 8);
    for (const std::uint8_t byte : r.extra) {
        w.hex(byte, 2);
    }
}

void writeAmounts(const std::array<double, 4>& amounts, Writer& w) {
    for (const double amount : amounts) {
        w.scaled(amount, kMilli, 8);
    }
}

void writeCardPayment(const CardPaymentSection& r, Writer& w) {
    w.hex(r.status, 2);
    writeDate(w, r.day, r.month, r.year);
    writeAmounts(r.amounts, w);
    w.hex(r.flags, 1);
}

void writeCardConsumption(const CardConsumption& r, Writer& w) {
    w.dec(0, 1);  // a character the program does not read
    writeAmounts(r.values, w);
    writeDate(w, r.day, r.month, r.year);
}

// The card holds mantissa x 10^p hundredths.
void writeCardValues(const CardValues& r, Writer& w) {
    for (const double value : r.values) {
        w.mantissaExponent(value * 100, 7, 15);
    }
}

// Only as many bytes as the reader's buffer takes.
void writeCardData(const CardData& r, Writer& w) {
    const std::size_t count = std::min(r.data.size(), r.capacity);
    for (std::size_t i = 0; i < count; ++i) {
        w.hex(r.data[i], 2);
    }
}

void writeCardHolidays(const CardHolidays& r, Writer& w) {
    w.hex(r.index, 1);
    for (std::size_t i = 0; i < r.day.size(); ++i) {
        w.dec(r.day[i], 2).dec(flaggedMonth(r.month[i], r.flag[i]), 2);
    }
}

void writeCardTariffs(const CardTariffSchedule& r, Writer& w) {
    w.hex(r.mode, 1);
    writeHourMinute(w, r.halfPeakStart.hours, r.halfPeakStart.minutes);
    writeHourMinute(w, r.offPeakStart.hours, r.offPeakStart.minutes);
    for (const CardPeak& peak : r.peaks) {
        writeHourMinute(w, peak.hours, peak.minutes);
        w.dec(peak.durationMin, 3).letter(peak.isPeak, 'L', 'B');
    }
}

// Power in hundreds of watts, energy in kilowatt-hours.
void writeCardExtraModes(const CardExtraModes& r, Writer& w) {
    w.dec(r.code, 2).scaled(r.powerW, 0.01, 3).hex(r.modeByte, 2).scaled(r.energyWh, 0.001, 4);
    w.letter(r.enabled, 'Y', 'N');
    for (const std::uint8_t option : r.options) {
        w.hex(option, 2);
    }
    w.mantissaExponent(r.ratio, 3, 15);
}

void writeCardActions(const CardActions& r, Writer& w) {
    w.hex(r.actions, 4).hex(r.results, 4);
}

using Encoder = std::optional<std::string> (*)(const LayoutRecord& record);

// One table row: the record type R that decodeReply fills for the layout and its writer.
template <class R, void (*Write)(const R&, Writer&)>
constexpr Encoder layout() {
    return [](const LayoutRecord& record) -> std::optional<std::string> {
        const R* r = std::get_if<R>(&record);
        if (r == nullptr) {
            return std::nullopt;
        }
        Writer w;
        Write(*r, w);
        return w.take();
    };
}

// The plain acknowledgement carries no record.
constexpr Encoder kAcknowledgement = [](const LayoutRecord&) -> std::optional<std::string> {
    return "Y";
};

constexpr std::array<Encoder, kReplyLayoutCount> kLayouts = {
    layout<YesNo, writeYesNo>(),
    layout<MeterDateTime, writeMeterDateTime>(),
    layout<HourMinute, writeHourMinuteReply>(),
    layout<ConsumerCategory, writeCategory>(),
    layout<PowerThreshold, writePowerThreshold>(),
    layout<EnergyValue, writeEnergyThreshold>(),
    layout<EnergyValue, writeEnergySum>(),
    layout<DeviceVersion, writeVersion>(),
    layout<SerialNumber, writeSerialNumber>(),
    layout<PeakInterval, writePeakInterval>(),
    layout<DisplayModes, writeDisplayModes>(),
    layout<LoadMode, writeLoadMode>(),
    layout<OnOffSwitch, writeOnOff>(),
    layout<Holiday, writeHoliday>(),
    layout<PaymentBalance, writePaymentBalance>(),
    layout<GraphPoint, writeGraphPoint>(),
    layout<TransformationRatio, writeRatio>(),
    kAcknowledgement,
    layout<ModemInitString, writeInitString>(),
    layout<ModemTimeout, writeModemTimeout>(),
    layout<CardReaderState, writeReaderState>(),
    layout<CardUserSection, writeCardUser>(),
    layout<CardPaymentSection, writeCardPayment>(),
    layout<CardConsumption, writeCardConsumption>(),
    layout<CardValues, writeCardValues>(),
    layout<CardData, writeCardData>(),
    layout<CardHolidays, writeCardHolidays>(),
    layout<CardTariffSchedule, writeCardTariffs>(),
    layout<CardExtraModes, writeCardExtraModes>(),
    layout<CardActions, writeCardActions>(),
};

}  // namespace

std::optional<std::string> encodeReply(int layoutId, const LayoutRecord& record) {
    if (layoutId == -1) {
        return std::string();
    }
    if (layoutId < 0 || layoutId >= kReplyLayoutCount) {
        return std::nullopt;
    }
    return kLayouts[static_cast<std::size_t>(layoutId)](record);
}

}  // namespace quillet::sim
