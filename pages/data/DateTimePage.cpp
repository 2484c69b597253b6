#include "pages/data/DataPages.h"

namespace quillet {

void registerDateTimePage() {}

}  // namespace quillet
