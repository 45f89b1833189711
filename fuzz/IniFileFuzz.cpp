// The INI reader over any text: the text survives parsing byte for byte, a
// read never writes past its buffer and ends in a terminator, and a value
// written reads back, twice written changes nothing. The input is the file's
// text, then after a NUL the section, key and buffer size to use.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "settings/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > IniFile::FILE_MAX) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string text = input.substr(0, split);
    std::string tail = split == std::string::npos ? std::string() : input.substr(split + 1);
    const uint32_t bufferSize = tail.empty() ? 16 : 1 + static_cast<uint8_t>(tail[0]) % 64;
    if (!tail.empty()) tail.erase(0, 1);
    const size_t comma = tail.find(',');
    std::string section = tail.substr(0, comma);
    std::string key = comma == std::string::npos ? "k" : tail.substr(comma + 1);
    if (section.empty()) section = "s";
    if (key.empty()) key = "k";
    section.erase(section.find('\0') == std::string::npos ? section.size() : section.find('\0'));
    key.erase(key.find('\0') == std::string::npos ? key.size() : key.find('\0'));
    if (section.empty() || key.empty()) return 0;

    const IniFile file(text);
    FUZZ_CHECK(file.Text() == text);

    char buffer[80];
    std::memset(buffer, '#', sizeof buffer);
    const uint32_t count = file.Get(section.c_str(), key.c_str(), buffer, bufferSize);
    FUZZ_CHECK(count < bufferSize);
    FUZZ_CHECK(std::strlen(buffer) == count);
    FUZZ_CHECK(buffer[bufferSize] == '#');

    IniFile edited(text);
    if (!edited.Set(section.c_str(), key.c_str(), "value 1")) return 0;  // names that cannot be written
    const std::string written = edited.Text();
    char back[16];
    IniFile(written).Get(section.c_str(), key.c_str(), back, sizeof back);
    FUZZ_CHECK(std::strcmp(back, "value 1") == 0);
    IniFile again(written);
    FUZZ_CHECK(again.Set(section.c_str(), key.c_str(), "value 1"));
    FUZZ_CHECK(again.Text() == written);
    return 0;
}
