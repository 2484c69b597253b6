#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

std::string checkClockArgs(ReadArgs args) {
    return noArgs(args);
}

void runClock(RecordingRunner&, ReadArgs, MeterReport&, std::string*) {}

}  // namespace quillet::cli
