#include "sim/CardReaderModel.h"

#include <algorithm>
#include <cmath>

#include "protocol/ValueText.h"
#include "sim/SeedMix.h"
#include "sim/TariffSchedule.h"

namespace quillet::sim {

namespace {

using Entry = CommandEntry<CardReaderModel>;

constexpr std::array<std::pair<int, int>, 7> kCardHolidays{
    {{1, 1}, {7, 1}, {8, 3}, {1, 5}, {9, 5}, {12, 6}, {4, 11}}};

bool inRange(double value, double low, double high) {
    return value >= low && value <= high;
}

bool isValidClockTime(int hours, int minutes) {
    return inRange(hours, 0, 23) && inRange(minutes, 0, 59);
}

int fourDigitYear(int year) {
    return year < 100 ? fullYear(year) : year;
}

double wholeUnits(double value, double unit) {
    return std::round(value / unit) * unit;
}

// --- Initial content ---------------------------------------------------------------------

CardTariffSchedule cardSchedule(int dayType) {
    const DaySchedule& day = factorySchedule()[0][static_cast<std::size_t>(dayType)];
    CardTariffSchedule schedule;
    schedule.mode = dayType;
    schedule.halfPeakStart = {day.halfPeakStart.hours, day.halfPeakStart.minutes};
    schedule.offPeakStart = {day.offPeakStart.hours, day.offPeakStart.minutes};
    std::transform(day.peaks.begin(), day.peaks.end(), schedule.peaks.begin(),
                   [](const PeakInterval& p) {
                       return CardPeak{p.isPeak, p.hours, p.minutes, p.durationMin};
                   });
    return schedule;
}

CardContents initialContents(std::uint32_t seed) {
    SeedStream random(seed, 0xCA4D);
    CardContents card;
    card.accessCode = static_cast<std::uint32_t>(random.next());
    card.user = {
        1000 + random.below(9000),
        random.below(100'000'000),
        static_cast<std::uint32_t>(random.next()),
        static_cast<std::uint32_t>(random.below(0x10000)),
        {static_cast<std::uint8_t>(random.below(256)), static_cast<std::uint8_t>(random.below(256)),
         static_cast<std::uint8_t>(random.below(256))}};
    card.payment.status = 0x01;
    card.payment.flags = 0x0;
    card.payment.day = 1 + random.below(28);
    card.payment.month = 1 + random.below(12);
    card.payment.year = 2024;
    for (double& amount : card.payment.amounts) {
        amount = wholeUnits(random.between(0, 500), 0.01);
    }
    for (std::size_t i = 0; i < card.consumption.size(); ++i) {
        CardConsumption& record = card.consumption[i];
        record.day = 1;
        record.month = static_cast<int>(i) + 1;
        record.year = 2024;
        for (double& value : record.values) {
            value = wholeUnits(random.between(10, 400), 0.01);
        }
    }
    for (double& value : card.values.values) {
        value = wholeUnits(random.between(0, 10000), 0.01);
    }
    card.memory.resize(CardContents::kMemorySize);
    std::generate(card.memory.begin(), card.memory.end(),
                  [&] { return static_cast<std::uint8_t>(random.below(256)); });
    for (std::size_t i = 0; i < card.holidays.size(); ++i) {
        card.holidays[i].index = static_cast<int>(i);
    }
    for (std::size_t i = 0; i < kCardHolidays.size(); ++i) {
        card.holidays[0].day[i] = kCardHolidays[i].first;
        card.holidays[0].month[i] = kCardHolidays[i].second;
    }
    for (std::size_t i = 0; i < card.schedules.size(); ++i) {
        card.schedules[i] = cardSchedule(static_cast<int>(i));
    }
    card.extraModes = {0, 4000, 500'000, 0, {0, 0, 0}, 1, 1};
    return card;
}

// --- Commands ------------------------------------------------------------------------------

Reply setAccessCode(CardReaderModel& reader, const LayoutRecord& params) {
    reader.contents().accessCode = as<AccessKey>(params).key;
    return acknowledge();
}

Reply setReaderSpeed(CardReaderModel& reader, const LayoutRecord& params) {
    const int baud = as<LineSpeed>(params).baudRate;
    if (!isLineSpeed(baud)) {
        return refuse();
    }
    reader.contents().readerBaud = baud;
    return acknowledge();
}

Reply readState(CardReaderModel& reader, const LayoutRecord&) {
    return CardReaderState{reader.contents().state};
}

Reply writeUser(CardReaderModel& reader, const LayoutRecord& params) {
    const CardUserSection& user = as<CardUserSection>(params);
    if (!inRange(user.code, 0, 9999) || !inRange(user.number, 0, 99'999'999) ||
        user.idHigh > 0xFFFF) {
        return refuse();
    }
    reader.contents().user = user;
    return acknowledge();
}

Reply readUser(CardReaderModel& reader, const LayoutRecord&) {
    return reader.contents().user;
}

Reply writePayment(CardReaderModel& reader, const LayoutRecord& params) {
    CardPaymentSection payment = as<CardPaymentSection>(params);
    payment.year = fourDigitYear(payment.year);
    if (!isValidDate(payment.day, payment.month, payment.year) ||
        std::any_of(payment.amounts.begin(), payment.amounts.end(),
                    [](double a) { return !inRange(a, 0, 99'999.999); })) {
        return refuse();
    }
    payment.flags = reader.contents().payment.flags;  // the card keeps its own flags
    reader.contents().payment = payment;
    return acknowledge();
}

Reply readPayment(CardReaderModel& reader, const LayoutRecord&) {
    return reader.contents().payment;
}

template <std::size_t Record>
Reply readConsumption(CardReaderModel& reader, const LayoutRecord&) {
    return reader.contents().consumption[Record];
}

Reply writeValues(CardReaderModel& reader, const LayoutRecord& params) {
    reader.contents().values = as<CardValues>(params);
    return acknowledge();
}

Reply readValues(CardReaderModel& reader, const LayoutRecord&) {
    return reader.contents().values;
}

Reply writeMemory(CardReaderModel& reader, const LayoutRecord& params) {
    const CardWrite& write = as<CardWrite>(params);
    std::vector<std::uint8_t>& memory = reader.contents().memory;
    if (write.address + write.data.size() > memory.size()) {
        return refuse();
    }
    std::copy(write.data.begin(), write.data.end(), memory.begin() + write.address);
    return acknowledge();
}

Reply readMemory(CardReaderModel& reader, const LayoutRecord& params) {
    const CardReadRequest& request = as<CardReadRequest>(params);
    const std::vector<std::uint8_t>& memory = reader.contents().memory;
    CardData data;
    if (request.length == 0 || request.length > data.capacity ||
        std::size_t{request.address} + request.length > memory.size()) {
        return refuse();
    }
    const auto from = memory.begin() + request.address;
    data.data.assign(from, from + request.length);
    return data;
}

bool isValidHolidayBlock(const CardHolidays& block) {
    for (std::size_t i = 0; i < block.day.size(); ++i) {
        const bool empty = block.day[i] == 0 && block.month[i] == 0;
        if (!empty && !isValidDayOfMonth(block.day[i], block.month[i], 0)) {
            return false;
        }
    }
    return true;
}

Reply writeHolidays(CardReaderModel& reader, const LayoutRecord& params) {
    const CardHolidays& block = as<CardHolidays>(params);
    if (!inRange(block.index, 0, CardContents::kHolidayBlocks - 1) || !isValidHolidayBlock(block)) {
        return refuse();
    }
    reader.contents().holidays[static_cast<std::size_t>(block.index)] = block;
    return acknowledge();
}

Reply readHolidays(CardReaderModel& reader, const LayoutRecord& params) {
    const int index = as<CardRecordIndex>(params).index;
    if (!inRange(index, 0, CardContents::kHolidayBlocks - 1)) {
        return refuse();
    }
    return reader.contents().holidays[static_cast<std::size_t>(index)];
}

Reply writeSchedule(CardReaderModel& reader, const LayoutRecord& params) {
    const CardTariffSchedule& schedule = as<CardTariffSchedule>(params);
    const bool valid =
        inRange(schedule.mode, 0, CardContents::kSchedules - 1) &&
        isValidClockTime(schedule.halfPeakStart.hours, schedule.halfPeakStart.minutes) &&
        isValidClockTime(schedule.offPeakStart.hours, schedule.offPeakStart.minutes) &&
        std::all_of(schedule.peaks.begin(), schedule.peaks.end(), [](const CardPeak& p) {
            return isValidClockTime(p.hours, p.minutes) && inRange(p.durationMin, 0, 255);
        });
    if (!valid) {
        return refuse();
    }
    reader.contents().schedules[static_cast<std::size_t>(schedule.mode)] = schedule;
    return acknowledge();
}

Reply readSchedule(CardReaderModel& reader, const LayoutRecord& params) {
    const int index = as<CardRecordIndex>(params).index;
    if (!inRange(index, 0, CardContents::kSchedules - 1)) {
        return refuse();
    }
    return reader.contents().schedules[static_cast<std::size_t>(index)];
}

Reply writeExtraModes(CardReaderModel& reader, const LayoutRecord& params) {
    const CardExtraModes& modes = as<CardExtraModes>(params);
    if (!inRange(modes.code, 0, 99) || !inRange(modes.powerW, 0, 51'100) ||
        !inRange(modes.energyWh, 0, 9'999'000) || !(modes.ratio >= 0)) {
        return refuse();
    }
    reader.contents().extraModes = modes;
    return acknowledge();
}

Reply readExtraModes(CardReaderModel& reader, const LayoutRecord&) {
    return reader.contents().extraModes;
}

// Every ordered action is carried out, so each result bit follows its action bit.
Reply writeActions(CardReaderModel& reader, const LayoutRecord& params) {
    const std::uint16_t actions = as<CardActions>(params).actions;
    reader.contents().actions = {actions, actions};
    return acknowledge();
}

Reply readActions(CardReaderModel& reader, const LayoutRecord&) {
    return reader.contents().actions;
}

const std::array<Entry, 22> kCardCommands{{
    {"!0", &setAccessCode},
    {"!1", &setReaderSpeed},
    {"!2", &readState},
    {"!3", &writeUser},
    {"!4", &readUser},
    {"!5", &writePayment},
    {"!6", &readPayment},
    {"!70", &readConsumption<0>},
    {"!71", &readConsumption<1>},
    {"!72", &readConsumption<2>},
    {"!8", &writeValues},
    {"!9", &readValues},
    {"!A", &writeMemory},
    {"!B", &readMemory},
    {"!E", &writeHolidays},
    {"!F", &readHolidays},
    {"!C", &writeSchedule},
    {"!D", &readSchedule},
    {"!G", &writeExtraModes},
    {"!H", &readExtraModes},
    {"!I", &writeActions},
    {"!J", &readActions},
}};

}  // namespace

CardReaderModel::CardReaderModel(std::uint32_t seed) : contents_(initialContents(seed)) {}

Served CardReaderModel::serve(std::string_view text) {
    return serveCommand(*this, kCardCommands, DeviceGroup::CardReader, text);
}

}  // namespace quillet::sim
