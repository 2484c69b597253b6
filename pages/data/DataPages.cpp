#include "pages/data/DataPages.h"

namespace quillet {

void registerDataPages() {
    registerServicePage();
    registerDateTimePage();
    registerReadingsPage();
    registerHolidaysPage();
}

}  // namespace quillet
