// A holidays file (*.day): sixteen "%d/%02d" lines. The table promises: only valid days
// of a month (29 February among them) are stored, every other entry is empty; an entry
// is the line's date when it is one; a missing line, or one without both numbers, makes
// the load incomplete, an invalid date ("0/00" of an empty entry) does not; nothing of
// the table before survives; what it writes reads back complete and the same.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "meter/HolidayTable.h"
#include "tests/fuzz/DataFileLines.h"
#include "tests/fuzz/FuzzRequire.h"

namespace {

using quillet::HolidayDate;
using quillet::HolidayTable;
using quillet::fuzz::DataFileLines;
using quillet::fuzz::fitsScanf;
using quillet::fuzz::isDayOfMonth;
using Result = HolidayTable::LoadResult;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    HolidayTable table;
    // Every entry set, for the load to replace.
    for (int i = 0; i < HolidayTable::kCount; ++i) {
        table.set(i, i + 1, i % 12 + 1);
    }

    DataFileLines file(bytes);
    file.skipHeader();
    const Result result = table.loadFileLines(file.reader());
    FUZZ_REQUIRE(result != Result::Unreadable);

    const std::vector<std::string> lines = DataFileLines::bodyLines(bytes, HolidayTable::kCount);
    bool leftOut = lines.size() < HolidayTable::kCount;
    bool unknown = false;  // a line the C library cannot judge
    for (int i = 0; i < HolidayTable::kCount; ++i) {
        const HolidayDate& entry = table.at(i);
        FUZZ_REQUIRE(entry == HolidayDate{} || isDayOfMonth(entry.day, entry.month));
        const auto at = static_cast<std::size_t>(i);
        if (at >= lines.size()) {
            FUZZ_REQUIRE(entry == HolidayDate{});
            continue;
        }
        if (!fitsScanf(lines[at])) {
            unknown = true;
            continue;
        }
        int day = 0;
        int month = 0;
        const int count = std::sscanf(lines[at].c_str(), "%d/%2d", &day, &month);
        leftOut = leftOut || count < 2;
        const bool valid = count == 2 && isDayOfMonth(day, month);
        FUZZ_REQUIRE(entry == (valid ? HolidayDate{day, month} : HolidayDate{}));
    }
    if (leftOut) {
        FUZZ_REQUIRE(result == Result::Incomplete);
    } else if (!unknown) {
        FUZZ_REQUIRE(result == Result::Complete);
    }

    // Written and read back.
    const std::string body = table.fileBody();
    const std::string saved = quillet::fuzz::fileWithBody(body);
    HolidayTable reread;
    DataFileLines savedFile(saved);
    savedFile.skipHeader();
    FUZZ_REQUIRE(reread.loadFileLines(savedFile.reader()) == Result::Complete);
    for (int i = 0; i < HolidayTable::kCount; ++i) {
        FUZZ_REQUIRE(reread.at(i) == table.at(i));
    }
    FUZZ_REQUIRE(reread.fileBody() == body);
    return 0;
}
