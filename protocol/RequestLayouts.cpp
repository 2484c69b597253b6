#include "protocol/RequestLayouts.h"

#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>

#include "protocol/ValueText.h"

namespace quillet {

namespace {

// A double to a 32-bit int by truncation toward zero. Casting a value outside the int
// range is undefined, so NaN gives 0 and everything else clamps to the range.
std::int32_t truncated(double value) {
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(value)) {
        return 0;
    }
    if (value <= kMin) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (value >= kMax) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

// month + 80 wraps as the 32-bit original did instead of overflowing.
std::int32_t monthWithFlag(int month, int flag) {
    return flag != 0 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(month) + 80u) : month;
}

// Appends the fields of one parameter text. The formats are those of a platform where
// long and int are both 32 bits, so every number goes through a 32-bit type.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    Writer& dec(std::int32_t value, int width = 0) {  // "%0<width>d"
        char buf[16];
        return put(buf, std::snprintf(buf, sizeof buf, "%0*" PRId32, width, value));
    }
    Writer& udec(std::uint32_t value, int width) {  // "%0<width>lu"
        char buf[16];
        return put(buf, std::snprintf(buf, sizeof buf, "%0*" PRIu32, width, value));
    }
    Writer& hex(std::uint32_t value, int width = 0) {  // "%0<width>X"
        char buf[16];
        return put(buf, std::snprintf(buf, sizeof buf, "%0*" PRIX32, width, value));
    }
    Writer& letter(int value, char yes, char no) {
        out_ += value != 0 ? yes : no;
        return *this;
    }
    // Printable ASCII only: a CR or LF from an edit field would end the frame early.
    Writer& text(std::string_view value) {
        for (const char c : value) {
            if (c < 0x20 || c > 0x7E) {
                refuse();
                return *this;
            }
        }
        out_ += value;
        return *this;
    }
    // Layout rule 2: trailing zeros go into a hexadecimal exponent, more than three
    // significant digits are rounded up to three.
    Writer& ratio(double r) {
        int exponent = 0;
        // Every step shrinks a finite r towards three digits: even the largest double
        // needs only about 310. Infinities and NaN are left as they are; the step bound
        // keeps the loop finite whatever the optimiser assumes about them.
        if (std::isfinite(r) && r != 0) {
            for (int step = 0; step < 400 && (r >= 1000 || std::fmod(r, 10) == 0); ++step) {
                r = std::ceil(r * 0.1);
                ++exponent;
            }
        }
        return dec(truncated(r) % 1000, 3).hex(static_cast<std::uint32_t>(exponent % 16), 1);
    }
    // Layout rule 3: seven-digit mantissa of the value in hundredths and an exponent digit.
    Writer& cardValue(double v) {
        const double y = v * 1000;
        const int digits = integerDigits(y);
        const int p = (digits > 8 ? digits - 8 : 0) % 16;
        const std::int32_t mantissa = truncated(std::floor(y / std::pow(10.0, p))) / 10;
        return dec(mantissa, 7).hex(static_cast<std::uint32_t>(p), 1);
    }

    void refuse() { ok_ = false; }
    bool ok() const { return ok_; }

private:
    Writer& put(const char* buf, int length) {
        out_.append(buf, static_cast<std::size_t>(length));
        return *this;
    }
    // Decimal digits of the integer part of |y|; 0 for a value with no digits to count.
    static int integerDigits(double y) {
        const double whole = std::trunc(std::fabs(y));
        if (!std::isfinite(whole) || whole < 1) {
            return 0;
        }
        char buf[320];  // the largest double has 309 digits
        return std::snprintf(buf, sizeof buf, "%.0f", whole);
    }

    std::string& out_;
    bool ok_ = true;
};

struct Layout {
    LayoutRecord (*makeRecord)();
    // False when the record is of another type or the encoder refused it.
    bool (*encode)(const LayoutRecord& record, Writer& w);
};

// One table row: the record type R the layout reads and its encoder.
template <class R, class Encoder>
constexpr Layout layout(Encoder) {
    return {[] { return LayoutRecord{R{}}; },
            [](const LayoutRecord& record, Writer& w) {
                const R* r = std::get_if<R>(&record);
                if (r == nullptr) {
                    return false;
                }
                Encoder{}(*r, w);
                return w.ok();
            }};
}

