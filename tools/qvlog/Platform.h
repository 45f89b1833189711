// qvlog's small seams to the system, one function each, in
// tools/qvlog/posix/Platform.cpp and tools/qvlog/win32/Platform.cpp.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "tools/qvlog/Texts.h"

// The first IPv4 address of a host name or dotted address, in host byte
// order; false when the name is not known.
bool ResolveHost(const std::string& host, uint32_t& address);

// What --serial names here: a COM port (Windows) or a device path
// (elsewhere); false when the name is not one this platform can open.
bool ParseSerialName(const std::string& name, int& comPort, std::string& devicePath);

// Creates `file` anew and removes it again: the system's answer, as a
// portable condition where one fits.
std::error_code TryCreateFile(const std::filesystem::path& file);

// The language of the user's desktop where no locale is named: Windows has
// one, elsewhere it is English.
Language UserInterfaceLanguage();
