#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

std::string checkScheduleArgs(ReadArgs args) {
    return noArgs(args);
}

void runSchedule(RecordingRunner&, ReadArgs, MeterReport&, std::string*) {}

}  // namespace quillet::cli
