#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

std::string checkReadingsArgs(ReadArgs args) {
    return noArgs(args);
}

void runReadings(RecordingRunner&, ReadArgs, MeterReport&, std::string*) {}

}  // namespace quillet::cli
