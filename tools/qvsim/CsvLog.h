// The lines of a plausible measurement log: a header, then one row a second
// with a time stamp and three measured values. Rows have a fixed width, so
// any byte of a long log can be made without making the bytes before it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qvsim {

constexpr char CSV_HEADER[] = "timestamp,temperature_C,humidity_%RH,pressure_hPa\r\n";
constexpr size_t CSV_HEADER_SIZE = sizeof CSV_HEADER - 1;
// "2024/05/07 09:05:00,21.50,45.0,1013.2\r\n"
constexpr size_t CSV_ROW_SIZE = 39;

// Row `index` of a log whose first row was taken at `start` (seconds since
// 1970-01-01, local time as the instrument keeps it); `seed` picks the
// measurement noise. Integer arithmetic only, so every platform agrees.
void MakeCsvRow(uint64_t seed, int64_t start, uint64_t index, char (&row)[CSV_ROW_SIZE]);

// A log as it is written: the header (when `header`), then the rows
// `firstRow`, `firstRow + 1`, ... one after another. A log cut anywhere is a
// prefix of the same log cut later.
struct CsvStream {
    uint64_t seed;
    int64_t start;
    uint64_t firstRow;
    bool header;
};

// Bytes [offset, offset + size) of the stream.
void ReadCsvStream(const CsvStream& stream, uint64_t offset, uint8_t* out, uint64_t size);
// The rows that begin within the first `size` bytes of the stream.
uint64_t CsvRowsBegun(const CsvStream& stream, uint64_t size);

}  // namespace qvsim
