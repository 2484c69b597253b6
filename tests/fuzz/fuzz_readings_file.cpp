// A readings file (*.ind). The tables promise: each value is unknown (-1) or a finite
// reading >= 0, never -0; a missing line or one without a number leaves its value as it
// was; a line whose number is no value leaves it too and makes the load incomplete;
// what the tables write reads back complete and writes the same text again.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "meter/ReadingsTables.h"
#include "tests/fuzz/DataFileLines.h"
#include "tests/fuzz/FuzzRequire.h"

namespace {

using quillet::ReadingsTables;
using quillet::fuzz::DataFileLines;
using quillet::fuzz::sameBits;

// The leading number of a line as "%lg" takes it.
std::optional<double> leadingNumber(const std::string& line) {
    char* end = nullptr;
    const double value = std::strtod(line.c_str(), &end);
    if (end == line.c_str()) {
        return std::nullopt;
    }
    return value;
}

// Values the load has to keep where a line gives none: known and unknown ones.
void fillBefore(ReadingsTables& tables) {
    for (std::size_t i = 0; i < ReadingsTables::kFileValues; ++i) {
        tables.fileValue(i) =
            i % 3 == 0 ? ReadingsTables::kNoValue : 1000.25 * static_cast<double>(i);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadingsTables tables;
    fillBefore(tables);
    const ReadingsTables before = tables;

    DataFileLines file(bytes);
    file.skipHeader();
    const bool complete = tables.loadFileLines(file.reader());

    const std::vector<std::string> lines =
        DataFileLines::bodyLines(bytes, ReadingsTables::kFileValues);
    bool expectComplete = true;
    for (std::size_t i = 0; i < ReadingsTables::kFileValues; ++i) {
        const double value = tables.fileValue(i);
        FUZZ_REQUIRE(value == ReadingsTables::kNoValue ||
                     (std::isfinite(value) && value >= 0 && !std::signbit(value)));
        const std::optional<double> given =
            i < lines.size() ? leadingNumber(lines[i]) : std::nullopt;
        const bool isValue =
            given && std::isfinite(*given) && (*given >= 0 || *given == ReadingsTables::kNoValue);
        if (given && !isValue) {
            expectComplete = false;
        }
        FUZZ_REQUIRE(sameBits(value, isValue ? *given + 0.0 : before.fileValue(i)));
    }
    FUZZ_REQUIRE(complete == expectComplete);

    // Written and read back: complete, the same values to the six digits written.
    const std::string body = tables.fileBody();
    const std::string saved = quillet::fuzz::fileWithBody(body);
    ReadingsTables reread;
    reread.clearValues();
    DataFileLines savedFile(saved);
    savedFile.skipHeader();
    FUZZ_REQUIRE(reread.loadFileLines(savedFile.reader()));
    for (std::size_t i = 0; i < ReadingsTables::kFileValues; ++i) {
        const double value = tables.fileValue(i);
        const double again = reread.fileValue(i);
        FUZZ_REQUIRE((value == ReadingsTables::kNoValue) == (again == ReadingsTables::kNoValue));
        FUZZ_REQUIRE(std::fabs(again - value) <= 1e-5 * std::fabs(value));
    }
    FUZZ_REQUIRE(reread.fileBody() == body);
    return 0;
}
