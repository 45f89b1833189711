#include "ui/LogSizeText.h"

#include <cstdio>
#include <cstdlib>

namespace {

// atoi without its undefined overflow: saturates at the int range.
int LeadingNumber(const char* text) {
    const long value = std::strtol(text, nullptr, 10);
    if (value > 2147483647L) return 2147483647;
    if (value < -2147483647L - 1) return -2147483647 - 1;
    return static_cast<int>(value);
}

}  // namespace

uint32_t LogSizeFromText(const char* text) {
    return static_cast<uint32_t>(LeadingNumber(text)) * 1024u;
}

void ClampLogSizeText(const char* text, char* out, size_t size) {
    uint32_t bytes = LogSizeFromText(text);
    if (bytes > LOG_SIZE_MAX_BYTES) bytes = LOG_SIZE_MAX_BYTES;
    else if (bytes < LOG_SIZE_MIN_BYTES) bytes = LOG_SIZE_MIN_BYTES;
    std::snprintf(out, size, "%d", static_cast<int>(bytes / 1024));
}

void LogSizeToText(uint32_t sizeBytes, char* out, size_t size) {
    std::snprintf(out, size, "%d", static_cast<int>(sizeBytes / 1024));
}
