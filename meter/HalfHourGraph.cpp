#include "meter/HalfHourGraph.h"
