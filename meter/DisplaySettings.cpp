#include "meter/DisplaySettings.h"

namespace quillet {

std::optional<DisplayModes> DisplaySettings::read(CommandRunner& runner) {
    return runner.read<DisplayModes>(kReadModes);
}

}  // namespace quillet
