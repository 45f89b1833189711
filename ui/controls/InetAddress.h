// Dotted IPv4 text to a host-order address, read as inet_addr reads it: one
// to four parts, each decimal, octal (leading 0) or hexadecimal (0x); a text
// it rejects gives all ones.
#pragma once

#include <cstdint>

constexpr uint32_t INET_ADDRESS_NONE = 0xFFFFFFFFu;

uint32_t ParseInetAddress(const char* text);
