// How serving one connection or line ended, on every platform.
#pragma once

namespace qvsim {

enum class SessionEnd {
    PEER_GONE,    // the peer closed or the line failed
    LINE_CLOSED,  // --close-after: the instrument hung up
    STOPPED,      // SIGINT or SIGTERM (Ctrl+C on Windows)
};

}  // namespace qvsim
