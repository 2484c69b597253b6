#include "sim/MeterModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "sim/SeedMix.h"

namespace quillet::sim {

namespace {

constexpr std::uint64_t k48Bits = 0xFFFF'FFFF'FFFFull;
constexpr int kGraphMonthsKept = 4;  // the graph memory holds the current month and three before

// Public holidays a meter is delivered with; the other entries are empty.
constexpr std::array<HolidayEntry, 7> kFactoryHolidays{
    {{1, 1, 0}, {7, 1, 0}, {8, 3, 0}, {1, 5, 0}, {9, 5, 0}, {12, 6, 0}, {4, 11, 0}}};

constexpr std::size_t index(auto value) {
    return static_cast<std::size_t>(value);
}

MonthReadings readingsOf(const EnergyTotals& totals) {
    return {at(totals, EnergyRegister::HalfPeak), at(totals, EnergyRegister::OffPeak),
            at(totals, EnergyRegister::Peak), at(totals, EnergyRegister::Penalty)};
}

// The register whose consumption a payment row pays for; credit covers them all.
std::optional<EnergyRegister> paidRegister(PaymentRow row) {
    switch (row) {
        case PaymentRow::HalfPeak:
            return EnergyRegister::HalfPeak;
        case PaymentRow::OffPeak:
            return EnergyRegister::OffPeak;
        case PaymentRow::Peak:
            return EnergyRegister::Peak;
        default:
            return std::nullopt;
    }
}

MeterSettings initialSettings(const MeterConfig& config, int baud) {
    MeterSettings settings;
    settings.address = config.address;
    settings.privatePassword = config.privatePassword;
    settings.groupPassword = config.groupPassword;
    settings.category = config.category;
    settings.baud = baud;
    std::copy(kFactoryHolidays.begin(), kFactoryHolidays.end(), settings.holidays.begin());
    settings.schedule = factorySchedule();
    return settings;
}

}  // namespace

MeterModel::MeterModel(const MeterConfig& config, std::uint32_t seed, bool resetJumper, int baud,
                       WallClock wallClock)
    : settings_(initialSettings(config, baud)),
      resetJumper_(resetJumper),
      wallClock_(std::move(wallClock)),
      serialNumber_(SeedStream(seed, 0x5E41A1ull + index(config.address)).next() & k48Bits),
      load_((std::uint64_t{seed} << 16) ^ index(config.address), factorySchedule()[0],
            settings_.powerThresholdKw) {
    SeedStream random(seed, 0xE7E47ull + index(config.address));
    const DeviceSeconds start = now();
    // Switched on when the simulator started, after an outage of up to three days; the
    // cover was last opened at installation some months ago.
    events_[index(MeterEvent::PowerOn)] = start;
    events_[index(MeterEvent::PowerOff)] = start - random.below(72 * 3600) - 60;
    events_[index(MeterEvent::CoverOpened)] =
        start - (20 + random.below(180)) * kSecondsPerDay - random.below(86400);

    // Paid on the 5th of the month before the start, at ten in the morning.
    const CivilTime today = toCivil(start);
    const int month = today.month == 1 ? 12 : today.month - 1;
    const int year = today.month == 1 ? today.year - 1 : today.year;
    const DeviceSeconds paidAt = startOfDay(5, month, year) + 10 * kSecondsPerHour;
    const std::array<double, 3> prepaid{random.between(200, 400), random.between(150, 300),
                                        random.between(50, 150)};
    for (std::size_t row = 0; row < prepaid.size(); ++row) {
        payments_[row] = {{5, month, year, std::round(prepaid[row])}, paidAt};
    }
    // No credit granted.
    payments_[index(PaymentRow::Credit)] = {{0, 1, 2000, 0}, paidAt};
}

DeviceSeconds MeterModel::now() const {
    return localCivilSeconds(wallClock_()) + clockOffset_;
}

void MeterModel::setDate(int day, int month, int year) {
    const CivilTime current = clock();
    const DeviceSeconds target =
        toDeviceSeconds({year, month, day, current.hours, current.minutes, current.seconds});
    clockOffset_ += target - now();
}

void MeterModel::setTime(int hours, int minutes, int seconds) {
    const CivilTime current = clock();
    const DeviceSeconds target =
        toDeviceSeconds({current.year, current.month, current.day, hours, minutes, seconds});
    clockOffset_ += target - now();
}

int MeterModel::dayTypeAt(DeviceSeconds moment) const {
    const CivilTime date = toCivil(moment);
    const bool holiday = std::any_of(
        settings_.holidays.begin(), settings_.holidays.end(),
        [&](const HolidayEntry& h) { return h.day == date.day && h.month == date.month; });
    return holiday ? kHolidayDayType : weekdayAt(moment);
}

MeterDateTime MeterModel::dateTimeAt(DeviceSeconds moment) const {
    const CivilTime c = toCivil(moment);
    return {dayTypeAt(moment), c.hours, c.minutes, c.seconds, c.day, c.month, c.year};
}

DeviceSeconds MeterModel::eventTime(MeterEvent event) const {
    return events_[index(event)];
}

EnergyTotals MeterModel::registersAt(DeviceSeconds moment) const {
    if (resetAt_ && moment < *resetAt_) {
        return {};
    }
    EnergyTotals totals = load_.totalsAt(moment);
    std::transform(totals.begin(), totals.end(), resetBaseline_.begin(), totals.begin(),
                   [](double value, double base) { return std::max(0.0, value - base); });
    return totals;
}

EnergyTotals MeterModel::totals() const {
    return registersAt(now());
}

MonthReadings MeterModel::monthReadings(int month) const {
    const DeviceSeconds current = now();
    DeviceSeconds start = startOfDay(1, month, toCivil(current).year);
    if (start > current) {
        start = startOfDay(1, month, toCivil(current).year - 1);
    }
    const std::optional<FixedReadings>& fixed = fixed_[index(month - 1)];
    if (fixed && fixed->at >= start) {
        return fixed->values;
    }
    return readingsOf(registersAt(start));
}

void MeterModel::fixReadings(int month) {
    fixed_[index(month - 1)] = FixedReadings{readingsOf(totals()), now()};
}

void MeterModel::resetReadings() {
    resetAt_ = now();
    resetBaseline_ = load_.totalsAt(*resetAt_);
    fixed_.fill(std::nullopt);
}

GraphPoint MeterModel::graphPoint(int month, int day, int halfHour) const {
    const DeviceSeconds current = now();
    const CivilTime today = toCivil(current);
    const DeviceSeconds todayStart = startOfDay(today.day, today.month, today.year);
    // The request carries no year: the occurrence of the date nearest to today.
    std::optional<int> year;
    for (int y = today.year + 1; y >= today.year - 4; --y) {
        if (dateExists(day, month, y) &&
            (!year || std::llabs(startOfDay(day, month, y) - todayStart) <
                          std::llabs(startOfDay(day, month, *year) - todayStart))) {
            year = y;
        }
    }
    const GraphPoint none{kNoGraphRecord, kGraphExponent, 0};
    if (!year) {
        return none;
    }
    const DeviceSeconds moment = startOfDay(day, month, *year) + halfHour * LoadModel::kSlotSeconds;
    const int monthsAgo = (today.year - *year) * 12 + today.month - month;
    if (moment > current || moment < graphClearedAt_ || monthsAgo < 0 ||
        monthsAgo >= kGraphMonthsKept) {
        return none;
    }
    const double unitKwh = std::pow(10.0, kGraphExponent) * 0.001;
    const double energy = load_.energyAt(moment) - load_.energyAt(graphClearedAt_);
    const double counter = std::fmod(std::floor(energy / unitKwh + 1e-6), 10000.0);
    return {(month - 1) % kGraphMonthsKept, kGraphExponent, counter * unitKwh};
}

double MeterModel::consumedBetween(PaymentRow row, DeviceSeconds from, DeviceSeconds to) const {
    if (to <= from) {
        return 0;
    }
    const EnergyTotals before = registersAt(from);
    const EnergyTotals after = registersAt(to);
    if (const std::optional<EnergyRegister> r = paidRegister(row)) {
        return std::max(0.0, at(after, *r) - at(before, *r));
    }
    return std::max(0.0, load_.energyAt(to) - load_.energyAt(from));
}

PaymentBalance MeterModel::payment(PaymentRow row) const {
    const Payment& p = payments_[index(row)];
    PaymentBalance balance = p.paid;
    balance.balance = std::max(0.0, p.paid.balance - consumedBetween(row, p.since, now()));
    return balance;
}

void MeterModel::setPayment(PaymentRow row, int day, int month, int year, double balance) {
    payments_[index(row)] = {{day, month, year, balance}, now()};
}

}  // namespace quillet::sim
