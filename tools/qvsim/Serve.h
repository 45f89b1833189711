// The transports that carry the instrument's frames. Each serves until
// SIGINT or SIGTERM (Ctrl+C on Windows) and returns the exit status: 0 after
// a stop signal, 1 when the line could not be set up or failed.
#pragma once

#include "tools/qvsim/FrameLog.h"
#include "tools/qvsim/Instrument.h"
#include "tools/qvsim/Options.h"

namespace qvsim {

// TCP on options.listenAddress:listenPort, one connection after another.
int ServeTcp(Instrument& instrument, const Options& options, FrameLog& log);
// --pty or --serial: one line for the program's life.
int ServeSerial(Instrument& instrument, const Options& options, FrameLog& log);

}  // namespace qvsim
