#include "link/TimerResolution.h"

// POSIX sleeps are already fine-grained.
TimerResolution::TimerResolution() {}
TimerResolution::~TimerResolution() {}
