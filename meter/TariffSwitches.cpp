#include "meter/TariffSwitches.h"
