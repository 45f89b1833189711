// Serving one byte stream (a TCP connection or a serial line) with the
// instrument engine: a poll loop over the line and the stop descriptor that
// sleeps until input, writability or the engine's next deadline.
#pragma once

#include <unistd.h>

#include "tools/qvsim/FrameLog.h"
#include "tools/qvsim/Instrument.h"
#include "tools/qvsim/SessionEnd.h"

namespace qvsim {

// `fd` must be non-blocking. On a stream the end of input ends the session;
// on a serial line read errors are waited out, since a serial line has no
// end (the device vanishing shows as failed writes).
SessionEnd RunSession(Instrument& instrument, int fd, bool stream, int stopFd, FrameLog& log);

// Waits up to `ms` for the stop descriptor; true when it fired.
bool WaitForStop(int stopFd, int ms);

}  // namespace qvsim
