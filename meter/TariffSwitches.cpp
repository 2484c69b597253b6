#include "meter/TariffSwitches.h"

#include "protocol/LayoutRecords.h"

namespace quillet {

void TariffSwitches::read(CommandRunner& runner, const std::function<void(std::size_t)>& shown) {
    *this = {};
    for (std::size_t item = 0; item < kItemCount; ++item) {
        if (const auto state = runner.read<OnOffSwitch>(kReadCommands[item])) {
            on[item] = state->on != 0;
        }
        if (shown) {
            shown(item);
        }
    }
}

}  // namespace quillet
