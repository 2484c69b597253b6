#include "meter/ServiceInfo.h"
