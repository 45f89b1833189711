// The codes of the frame protocol as the instrument uses them: the tool's
// own table, plus the statuses only the simulator answers with.
#pragma once

#include <cstdint>

#include "link/Protocol.h"

namespace qvsim {

// The two statuses below are this simulator's own choice for requests that a
// real instrument would refuse; the tool shows its generic transfer error.
constexpr uint8_t STATUS_BAD_REQUEST = 1;   // payload too short, unknown setting item
constexpr uint8_t STATUS_NOT_FOUND = 2;     // no such run or file number
constexpr uint8_t STATUS_BUSY = STATUS_NOT_READY;  // file not ready, ask again

}  // namespace qvsim
