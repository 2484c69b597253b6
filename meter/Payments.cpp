#include "meter/Payments.h"
