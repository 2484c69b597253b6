#include "meter/Thresholds.h"
