#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace quillet {

// The typed values of a command's request parameters and of its decoded reply. Where a
// request and a reply carry the same values they share one record, so a page reads,
// edits and writes back the same object. The comments give the request layout (Rq) and
// the reply layout (Rp) numbers that use a record.

struct Password {  // Rq 0
    std::string password;
};
struct CalendarDate {  // Rq 1
    int day = 0;
    int month = 0;
    int year = 0;
};
struct TimeOfDay {  // Rq 2
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};
struct GroupTariffStart {  // Rq 3
    int category = 0;
    int dayType = 0;
    int hours = 0;
    int minutes = 0;
    int month = 0;
};
struct TariffStartQuery {  // Rq 4
    int dayType = 0;
    int month = 0;
};
struct GroupPowerThreshold {  // Rq 5
    int category = 0;
    double powerKw = 0;
};
struct SeasonalSwitch {  // Rq 6
    int enabled = 0;
};
struct LineSpeed {  // Rq 7, 28
    int baudRate = 0;
};
struct GroupPeakTariff {  // Rq 8
    int category = 0;
    int dayType = 0;
    int interval = 0;  // 1..3
    int hours = 0;
    int minutes = 0;
    int durationMin = 0;
    int month = 0;
    int isPeak = 0;
};
struct PeakIntervalQuery {  // Rq 9
    int dayType = 0;
    int interval = 0;
    int month = 0;
};
struct MeterAddress {  // Rq 10
    int address = 0;
};
struct ConsumerCategory {  // Rq 11, Rp 3
    int category = 0;
};
struct EnergyThreshold {  // Rq 12
    int category = 0;
    double energyKwh = 0;
};
struct DisplayModes {  // Rq 13 (modes only), Rp 10
    std::array<int, 8> modes{};
    int seconds = 1;
};
struct MonthNumber {  // Rq 14
    int month = 0;
};
struct OnOffSwitch {  // Rq 15, Rp 12
    int on = 0;
};
struct LoadMode {  // Rq 16, Rp 11
    int loadMode = 0;  // 0 "T", 1 "O", 2 "F", 3 "C"
};
struct HolidayNumber {  // Rq 17
    int holidayNumber = 0;
};
struct Holiday {  // Rq 18, Rp 13
    int holidayNumber = 0;
    int day = 0;
    int month = 0;
    int flag = 0;
};
struct GraphPointQuery {  // Rq 19
    int month = 0;
    int day = 0;
    int halfHour = 0;  // 0..47
};
struct CycleTime {  // Rq 20
    int seconds = 0;
};
struct TransformationRatio {  // Rq 21, Rp 16
    double ratio = 0;
};
struct ModemInitString {  // Rq 22, Rp 18
    std::string initString;
};
struct ModemTimeout {  // Rq 23, Rp 19
    int minutes = 0;
};
struct RemoteModemCommand {  // Rq 24
    int timeoutMin = 0;
    std::string command;
};
struct CardRecordIndex {  // Rq 25, 35
    int index = 0;
};
struct GraphClear {  // Rq 26
    int p0 = 0;
    int p1 = 0;
};
struct AccessKey {  // Rq 27
    std::uint32_t key = 0;
};
struct CardUserSection {  // Rq 29, Rp 21
    int code = 0;    // 0..9999
    int number = 0;  // 0..99999999
    std::uint32_t idLow = 0;
    std::uint32_t idHigh = 0;  // 0..0xFFFF
    std::array<std::uint8_t, 3> extra{};
};
struct CardPaymentSection {  // Rq 30, Rp 22
    std::uint8_t status = 0;
    std::uint8_t flags = 0;  // read only
    int day = 0;
    int month = 0;
    int year = 0;
    std::array<double, 4> amounts{};
};
struct CardValues {  // Rq 31, Rp 24
    std::array<double, 4> values{};
};
struct CardWrite {  // Rq 32
    std::uint16_t address = 0;
    std::vector<std::uint8_t> data;  // at most 255 bytes
};
struct CardReadRequest {  // Rq 33
    std::uint16_t address = 0;
    std::uint8_t length = 0;
};
struct CardHolidays {  // Rq 34, Rp 26
    int index = 0;
    std::array<int, 8> day{};
    std::array<int, 8> month{};
    std::array<int, 8> flag{};
};
struct ClockTime {
    int hours = 0;
    int minutes = 0;
};
struct CardPeak {
    int isPeak = 0;
    int hours = 0;
    int minutes = 0;
    int durationMin = 0;  // 0..255
};
struct CardTariffSchedule {  // Rq 36, Rp 27
    int mode = 0;  // 0..7
    ClockTime halfPeakStart;
    ClockTime offPeakStart;
    std::array<CardPeak, 3> peaks{};
};
struct CardExtraModes {  // Rq 37, Rp 28
    int code = 0;
    double powerW = 0;
    double energyWh = 0;
    std::uint8_t modeByte = 0;
    std::array<std::uint8_t, 3> options{};
    double ratio = 0;
    int enabled = 0;
};
struct CardActions {  // Rq 38 (actions only), Rp 29
    std::uint16_t actions = 0;
    std::uint16_t results = 0;
};

