#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/RecordingRunner.h"
#include "cli/Report.h"

namespace quillet::cli {

// The words after a read's name on the command line ("graph 15/03": {"15/03"}).
using ReadArgs = std::span<const std::string>;

// One read of the command line: the same commands in the same order as its page's read
// from the device.
struct ReadSpec {
    std::string_view name;   // "service"
    std::string_view usage;  // "graph DAY/MONTH"
    // The extension of the page's data file ("ind", "plt", "trf", "day"); empty when the
    // page keeps no file.
    std::string_view fileExtension;
    // The message for arguments that do not fit (UTF-8, for standard error); empty when
    // they do.
    std::string (*checkArgs)(ReadArgs args);
    // Reads one meter through `runner` (fresh for every meter) into `report`; when
    // `fileBody` is given and the page keeps a data file, the lines that follow the file
    // header ("\n" ends, UTF-8) go there.
    void (*run)(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* fileBody);
};

// Every read, in the order the help lists them.
std::span<const ReadSpec> readTable();
// Null when no read has that name.
const ReadSpec* findRead(std::string_view name);

}  // namespace quillet::cli
