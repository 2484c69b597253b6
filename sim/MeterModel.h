#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "protocol/LayoutRecords.h"
#include "sim/DeviceCalendar.h"
#include "sim/DeviceLine.h"
#include "sim/LoadModel.h"
#include "sim/TariffSchedule.h"

namespace quillet::sim {

inline constexpr int kHolidayCount = 16;

struct HolidayEntry {
    int day = 0;  // 0: empty
    int month = 0;
    int flag = 0;
};

// The readings kept at the start of each month: half-peak, off-peak, peak, penalty.
enum class ReadingRow { HalfPeak, OffPeak, Peak, Penalty };
using MonthReadings = std::array<double, 4>;

enum class PaymentRow { HalfPeak, OffPeak, Peak, Credit };
enum class MeterEvent { CoverOpened, PowerOn, PowerOff };

// What the operator sets in a meter; the commands write it, tests and fault scenarios may
// change it directly.
struct MeterSettings {
    int address = 0;
    std::string privatePassword;
    std::string groupPassword;
    int category = 0;
    int baud = 9600;  // the meter hears only frames at its own speed
    bool summerTime = true;
    double powerThresholdKw = 4.0;  // 0..51.1 in steps of 0.1
    int energyThresholdKwh = 500;   // 0..9999 a month
    double transformationRatio = 1;
    std::array<int, 8> displayModes{1, 0, 1, 0, 1, 0, 0, 0};
    int displayCycleSeconds = 5;  // 1..60
    bool singleTariff = false;
    bool penaltyTariff = false;
    int loadMode = 0;  // 0 telemetry, 1 load on, 2 load off, 3 load control
    std::uint32_t accessKey = 0;
    std::array<HolidayEntry, kHolidayCount> holidays{};
    YearSchedule schedule{};
    bool lastGroupExecuted = false;  // what "Q" answers
};

// One simulated meter: its settings, and what it measures on its own running clock.
class MeterModel {
public:
    using WallClock = std::function<DeviceLine::WallTime()>;

    // The graph's counter: four digits of 10^exponent Wh, wrapping.
    static constexpr int kGraphExponent = 1;
    // The marker of a graph half-hour the meter holds no record of.
    static constexpr int kNoGraphRecord = 0xF;

    MeterModel(const MeterConfig& config, std::uint32_t seed, bool resetJumper, int baud,
               WallClock wallClock);

    MeterSettings& settings() { return settings_; }
    const MeterSettings& settings() const { return settings_; }
    bool resetJumper() const { return resetJumper_; }

    // --- Clock: the computer's local time when started, moved by the set commands.
    DeviceSeconds now() const;
    CivilTime clock() const { return toCivil(now()); }
    DeviceSeconds clockOffset() const { return clockOffset_; }
    void setClockOffset(DeviceSeconds offset) { clockOffset_ = offset; }
    void setDate(int day, int month, int year);
    void setTime(int hours, int minutes, int seconds);
    // 0 Sunday .. 6 Saturday, 7 on one of the meter's holidays.
    int dayTypeAt(DeviceSeconds moment) const;
    // Weekday (day type) and calendar fields of a moment, as the date replies carry them.
    MeterDateTime dateTimeAt(DeviceSeconds moment) const;

    // --- Fixed facts.
    std::string_view version() const { return "31"; }
    std::uint64_t serialNumber() const { return serialNumber_; }
    DeviceSeconds eventTime(MeterEvent event) const;

    // --- Energy.
    EnergyTotals totals() const;
    // The readings at the most recent start of `month` (1..12), or the ones fixed since.
    MonthReadings monthReadings(int month) const;
    // Stores the current totals as the readings of `month`.
    void fixReadings(int month);
    // Every register and reading back to zero.
    void resetReadings();
    // The graph's counter at the start of half-hour `halfHour` of the date; a moment still
    // to come, older than the four months the meter keeps, or before the graph was
    // cleared has no record.
    GraphPoint graphPoint(int month, int day, int halfHour) const;
    void clearGraph() { graphClearedAt_ = now(); }

    // --- Payments: the balance shrinks with the consumption of the row's tariff.
    PaymentBalance payment(PaymentRow row) const;
    // A payment made now: its date and the balance it leaves.
    void setPayment(PaymentRow row, int day, int month, int year, double balance);

private:
    struct Payment {
        PaymentBalance paid;
        DeviceSeconds since = 0;
    };
    struct FixedReadings {
        MonthReadings values{};
        DeviceSeconds at = 0;
    };

    EnergyTotals registersAt(DeviceSeconds moment) const;
    double consumedBetween(PaymentRow row, DeviceSeconds from, DeviceSeconds to) const;

    MeterSettings settings_;
    bool resetJumper_;
    WallClock wallClock_;
    DeviceSeconds clockOffset_ = 0;
    std::uint64_t serialNumber_;
    LoadModel load_;
    std::array<DeviceSeconds, 3> events_{};
    std::optional<DeviceSeconds> resetAt_;
    EnergyTotals resetBaseline_{};
    std::array<std::optional<FixedReadings>, 12> fixed_{};
    DeviceSeconds graphClearedAt_ = 0;
    std::array<Payment, 4> payments_{};
};

}  // namespace quillet::sim
