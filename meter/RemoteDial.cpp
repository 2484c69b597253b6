#include "meter/RemoteDial.h"
