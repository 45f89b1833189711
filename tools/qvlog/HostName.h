// A host name or a dotted IPv4 address to the address the TCP channel
// takes. Platform (tools/qvlog/posix, tools/qvlog/win32).
#pragma once

#include <cstdint>
#include <string>

// The first IPv4 address of `host`, in host byte order; false when the name
// is not known.
bool ResolveHost(const std::string& host, uint32_t& address);
