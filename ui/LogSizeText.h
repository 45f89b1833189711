// The log-size edit of the log-settings dialog: kilobytes as text.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t LOG_SIZE_MIN_BYTES = 10 * 1024;
constexpr uint32_t LOG_SIZE_MAX_BYTES = 204800u * 1024;
constexpr int LOG_SIZE_EDIT_LIMIT = 6;
constexpr size_t LOG_SIZE_TEXT_READ = 16;  // at most 15 characters are read

// The edit's text once it lost the focus: the leading number, in the range
// 10..204800 (compared unsigned, so a negative number becomes 204800).
void ClampLogSizeText(const char* text, char* out, size_t size);
// What OK takes from the edit: its leading number times 1024, unclamped.
uint32_t LogSizeFromText(const char* text);
// The edit's first text: the size in whole kilobytes.
void LogSizeToText(uint32_t sizeBytes, char* out, size_t size);
