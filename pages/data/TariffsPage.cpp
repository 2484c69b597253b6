#include "pages/data/DataPages.h"

namespace quillet {

void registerTariffsPage() {}

}  // namespace quillet
