#include "ui/controls/InetAddress.h"

#include <cctype>

namespace {

// One part at *text; false when it has no digits or overflows 32 bits.
bool ParsePart(const char*& text, uint32_t& value) {
    uint32_t base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
        if (!std::isxdigit(static_cast<unsigned char>(*text))) return false;
    } else if (text[0] == '0') {
        base = 8;
    }
    if (!std::isxdigit(static_cast<unsigned char>(*text))) return false;
    uint64_t v = 0;
    for (;; ++text) {
        const unsigned char c = static_cast<unsigned char>(*text);
        uint32_t digit;
        if (std::isdigit(c)) digit = static_cast<uint32_t>(c - '0');
        else if (base == 16 && std::isxdigit(c)) digit = static_cast<uint32_t>(std::tolower(c) - 'a' + 10);
        else break;
        if (digit >= base) return false;
        v = v * base + digit;
        if (v > 0xFFFFFFFFu) return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

uint32_t ParseInetAddress(const char* text) {
    uint32_t parts[4];
    int count = 0;
    while (true) {
        if (count == 4) return INET_ADDRESS_NONE;
        if (!ParsePart(text, parts[count])) return INET_ADDRESS_NONE;
        ++count;
        if (*text == '.') {
            ++text;
            continue;
        }
        break;
    }
    // Trailing blanks are allowed, as the sockets library allows them.
    while (*text == ' ' || *text == '\t') ++text;
    if (*text != 0) return INET_ADDRESS_NONE;
    for (int i = 0; i < count - 1; ++i)
        if (parts[i] > 0xFF) return INET_ADDRESS_NONE;
    const uint32_t last = parts[count - 1];
    switch (count) {
    case 1: return last;
    case 2:
        if (last > 0xFFFFFF) return INET_ADDRESS_NONE;
        return parts[0] << 24 | last;
    case 3:
        if (last > 0xFFFF) return INET_ADDRESS_NONE;
        return parts[0] << 24 | parts[1] << 16 | last;
    default:
        if (last > 0xFF) return INET_ADDRESS_NONE;
        return parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | last;
    }
}
