#include "meter/TariffSchedule.h"
