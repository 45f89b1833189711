// Where the TCP channel connects: the instrument's IPv4 address and port.
#pragma once

#include <cstdint>

struct TcpTarget {
    uint32_t address;  // host byte order: 10.0.0.5 is 0x0A000005
    int32_t port;      // only the low 16 bits are used
};
