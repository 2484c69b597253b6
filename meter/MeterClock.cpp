#include "meter/MeterClock.h"
