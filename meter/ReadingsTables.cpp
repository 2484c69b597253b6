#include "meter/ReadingsTables.h"
