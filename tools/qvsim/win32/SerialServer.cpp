// Serial lines are served on Linux only: there the simulator makes a
// pseudo-terminal that Wine maps to a COM port. Windows has no such device.
#include <cstdio>

#include "tools/qvsim/Serve.h"

namespace qvsim {

int ServeSerial(Instrument&, const Options&, FrameLog&) {
    std::fprintf(stderr, "qvsim: --pty and --serial are available on Linux only\n");
    return 2;
}

}  // namespace qvsim
