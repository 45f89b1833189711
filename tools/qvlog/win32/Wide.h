// UTF-8 and the wide text of the Windows interfaces.
#pragma once

#include <string>

std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const std::wstring& wide);
