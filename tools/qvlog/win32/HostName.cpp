#include "tools/qvlog/HostName.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "tools/qvlog/win32/Wide.h"

bool ResolveHost(const std::string& host, uint32_t& address) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* found = nullptr;
    const std::wstring name = WideFromUtf8(host);
    const bool ok = GetAddrInfoW(name.c_str(), nullptr, &hints, &found) == 0 && found != nullptr;
    if (ok) {
        address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
        FreeAddrInfoW(found);
    }
    WSACleanup();
    return ok;
}
