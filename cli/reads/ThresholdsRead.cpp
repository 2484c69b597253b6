#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

std::string checkThresholdsArgs(ReadArgs args) {
    return noArgs(args);
}

void runThresholds(RecordingRunner&, ReadArgs, MeterReport&, std::string*) {}

}  // namespace quillet::cli
