#include "cli/CliMain.h"
