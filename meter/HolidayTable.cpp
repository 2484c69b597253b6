#include "meter/HolidayTable.h"
