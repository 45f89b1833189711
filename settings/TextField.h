// Bounded text helpers for the fixed fields of the settings: a copy that
// always terminates, and the one decimal conversion every number goes through.
#pragma once

#include <cstddef>
#include <cstdint>

// Copies at most size - 1 bytes of source and always terminates; writes
// nothing when size is 0. A null source copies as an empty text.
void CopyBounded(char* destination, size_t size, const char* source);

// Blank, tab, line feed, vertical tab, form feed, carriage return.
bool IsWhiteSpace(char c);

// Base-10 conversion as the C library does it in the "C" locale, without its
// dependence on the width of long: leading white space and a sign, digits up
// to the first non-digit, values beyond 32 bits clamped to the nearest bound.
// Without digits the result is 0 and nothing is consumed. `end`, if given,
// receives the first character not consumed.
int32_t ParseDecimal(const char* text, const char** end);
