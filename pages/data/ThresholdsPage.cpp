#include "pages/data/DataPages.h"

namespace quillet {

void registerThresholdsPage() {}

}  // namespace quillet
