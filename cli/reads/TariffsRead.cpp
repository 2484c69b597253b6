#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

std::string checkTariffsArgs(ReadArgs args) {
    return noArgs(args);
}

void runTariffs(RecordingRunner&, ReadArgs, MeterReport&, std::string*) {}

}  // namespace quillet::cli
