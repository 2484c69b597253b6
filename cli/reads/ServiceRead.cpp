#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

std::string checkServiceArgs(ReadArgs args) {
    return noArgs(args);
}

void runService(RecordingRunner&, ReadArgs, MeterReport&, std::string*) {}

}  // namespace quillet::cli
