// Code page 932 (Shift_JIS as Windows writes it, Notepad's "ANSI" on Japanese
// Windows) to UTF-8, in posix/Cp932.cpp and win32/Cp932.cpp.
#pragma once

#include <string>

// False when `text` holds a byte sequence code page 932 does not define.
bool Cp932ToUtf8(const std::string& text, std::string& utf8);
