// Dotted IPv4 text to a host-order address, converted by the platform's own
// inet_addr: one to four parts, each decimal, octal (leading 0) or
// hexadecimal (0x), anything after a white-space character ignored; a text it
// rejects gives all ones.
#pragma once

#include <cstdint>

constexpr uint32_t INET_ADDRESS_NONE = 0xFFFFFFFFu;

uint32_t ParseInetAddress(const char* text);
