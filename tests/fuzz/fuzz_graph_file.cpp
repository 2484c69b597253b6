// A half-hour graph file (*.plt): a "%d/%02d" date line, then 48 lines "power flag". The
// graph promises: a date line naming no day of a month changes nothing; otherwise the
// date is the file's when the line gives one and as it was when not; each power is the
// line's when it is a finite number >= 0 followed by a flag, otherwise 0 and not shown,
// and the load is incomplete exactly then; the axis fits the powers; what the graph
// writes reads back complete with the same date and flags and writes the same text.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "meter/HalfHourGraph.h"
#include "tests/fuzz/DataFileLines.h"
#include "tests/fuzz/FuzzRequire.h"

namespace {

using quillet::HalfHourGraph;
using quillet::fuzz::DataFileLines;
using quillet::fuzz::sameBits;
using Result = HalfHourGraph::LoadResult;

// "%d" at `text`: blanks, a sign, digits; clamped to 32 bits as the reader does.
std::optional<int> intAt(const char* text, const char** end) {
    char* stop = nullptr;
    const long long value = std::strtoll(text, &stop, 10);
    if (stop == text) {
        return std::nullopt;
    }
    *end = stop;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

struct DateLine {
    int day = 0;
    int month = 0;
};

// "%d/%d"
std::optional<DateLine> dateOf(const std::string& line) {
    const char* at = line.c_str();
    const std::optional<int> day = intAt(at, &at);
    if (!day || *at != '/') {
        return std::nullopt;
    }
    const std::optional<int> month = intAt(at + 1, &at);
    if (!month) {
        return std::nullopt;
    }
    return DateLine{*day, *month};
}

struct ValueLine {
    double power = 0;
    int flag = 0;
};

// "%lg %d" with a power the graph can show.
std::optional<ValueLine> valueOf(const std::string& line) {
    char* end = nullptr;
    const double power = std::strtod(line.c_str(), &end);
    if (end == line.c_str() || !std::isfinite(power) || power < 0) {
        return std::nullopt;
    }
    const char* at = end;
    const std::optional<int> flag = intAt(at, &at);
    if (!flag) {
        return std::nullopt;
    }
    return ValueLine{power + 0.0, *flag};
}

bool sameGraph(const HalfHourGraph& a, const HalfHourGraph& b) {
    return a.day == b.day && a.month == b.month && a.power == b.power && a.shown == b.shown &&
           sameBits(a.scaleMax, b.scaleMax);
}

// A graph with something on it, for the load to replace or keep.
HalfHourGraph graphBefore() {
    HalfHourGraph graph;
    graph.day = 15;
    graph.month = 6;
    for (std::size_t k = 0; k < HalfHourGraph::kHalfHours; ++k) {
        graph.power[k] = 0.5 * static_cast<double>(k);
        graph.shown[k] = k % 2 == 0 ? 1 : 0;
    }
    graph.updateScaleMax();
    return graph;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    HalfHourGraph graph = graphBefore();
    const HalfHourGraph before = graph;

    DataFileLines file(bytes);
    file.skipHeader();
    const HalfHourGraph::LoadOutcome outcome = graph.loadFileLines(file.reader());

    const std::vector<std::string> lines =
        DataFileLines::bodyLines(bytes, 1 + HalfHourGraph::kHalfHours);
    const std::optional<DateLine> date = lines.empty() ? std::nullopt : dateOf(lines[0]);
    if (date && !quillet::fuzz::isDayOfMonth(date->day, date->month)) {
        FUZZ_REQUIRE(outcome.result == Result::InvalidDate);
        FUZZ_REQUIRE(!outcome.dateRead);
        FUZZ_REQUIRE(sameGraph(graph, before));
        return 0;
    }
    FUZZ_REQUIRE(outcome.result != Result::InvalidDate);
    FUZZ_REQUIRE(outcome.dateRead == date.has_value());
    FUZZ_REQUIRE(graph.day == (date ? date->day : before.day));
    FUZZ_REQUIRE(graph.month == (date ? date->month : before.month));

    bool expectComplete = true;
    for (std::size_t k = 0; k < HalfHourGraph::kHalfHours; ++k) {
        const double power = graph.power[k];
        FUZZ_REQUIRE(std::isfinite(power) && power >= 0 && !std::signbit(power));
        const std::optional<ValueLine> given =
            k + 1 < lines.size() ? valueOf(lines[k + 1]) : std::nullopt;
        expectComplete = expectComplete && given.has_value();
        FUZZ_REQUIRE(sameBits(power, given ? given->power : 0.0));
        FUZZ_REQUIRE(graph.shown[k] == (given ? given->flag : 0));
    }
    FUZZ_REQUIRE((outcome.result == Result::Complete) == expectComplete);
    const double largest = *std::max_element(graph.power.begin(), graph.power.end());
    FUZZ_REQUIRE(std::isfinite(graph.scaleMax) && graph.scaleMax > 0);
    FUZZ_REQUIRE(sameBits(graph.scaleMax, HalfHourGraph::scaleFor(largest)));

    // Written and read back.
    const std::string body = graph.fileBody();
    const std::string saved = quillet::fuzz::fileWithBody(body);
    HalfHourGraph reread;
    DataFileLines savedFile(saved);
    savedFile.skipHeader();
    const HalfHourGraph::LoadOutcome again = reread.loadFileLines(savedFile.reader());
    FUZZ_REQUIRE(again.result == Result::Complete && again.dateRead);
    FUZZ_REQUIRE(reread.day == graph.day && reread.month == graph.month);
    FUZZ_REQUIRE(reread.shown == graph.shown);
    for (std::size_t k = 0; k < HalfHourGraph::kHalfHours; ++k) {
        FUZZ_REQUIRE(std::fabs(reread.power[k] - graph.power[k]) <= 1e-5 * graph.power[k]);
    }
    FUZZ_REQUIRE(reread.fileBody() == body);
    return 0;
}
