#include "ui/controls/InetAddress.h"

#include <arpa/inet.h>

uint32_t ParseInetAddress(const char* text) { return ntohl(inet_addr(text)); }
