#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

std::string checkHolidaysArgs(ReadArgs args) {
    return noArgs(args);
}

void runHolidays(RecordingRunner&, ReadArgs, MeterReport&, std::string*) {}

}  // namespace quillet::cli
