#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

std::string checkDisplayArgs(ReadArgs args) {
    return noArgs(args);
}

void runDisplay(RecordingRunner&, ReadArgs, MeterReport&, std::string*) {}

}  // namespace quillet::cli
