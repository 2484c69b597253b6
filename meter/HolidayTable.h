#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "meter/CommandRunner.h"

namespace quillet {

// One holiday of the meter; day 0 (and month 0) is an empty entry.
struct HolidayDate {
    int day = 0;
    int month = 0;

    bool empty() const { return day == 0; }
    friend bool operator==(const HolidayDate&, const HolidayDate&) = default;
};

// The sixteen holidays of a meter and their *.day file. Entry i is the meter's holiday
// number i + 1. Only valid dates (29 February included) are ever stored.
class HolidayTable {
public:
    static constexpr int kCount = 16;
    static constexpr std::size_t kReadHoliday = 68;

    enum class LoadResult {
        Complete,
        Incomplete,  // lines missing or unreadable: those entries are empty
        Unreadable,  // the file could not be read: the table is as it was
    };

    // The table of the window's run: empty at start, kept across tab changes.
    static HolidayTable& shared();

    const HolidayDate& at(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
    // Stores the date when it is a valid day of a month, otherwise empties the entry;
    // true when it was stored.
    bool set(int index, int day, int month);
    void clear();

    // Asks for holidays 1..16 in order, entry i by the read's command i, each whatever
    // became of the one before; a failed command leaves its entry empty. `settled` hears
    // of each entry as soon as it is known.
    void read(CommandRunner& runner, const std::function<void(int index)>& settled = {});

    // The lines after the file header: "%d/%02d" each, "0/00" for an empty entry, "\n"
    // ends.
    std::string fileBody() const;
    // Takes the sixteen lines of a *.day file after its header: Complete or Incomplete;
    // an entry whose line is missing, unreadable or no valid date is empty.
    LoadResult loadFileLines(const std::function<std::optional<std::string>()>& nextLine);

private:
    std::array<HolidayDate, kCount> entries_{};
};

}  // namespace quillet