// Layouts that write a single "%02d" field.
constexpr auto kTwoDigits = [](const auto& r, Writer& w) {
    // Each of these records holds exactly one int.
    const auto& [value] = r;
    w.dec(value, 2);
};
constexpr auto kDecimal = [](const CardRecordIndex& r, Writer& w) { w.dec(r.index); };

constexpr std::array<Layout, kRequestLayoutCount> kLayouts = {
    // 0
    layout<Password>([](const Password& r, Writer& w) { w.text(r.password); }),
    layout<CalendarDate>([](const CalendarDate& r, Writer& w) {
        w.dec(weekdayOf(r.day, r.month, r.year)).dec(r.day, 2).dec(r.month, 2).dec(r.year % 100, 2);
    }),
    layout<TimeOfDay>([](const TimeOfDay& r, Writer& w) {
        w.dec(r.hours, 2).dec(r.minutes, 2).dec(r.seconds, 2);
    }),
    layout<GroupTariffStart>([](const GroupTariffStart& r, Writer& w) {
        w.dec(r.category, 2).dec(r.dayType).dec(r.hours, 2).dec(r.minutes, 2).dec(r.month, 2);
    }),
    layout<TariffStartQuery>(
        [](const TariffStartQuery& r, Writer& w) { w.dec(r.dayType).dec(r.month, 2); }),
    // 5
    layout<GroupPowerThreshold>([](const GroupPowerThreshold& r, Writer& w) {
        w.dec(r.category, 2).dec(truncated(r.powerKw * 10) % 1000, 3);
    }),
    layout<SeasonalSwitch>(
        [](const SeasonalSwitch& r, Writer& w) { w.letter(r.enabled, 'Y', 'N'); }),
    layout<LineSpeed>([](const LineSpeed& r, Writer& w) { w.dec(r.baudRate, 5); }),
    layout<GroupPeakTariff>([](const GroupPeakTariff& r, Writer& w) {
        w.dec(r.category, 2).dec(r.dayType).dec(r.interval).dec(r.hours, 2).dec(r.minutes, 2);
        w.dec(r.durationMin, 3).letter(r.isPeak, 'L', 'B').dec(r.month, 2);
    }),
    layout<PeakIntervalQuery>([](const PeakIntervalQuery& r, Writer& w) {
        w.dec(r.dayType).dec(r.interval).dec(r.month, 2);
    }),
    // 10
    layout<MeterAddress>([](const MeterAddress& r, Writer& w) { w.dec(r.address, 3); }),
    layout<ConsumerCategory>(kTwoDigits),
    layout<EnergyThreshold>([](const EnergyThreshold& r, Writer& w) {
        w.dec(r.category, 2).dec(truncated(r.energyKwh) % 10000, 4);
    }),
    layout<DisplayModes>([](const DisplayModes& r, Writer& w) {
        for (const int mode : r.modes) {
            w.letter(mode, 'Y', 'N');
        }
    }),
    layout<MonthNumber>(kTwoDigits),
    // 15
    layout<OnOffSwitch>([](const OnOffSwitch& r, Writer& w) { w.letter(r.on, 'O', 'F'); }),
    layout<LoadMode>([](const LoadMode& r, Writer& w) {
        // The meter knows only these four modes; anything else has no letter to send.
        constexpr std::string_view kModes = "TOFC";
        if (r.loadMode < 0 || r.loadMode >= static_cast<int>(kModes.size())) {
            return w.refuse();
        }
        w.text(kModes.substr(static_cast<std::size_t>(r.loadMode), 1));
    }),
    layout<HolidayNumber>(kTwoDigits),
    layout<Holiday>([](const Holiday& r, Writer& w) {
        w.dec(r.holidayNumber, 2).dec(r.day, 2).dec(monthWithFlag(r.month, r.flag), 2);
    }),
    layout<GraphPointQuery>([](const GraphPointQuery& r, Writer& w) {
        w.dec(r.month, 2).dec(r.day, 2).dec(r.halfHour, 2);
    }),
    // 20
    layout<CycleTime>(kTwoDigits),
    layout<TransformationRatio>([](const TransformationRatio& r, Writer& w) { w.ratio(r.ratio); }),
    layout<ModemInitString>([](const ModemInitString& r, Writer& w) { w.text(r.initString); }),
    layout<ModemTimeout>(kTwoDigits),
    layout<RemoteModemCommand>([](const RemoteModemCommand& r, Writer& w) {
        w.hex(static_cast<std::uint32_t>(r.timeoutMin)).text(r.command);
    }),
    // 25
    layout<CardRecordIndex>(kDecimal),
    layout<GraphClear>([](const GraphClear& r, Writer& w) { w.dec(r.p1, 2).dec(r.p0, 2); }),
    layout<AccessKey>([](const AccessKey& r, Writer& w) { w.hex(r.key, 8); }),
    layout<LineSpeed>([](const LineSpeed& r, Writer& w) { w.dec(r.baudRate / 100, 3); }),
    layout<CardUserSection>([](const CardUserSection& r, Writer& w) {
        w.udec(static_cast<std::uint32_t>(r.code), 4).udec(static_cast<std::uint32_t>(r.number), 8);
        w.hex(r.idHigh, 4).hex(r.idLow, 8);
        for (const std::uint8_t byte : r.extra) {
            w.hex(byte, 2);
        }
    }),
    // 30
    layout<CardPaymentSection>([](const CardPaymentSection& r, Writer& w) {
        w.hex(r.status, 2).dec(r.day, 2).dec(r.month, 2).dec(r.year % 100, 2);
        for (const double amount : r.amounts) {
            w.dec(truncated(amount * 1000), 8);
        }
    }),
    layout<CardValues>([](const CardValues& r, Writer& w) {
        for (const double value : r.values) {
            w.cardValue(value);
        }
    }),
    layout<CardWrite>([](const CardWrite& r, Writer& w) {
        // The byte count travels as one byte.
        if (r.data.size() > 255) {
            return w.refuse();
        }
        w.hex(r.address, 4);
        for (const std::uint8_t byte : r.data) {
            w.hex(byte, 2);
        }
    }),
    layout<CardReadRequest>(
        [](const CardReadRequest& r, Writer& w) { w.hex(r.address, 4).hex(r.length % 16u, 2); }),
    layout<CardHolidays>([](const CardHolidays& r, Writer& w) {
        w.dec(r.index);
        for (std::size_t i = 0; i < r.day.size(); ++i) {
            w.dec(r.day[i], 2).dec(monthWithFlag(r.month[i], r.flag[i]), 2);
        }
    }),
    // 35
    layout<CardRecordIndex>(kDecimal),
    layout<CardTariffSchedule>([](const CardTariffSchedule& r, Writer& w) {
        w.dec(r.mode).dec(r.halfPeakStart.hours, 2).dec(r.halfPeakStart.minutes, 2);
        w.dec(r.offPeakStart.hours, 2).dec(r.offPeakStart.minutes, 2);
        for (const CardPeak& peak : r.peaks) {
            w.dec(peak.hours, 2).dec(peak.minutes, 2).dec(peak.durationMin, 3);
            w.letter(peak.isPeak, 'L', 'B');
        }
    }),
    layout<CardExtraModes>([](const CardExtraModes& r, Writer& w) {
        w.dec(r.code, 2).dec(truncated(r.powerW * 0.01) % 1000, 3).hex(r.modeByte, 2);
        w.dec(truncated(r.energyWh * 0.001) % 10000, 4).letter(r.enabled, 'Y', 'N');
        for (const std::uint8_t option : r.options) {
            w.hex(option, 2);
        }
        w.ratio(r.ratio);
    }),
    layout<CardActions>([](const CardActions& r, Writer& w) { w.hex(r.actions, 4); }),
};

const Layout* findLayout(int layoutId) {
    if (layoutId < 0 || layoutId >= kRequestLayoutCount) {
        return nullptr;
    }
    return &kLayouts[static_cast<std::size_t>(layoutId)];
}

}  // namespace

LayoutRecord requestRecordFor(int layoutId) {
    const Layout* entry = findLayout(layoutId);
    return entry != nullptr ? entry->makeRecord() : LayoutRecord{};
}

bool encodeParams(int layoutId, const LayoutRecord& record, std::string& out) {
    out.clear();
    if (layoutId == -1) {
        return true;
    }
    const Layout* entry = findLayout(layoutId);
    Writer writer(out);
    if (entry == nullptr || !entry->encode(record, writer)) {
        out.clear();
        return false;
    }
    return true;
}

}  // namespace quillet
