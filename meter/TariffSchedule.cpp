#include "meter/TariffSchedule.h"

#include <algorithm>
#include <cstdio>

#include "protocol/LayoutRecords.h"
#include "protocol/LocalClock.h"
#include "protocol/ValueText.h"

namespace quillet {

namespace {

// A schedule line as the file holds it: three starts, then three peaks of a start, a
// duration and a flag ("%02d" minutes read back with a width of two).
constexpr std::string_view kLineFormat = "%d:%2d %d:%2d %d:%2d %d %d %d:%2d %d %d %d:%2d %d %d";
constexpr int kLineNumbers = 16;

// How many of the sixteen numbers the line gives, in `numbers`; anything after the
// sixteenth is ignored.
int scanScheduleLine(std::string_view line, std::array<int, kLineNumbers>& numbers) {
    std::array<double, kLineNumbers> values{};
    const int count = scanLine(line, kLineFormat, values);
    std::transform(values.begin(), values.end(), numbers.begin(),
                   [](double value) { return static_cast<int>(value); });
    return count;
}

bool isClockTime(int hours, int minutes) {
    return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59;
}

// One start of a day type from the meter; 0:00 when the command fails.
TariffStart readStart(CommandRunner& runner, std::size_t slot, int dayType, int month) {
    const std::optional<HourMinute> read =
        runner.read<HourMinute>(slot, TariffStartQuery{dayType, month});
    return read ? TariffStart{read->hours, read->minutes} : TariffStart{};
}

// Peak period `number` (1..3) of a day type from the meter; all 0 when the command fails.
PeakPeriod readPeak(CommandRunner& runner, int dayType, int number, int month) {
    const std::optional<PeakInterval> read = runner.read<PeakInterval>(
        TariffSchedule::kReadPeak, PeakIntervalQuery{dayType, number, month});
    return read ? PeakPeriod{read->hours, read->minutes, read->durationMin, read->isPeak}
                : PeakPeriod{};
}

}  // namespace

TariffSchedule::TariffSchedule() : monthIndex(std::clamp(localNow().month, 1, 12) - 1) {}

TariffSchedule& TariffSchedule::shared() {
    static TariffSchedule schedule;
    return schedule;
}

DayTariffs& TariffSchedule::at(int month, int dayType) {
    return months_.at(static_cast<std::size_t>(month)).at(static_cast<std::size_t>(dayType));
}

const DayTariffs& TariffSchedule::at(int month, int dayType) const {
    return months_.at(static_cast<std::size_t>(month)).at(static_cast<std::size_t>(dayType));
}

void TariffSchedule::clearMonth(int month) {
    months_.at(static_cast<std::size_t>(month)).fill({});
}

void TariffSchedule::clear() {
    months_.fill({});
}

TariffSchedule::ReadSteps TariffSchedule::readSteps() {
    ReadSteps steps{};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const int at = static_cast<int>(i);
        steps[i] = {at / kPartsPerDay, at % kPartsPerDay};
    }
    return steps;
}

void TariffSchedule::read(CommandRunner& runner,
                          const std::function<void(const ReadStep&)>& settled) {
    const int month = monthIndex + 1;
    for (const ReadStep& step : readSteps()) {
        DayTariffs& day = at(monthIndex, step.dayType);
        switch (step.part) {
            case kHalfPeakPart:
                day.halfPeakStart = readStart(runner, kReadHalfPeakStart, step.dayType, month);
                break;
            case kOffPeakPart:
                day.offPeakStart = readStart(runner, kReadOffPeakStart, step.dayType, month);
                break;
            default: {
                const int number = step.part - kFirstPeakPart + 1;
                day.peaks.at(static_cast<std::size_t>(number - 1)) =
                    readPeak(runner, step.dayType, number, month);
            }
        }
        if (settled) {
            settled(step);
        }
    }
}

std::string TariffSchedule::startText(const TariffStart& start) {
    return formatHourMinute(start.hours, start.minutes);
}

std::string_view TariffSchedule::peakKindText(int isPeak) {
    return isPeak != 0 ? "пик." : "полу.";
}

std::string TariffSchedule::peakText(const PeakPeriod& peak) {
    return startText({peak.hours, peak.minutes}) + ' ' + std::to_string(peak.durationMin) + ' ' +
           std::string(peakKindText(peak.isPeak));
}

std::string TariffSchedule::fileLine(const DayTariffs& day) {
    const auto& [p1, p2, p3] = day.peaks;
    char line[256];
    const int length = std::snprintf(
        line, sizeof line, "%d:%02d %d:%02d %d:%02d %d %d %d:%02d %d %d %d:%02d %d %d",
        day.halfPeakStart.hours, day.halfPeakStart.minutes, day.offPeakStart.hours,
        day.offPeakStart.minutes, p1.hours, p1.minutes, p1.durationMin, p1.isPeak, p2.hours,
        p2.minutes, p2.durationMin, p2.isPeak, p3.hours, p3.minutes, p3.durationMin, p3.isPeak);
    return std::string(line, static_cast<std::size_t>(std::clamp(length, 0, int(sizeof line) - 1)));
}

bool TariffSchedule::parseFileLine(std::string_view line, DayTariffs& day) {
    std::array<int, kLineNumbers> n{};
    if (scanScheduleLine(line, n) < kLineNumbers) {
        return false;
    }
    bool complete = true;
    // Each start and each peak stands on its own: one out of range costs only itself.
    const auto takeStart = [&](TariffStart& start, std::size_t at) {
        if (isClockTime(n[at], n[at + 1])) {
            start = {n[at], n[at + 1]};
        } else {
            complete = false;
        }
    };
    takeStart(day.halfPeakStart, 0);
    takeStart(day.offPeakStart, 2);
    for (std::size_t p = 0; p < day.peaks.size(); ++p) {
        const std::size_t at = 4 + 4 * p;
        if (isClockTime(n[at], n[at + 1]) && n[at + 2] >= 0 && n[at + 2] <= kMaxDuration) {
            day.peaks[p] = {n[at], n[at + 1], n[at + 2], n[at + 3]};
        } else {
            complete = false;
        }
    }
    return complete;
}

std::string TariffSchedule::fileBody() const {
    std::string body;
    for (const Month& month : months_) {
        for (const DayTariffs& day : month) {
            body += fileLine(day);
            body += '\n';
        }
    }
    return body;
}

TariffSchedule::LoadResult TariffSchedule::loadFileLines(
    const std::function<std::optional<std::string>()>& nextLine) {
    std::array<Month, kMonths> loaded{};
    bool complete = true;
    for (Month& month : loaded) {
        for (DayTariffs& day : month) {
            const std::optional<std::string> line = nextLine();
            if (!line || !parseFileLine(*line, day)) {
                complete = false;
            }
        }
    }
    months_ = loaded;
    return complete ? LoadResult::Complete : LoadResult::Incomplete;
}

}  // namespace quillet
