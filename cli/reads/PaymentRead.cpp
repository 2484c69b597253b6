#include "cli/reads/ReadFunctions.h"

namespace quillet::cli {

std::string checkPaymentArgs(ReadArgs args) {
    return noArgs(args);
}

void runPayment(RecordingRunner&, ReadArgs, MeterReport&, std::string*) {}

}  // namespace quillet::cli
