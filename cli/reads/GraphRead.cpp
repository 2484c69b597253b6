#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

std::string checkGraphArgs(ReadArgs args) {
    return noArgs(args);
}

void runGraph(RecordingRunner&, ReadArgs, MeterReport&, std::string*) {}

}  // namespace quillet::cli
