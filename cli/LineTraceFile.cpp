#include "cli/LineTraceFile.h"
