#include "cli/CliSession.h"
