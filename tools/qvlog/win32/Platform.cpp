#include "tools/qvlog/Platform.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cctype>
#include <cstdlib>

#include "tools/qvlog/win32/Wide.h"

namespace {

// The system's error as a portable condition, so one table reads both.
std::error_code Portable(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_DIRECTORY: return std::make_error_code(std::errc::not_a_directory);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return std::make_error_code(std::errc::permission_denied);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_WRITE_PROTECT: return std::make_error_code(std::errc::read_only_file_system);
    case ERROR_FILENAME_EXCED_RANGE: return std::make_error_code(std::errc::filename_too_long);
    default: return std::error_code(static_cast<int>(error), std::system_category());
    }
}

}  // namespace

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

bool ParseSerialName(const std::string& name, int& comPort, std::string& devicePath) {
    // "COM3", any case, as the dialog's list shows ports.
    if (name.size() < 4 || name.size() > 6) return false;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return false;
    for (size_t i = 3; i < name.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    comPort = std::atoi(name.c_str() + 3);
    devicePath.clear();
    return comPort > 0;
}

std::error_code TryCreateFile(const std::filesystem::path& file) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Portable(GetLastError());
    CloseHandle(handle);
    return std::error_code();
}

Language UserInterfaceLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::JAPANESE : Language::ENGLISH;
}
