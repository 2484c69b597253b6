#include "pages/data/DataPages.h"

namespace quillet {

void registerDataPages() {
    registerServicePage();
    registerDateTimePage();
    registerReadingsPage();
    registerHolidaysPage();
    registerDisplayPage();
    registerTariffsPage();
    registerTariffSchedulePage();
    registerGraphPage();
    registerThresholdsPage();
    registerPaymentPage();
}

}  // namespace quillet
