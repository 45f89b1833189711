// The log-file size as the log-settings dialog's edit shows it: whole
// kilobytes as decimal text, the instrument's value in bytes.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t LOG_SIZE_MIN_BYTES = 10u * 1024u;
constexpr uint32_t LOG_SIZE_MAX_BYTES = 204800u * 1024u;

// The edit's text for a size in bytes: kilobytes rounded down, "%d".
void FormatLogSizeText(uint32_t bytes, char* text, size_t size);

// The leading decimal number of `text` times 1024, as a 32-bit value and
// without a clamp.
uint32_t LogSizeFromText(const char* text);

// The edit's text once it has lost the focus, and what OK takes from it: the
// size it names brought into 10..204800 kilobytes. The comparison is
// unsigned, so a negative number becomes the maximum. `text` is read, then
// overwritten within `size`.
void ClampLogSizeText(char* text, size_t size);
