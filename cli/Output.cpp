#include "cli/Output.h"
