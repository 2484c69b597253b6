#include "pages/data/DataPages.h"

namespace quillet {

void registerReadingsPage() {}

}  // namespace quillet
