#include "ui/controls/LogSizeText.h"

#include <cstdio>

#include "settings/TextField.h"

void FormatLogSizeText(uint32_t bytes, char* text, size_t size) {
    if (size == 0) return;
    std::snprintf(text, size, "%d", static_cast<int>(bytes / 1024u));
}

uint32_t LogSizeFromText(const char* text) {
    return static_cast<uint32_t>(ParseDecimal(text, nullptr)) * 1024u;
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
