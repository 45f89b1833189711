#include "ui/controls/InetAddress.h"

#include <winsock2.h>

// Needs no WSAStartup: inet_addr and ntohl touch no socket.
uint32_t ParseInetAddress(const char* text) { return ntohl(inet_addr(text)); }
