#include "settings/TextField.h"

#include <cstring>

void CopyBounded(char* destination, size_t size, const char* source) {
    if (destination == nullptr || size == 0) return;
    size_t length = 0;
    if (source != nullptr) {
        while (length < size - 1 && source[length] != '\0') ++length;
        std::memcpy(destination, source, length);
    }
    destination[length] = '\0';
}

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int32_t ParseDecimal(const char* text, const char** end) {
    if (end != nullptr) *end = text;
    if (text == nullptr) return 0;
    const char* p = text;
    while (IsWhiteSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return 0;

    // Accumulate as a negative number so that INT32_MIN needs no special case;
    // once past the bound the digits are still consumed but change nothing.
    constexpr int64_t LIMIT = -int64_t{INT32_MAX} - 1;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value > LIMIT) value = value * 10 - (*p - '0');
        if (value < LIMIT) value = LIMIT;
    }
    if (end != nullptr) *end = p;
    if (negative) return static_cast<int32_t>(value);
    return value < -int64_t{INT32_MAX} ? INT32_MAX : static_cast<int32_t>(-value);
}
