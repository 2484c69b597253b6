#include "meter/DisplaySettings.h"
