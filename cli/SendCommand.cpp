#include "cli/SendCommand.h"
