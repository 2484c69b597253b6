#include "pages/data/DataPages.h"

namespace quillet {

void registerDisplayPage() {}

}  // namespace quillet
