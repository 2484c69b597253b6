// A tariff schedule file (*.trf): 96 lines of three starts and three peaks, month by
// month, day type by day type. The schedule promises: every start a clock time, every
// peak a clock time with a duration of 0..255; a line without all sixteen numbers leaves
// its day all 0, an out-of-range start or peak leaves that one 0, and the load is
// incomplete exactly then; nothing of the schedule before survives; what it writes reads
// back complete and the same.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "meter/TariffSchedule.h"
#include "tests/fuzz/DataFileLines.h"
#include "tests/fuzz/FuzzRequire.h"

namespace {

using quillet::DayTariffs;
using quillet::TariffSchedule;
using quillet::fuzz::DataFileLines;
using quillet::fuzz::fitsScanf;
using Result = TariffSchedule::LoadResult;

constexpr int kLines = TariffSchedule::kMonths * TariffSchedule::kDayTypes;

bool isClockTime(int hours, int minutes) {
    return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59;
}

bool inRange(const DayTariffs& day) {
    const auto peakInRange = [](const quillet::PeakPeriod& peak) {
        return isClockTime(peak.hours, peak.minutes) && peak.durationMin >= 0 &&
               peak.durationMin <= TariffSchedule::kMaxDuration;
    };
    return isClockTime(day.halfPeakStart.hours, day.halfPeakStart.minutes) &&
           isClockTime(day.offPeakStart.hours, day.offPeakStart.minutes) &&
           std::all_of(day.peaks.begin(), day.peaks.end(), peakInRange);
}

// What the line should give, read with the C library's scanf; true when nothing is left
// out.
bool expectedDay(const std::string& line, DayTariffs& day) {
    int n[16] = {};
    const int count =
        std::sscanf(line.c_str(), "%d:%2d %d:%2d %d:%2d %d %d %d:%2d %d %d %d:%2d %d %d", &n[0],
                    &n[1], &n[2], &n[3], &n[4], &n[5], &n[6], &n[7], &n[8], &n[9], &n[10], &n[11],
                    &n[12], &n[13], &n[14], &n[15]);
    day = {};
    if (count < 16) {
        return false;
    }
    bool complete = true;
    if (isClockTime(n[0], n[1])) {
        day.halfPeakStart = {n[0], n[1]};
    } else {
        complete = false;
    }
    if (isClockTime(n[2], n[3])) {
        day.offPeakStart = {n[2], n[3]};
    } else {
        complete = false;
    }
    for (std::size_t p = 0; p < day.peaks.size(); ++p) {
        const int* at = n + 4 + 4 * p;
        if (isClockTime(at[0], at[1]) && at[2] >= 0 && at[2] <= TariffSchedule::kMaxDuration) {
            day.peaks[p] = {at[0], at[1], at[2], at[3]};
        } else {
            complete = false;
        }
    }
    return complete;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TariffSchedule schedule;
    // Something in every day, which the load must replace.
    for (int m = 0; m < TariffSchedule::kMonths; ++m) {
        for (int d = 0; d < TariffSchedule::kDayTypes; ++d) {
            schedule.at(m, d) = {{7, 0}, {23, 0}, {{{8, 0, 120, 1}, {17, 30, 90, 0}, {}}}};
        }
    }

    DataFileLines file(bytes);
    file.skipHeader();
    const Result result = schedule.loadFileLines(file.reader());
    FUZZ_REQUIRE(result != Result::Unreadable);

    const std::vector<std::string> lines = DataFileLines::bodyLines(bytes, kLines);
    bool expectComplete = lines.size() == kLines;
    for (int i = 0; i < kLines; ++i) {
        const DayTariffs& day =
            schedule.at(i / TariffSchedule::kDayTypes, i % TariffSchedule::kDayTypes);
        FUZZ_REQUIRE(inRange(day));
        const auto at = static_cast<std::size_t>(i);
        if (at >= lines.size()) {
            FUZZ_REQUIRE(day == DayTariffs{});
            continue;
        }
        DayTariffs alone;
        const bool lineComplete = TariffSchedule::parseFileLine(lines[at], alone);
        FUZZ_REQUIRE(alone == day);
        expectComplete = expectComplete && lineComplete;
        if (!fitsScanf(lines[at])) {
            continue;
        }
        DayTariffs expected;
        FUZZ_REQUIRE(lineComplete == expectedDay(lines[at], expected));
        FUZZ_REQUIRE(day == expected);
    }
    FUZZ_REQUIRE((result == Result::Complete) == expectComplete);

    // Written and read back.
    const std::string body = schedule.fileBody();
    const std::string saved = quillet::fuzz::fileWithBody(body);
    TariffSchedule reread;
    DataFileLines savedFile(saved);
    savedFile.skipHeader();
    FUZZ_REQUIRE(reread.loadFileLines(savedFile.reader()) == Result::Complete);
    for (int m = 0; m < TariffSchedule::kMonths; ++m) {
        for (int d = 0; d < TariffSchedule::kDayTypes; ++d) {
            FUZZ_REQUIRE(reread.at(m, d) == schedule.at(m, d));
        }
    }
    FUZZ_REQUIRE(reread.fileBody() == body);
    return 0;
}
