// The transports that carry the instruments' frames. Each serves until
// SIGINT or SIGTERM (Ctrl+C on Windows) and returns the exit status: 0 after
// a stop signal, 1 when a line could not be set up or failed.
#pragma once

#include "tools/qvsim/Fleet.h"
#include "tools/qvsim/FrameLog.h"
#include "tools/qvsim/Instrument.h"
#include "tools/qvsim/Options.h"

namespace qvsim {

// TCP: instrument K on options.listenPort + K - 1, one connection after
// another, each instrument on a thread of its own.
int ServeTcp(Fleet& fleet, const Options& options);
// --pty or --serial: one instrument, one line for the program's life.
int ServeSerial(Instrument& instrument, const Options& options, FrameLog& log);

}  // namespace qvsim
