#include "cli/Ports.h"
