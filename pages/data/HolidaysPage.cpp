#include "pages/data/DataPages.h"

namespace quillet {

void registerHolidaysPage() {}

}  // namespace quillet
