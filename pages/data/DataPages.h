#pragma once

namespace quillet {

// Gives the page factory the classes of the meter data pages.
void registerDataPages();

void registerServicePage();
void registerDateTimePage();
void registerReadingsPage();
void registerHolidaysPage();

}  // namespace quillet
