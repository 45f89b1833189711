// Moved to tests/support; kept while FaultDriver.cpp still names this path.
#include "tests/support/ProcessStats.h"
