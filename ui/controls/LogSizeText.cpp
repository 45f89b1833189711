#include "ui/controls/LogSizeText.h"

#include <climits>
#include <cstdio>

namespace {

// The leading decimal number as atoi reads it (blanks, a sign, digits), but
// saturated at the int range instead of overflowing.
int LeadingNumber(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

}  // namespace

void FormatLogSizeText(uint32_t bytes, char* text, size_t size) {
    if (size == 0) return;
    std::snprintf(text, size, "%d", static_cast<int>(bytes / 1024u));
}

uint32_t LogSizeFromText(const char* text) {
    return static_cast<uint32_t>(LeadingNumber(text)) * 1024u;
}

void ClampLogSizeText(char* text, size_t size) {
    if (size == 0) return;
    uint32_t bytes = LogSizeFromText(text);
    if (bytes > LOG_SIZE_MAX_BYTES) {
        bytes = LOG_SIZE_MAX_BYTES;
    } else if (bytes < LOG_SIZE_MIN_BYTES) {
        bytes = LOG_SIZE_MIN_BYTES;
    }
    FormatLogSizeText(bytes, text, size);
}
