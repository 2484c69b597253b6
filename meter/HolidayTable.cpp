#include "meter/HolidayTable.h"

#include <cstdio>

#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"

namespace quillet {

HolidayTable& HolidayTable::shared() {
    static HolidayTable table;
    return table;
}

bool HolidayTable::set(int index, int day, int month) {
    HolidayDate& entry = entries_.at(static_cast<std::size_t>(index));
    const bool valid = isValidDayOfMonth(day, month, 0);
    entry = valid ? HolidayDate{day, month} : HolidayDate{};
    return valid;
}

void HolidayTable::clear() {
    entries_.fill({});
}

void HolidayTable::read(CommandRunner& runner, const std::function<void(int index)>& settled) {
    for (int i = 0; i < kCount; ++i) {
        const std::optional<Holiday> read =
            runner.read<Holiday>(kReadHoliday, HolidayNumber{i + 1});
        set(i, read ? read->day : 0, read ? read->month : 0);
        if (settled) {
            settled(i);
        }
    }
}

std::string HolidayTable::fileBody() const {
    std::string body;
    for (const HolidayDate& entry : entries_) {
        char line[32];
        const int length = std::snprintf(line, sizeof line, "%d/%02d\n", entry.day, entry.month);
        body.append(line, static_cast<std::size_t>(length));
    }
    return body;
}

HolidayTable::LoadResult HolidayTable::loadFileLines(
    const std::function<std::optional<std::string>()>& nextLine) {
    HolidayTable loaded;
    bool complete = true;
    for (int i = 0; i < kCount; ++i) {
        const std::optional<std::string> line = nextLine();
        int day = 0;
        int month = 0;
        if (!line || scanDayMonth(*line, day, month) < 2) {
            complete = false;
            continue;
        }
        // An invalid date ("0/00" of an empty holiday among them) stays empty unremarked.
        loaded.set(i, day, month);
    }
    entries_ = loaded.entries_;
    return complete ? LoadResult::Complete : LoadResult::Incomplete;
}

}  // namespace quillet
