#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "meter/CommandRunner.h"

namespace quillet {

struct TariffStart {
    int hours = 0;
    int minutes = 0;

    friend bool operator==(const TariffStart&, const TariffStart&) = default;
};

// A peak period: its start, its length and whether it is billed as peak (non-zero) or as
// half-peak (zero).
struct PeakPeriod {
    int hours = 0;
    int minutes = 0;
    int durationMin = 0;  // 0..255
    int isPeak = 0;

    friend bool operator==(const PeakPeriod&, const PeakPeriod&) = default;
};

// When the tariffs of one day type of one month begin.
struct DayTariffs {
    static constexpr int kPeaks = 3;

    TariffStart halfPeakStart;
    TariffStart offPeakStart;
    std::array<PeakPeriod, kPeaks> peaks{};

    friend bool operator==(const DayTariffs&, const DayTariffs&) = default;
};

// The tariff schedule of a year: for each month, the eight day types Sunday .. Saturday
// and holiday. Everything 0 until read from a meter or a file; kept with the month shown.
class TariffSchedule {
public:
    static constexpr int kMonths = 12;
    static constexpr int kDayTypes = 8;
    static constexpr int kMaxDuration = 255;

    static constexpr std::size_t kReadHalfPeakStart = 37;
    static constexpr std::size_t kReadOffPeakStart = 38;
    static constexpr std::size_t kReadPeak = 55;

    enum class LoadResult {
        Complete,
        Incomplete,  // lines missing or out of range: those values are 0
        Unreadable,  // the file could not be read: the schedule is as it was
    };

    // What one command of a month's read gives: a day type's half-peak start (part 0),
    // its off-peak start (1) or its peak 1..3 (parts 2..4).
    struct ReadStep {
        int dayType = 0;
        int part = 0;
    };
    static constexpr int kHalfPeakPart = 0;
    static constexpr int kOffPeakPart = 1;
    static constexpr int kFirstPeakPart = 2;
    static constexpr int kPartsPerDay = kFirstPeakPart + DayTariffs::kPeaks;
    static constexpr std::size_t kReadCommands = kDayTypes * kPartsPerDay;
    using ReadSteps = std::array<ReadStep, kReadCommands>;

    // The computer's month selected.
    TariffSchedule();

    // The schedule of the window's run.
    static TariffSchedule& shared();

    // `month` counts from 0 for January.
    DayTariffs& at(int month, int dayType);
    const DayTariffs& at(int month, int dayType) const;
    void clearMonth(int month);
    void clear();

    // The commands of a month's read in the order they go out: for each day type its two
    // starts, then its three peaks.
    static ReadSteps readSteps();
    // Reads the selected month from the meter, every command of readSteps() whatever
    // became of the one before; a value whose command failed is 0. `settled` hears of
    // each value as soon as it is known.
    void read(CommandRunner& runner, const std::function<void(const ReadStep&)>& settled = {});

    // What the page shows: "h:mm" of a start; "пик." or "полу." for a period billed as
    // peak or half-peak; "h:mm minutes kind" of a peak period (UTF-8).
    static std::string startText(const TariffStart& start);
    static std::string_view peakKindText(int isPeak);
    static std::string peakText(const PeakPeriod& peak);

    // One line of a *.trf file, without its end.
    static std::string fileLine(const DayTariffs& day);
    // Reads a *.trf line into `day` (all 0 on entry): nothing when it does not hold all
    // sixteen numbers, otherwise each start and peak that is in range. False when anything
    // was left out.
    static bool parseFileLine(std::string_view line, DayTariffs& day);

    // The 96 lines after the file header, month by month, "\n" ends.
    std::string fileBody() const;
    // Takes the 96 lines of a *.trf file after its header: Complete or Incomplete, and
    // every value not given is 0.
    LoadResult loadFileLines(const std::function<std::optional<std::string>()>& nextLine);

    int monthIndex = 0;  // the month shown, 0..11

private:
    using Month = std::array<DayTariffs, kDayTypes>;
    std::array<Month, kMonths> months_{};
};

}  // namespace quillet
