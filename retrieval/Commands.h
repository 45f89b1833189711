// How long the conversations wait for the instrument, and how often they ask
// again; the protocol's own codes are in link/Protocol.h.
#pragma once

#include <cstdint>

#include "link/Protocol.h"

constexpr uint32_t REPLY_TIMEOUT_MS = 3000;
constexpr uint32_t ABORT_TIMEOUT_MS = 10000;
constexpr uint32_t BLOCK_TIMEOUT_MS = 30000;
constexpr int32_t BLOCK_RESENDS = 5;
constexpr int32_t FILE_REQUEST_REPEATS = 5;
