#include "pages/data/DataPages.h"

namespace quillet {

void registerServicePage() {}

}  // namespace quillet
