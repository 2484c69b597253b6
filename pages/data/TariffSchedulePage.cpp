#include "pages/data/DataPages.h"

namespace quillet {

void registerTariffSchedulePage() {}

}  // namespace quillet
