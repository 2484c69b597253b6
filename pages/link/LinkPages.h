#pragma once

namespace quillet {

// Gives the page factory the classes of the link and access pages.
void registerLinkPages();

void registerConnectionPage();
void registerAccessPage();
void registerModemPage();
void registerControllerPage();
void registerControllerModemPage();
void registerExchangeLogPage();
void registerAboutPage();

}  // namespace quillet
