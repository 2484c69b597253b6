#include "pages/link/LinkPages.h"

namespace quillet {

// Not built yet: the tab stays empty.
void registerModemPage() {}

}  // namespace quillet
