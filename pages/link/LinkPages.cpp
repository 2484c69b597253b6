#include "pages/link/LinkPages.h"

namespace quillet {

void registerLinkPages() {
    registerConnectionPage();
    registerAccessPage();
    registerModemPage();
    registerControllerPage();
    registerControllerModemPage();
    registerExchangeLogPage();
    registerAboutPage();
}

}  // namespace quillet