struct YesNo {  // Rp 0
    int yes = 0;
};
struct MeterDateTime {  // Rp 1
    int weekday = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int day = 0;
    int month = 0;
    int year = 0;  // four digits
};
struct HourMinute {  // Rp 2
    int hours = 0;
    int minutes = 0;
};
struct PowerThreshold {  // Rp 4
    double powerKw = 0;
};
struct EnergyValue {  // Rp 5, 6
    double energyKwh = 0;
};
struct DeviceVersion {  // Rp 7
    std::string version;  // two characters
};
struct SerialNumber {  // Rp 8
    std::uint32_t serialLow = 0;
    std::int32_t serialHigh = 0;
};
struct PeakInterval {  // Rp 9
    int hours = 0;
    int minutes = 0;
    int durationMin = 0;
    int isPeak = 0;
};
struct PaymentBalance {  // Rp 14
    int day = 0;  // 0: not paid
    int month = 0;
    int year = 0;
    double balance = 0;
};
struct GraphPoint {  // Rp 15
    int marker = 0;
    double exponent = 0;
    double value = 0;
};
struct CardReaderState {  // Rp 20
    std::uint8_t state = 0;
};
struct CardConsumption {  // Rp 23
    int day = 0;
    int month = 0;
    int year = 0;
    std::array<double, 4> values{};
};
struct CardData {  // Rp 25
    // A reply with more bytes than this is invalid.
    std::size_t capacity = 15;
    std::vector<std::uint8_t> data;
};

// Any record; std::monostate is "no record".
using LayoutRecord =
    std::variant<std::monostate, Password, CalendarDate, TimeOfDay, GroupTariffStart,
                 TariffStartQuery, GroupPowerThreshold, SeasonalSwitch, LineSpeed,
                 GroupPeakTariff, PeakIntervalQuery, MeterAddress, ConsumerCategory,
                 EnergyThreshold, DisplayModes, MonthNumber, OnOffSwitch, LoadMode,
                 HolidayNumber, Holiday, GraphPointQuery, CycleTime, TransformationRatio,
                 ModemInitString, ModemTimeout, RemoteModemCommand, CardRecordIndex,
                 GraphClear, AccessKey, CardUserSection, CardPaymentSection, CardValues,
                 CardWrite, CardReadRequest, CardHolidays, CardTariffSchedule, CardExtraModes,
                 CardActions, YesNo, MeterDateTime, HourMinute, PowerThreshold, EnergyValue,
                 DeviceVersion, SerialNumber, PeakInterval, PaymentBalance, GraphPoint,
                 CardReaderState, CardConsumption, CardData>;

}  // namespace quillet
