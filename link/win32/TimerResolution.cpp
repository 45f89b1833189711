#include "link/TimerResolution.h"

#include <windows.h>
#include <timeapi.h>

TimerResolution::TimerResolution() { m_raised = timeBeginPeriod(1) == TIMERR_NOERROR; }

TimerResolution::~TimerResolution() {
    if (m_raised) timeEndPeriod(1);
}
