#pragma once

namespace quillet {

// Gives the page factory the classes of the meter data pages.
void registerDataPages();

void registerServicePage();
void registerDateTimePage();
void registerReadingsPage();
void registerHolidaysPage();
void registerDisplayPage();
void registerTariffsPage();
void registerTariffSchedulePage();
void registerGraphPage();
void registerThresholdsPage();
void registerPaymentPage();

}  // namespace quillet
