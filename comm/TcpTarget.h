// What the TCP channel is opened with.
#pragma once

#include <cstdint>

struct TcpTarget {
    uint32_t address;  // IPv4, host order: 10.0.0.5 is 0x0A000005
    int32_t port;      // only the low 16 bits are used
};
