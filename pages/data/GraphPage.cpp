#include "pages/data/DataPages.h"

namespace quillet {

void registerGraphPage() {}

}  // namespace quillet
