#include "tools/qvsim/CsvLog.h"

#include <algorithm>
#include <cstring>

#include "tools/qvsim/Calendar.h"
#include "tools/qvsim/Random.h"

namespace qvsim {

namespace {

// A slow swing between -amplitude and +amplitude over `period` seconds.
int32_t Triangle(uint64_t t, uint32_t period, int32_t amplitude) {
    const int64_t phase = static_cast<int64_t>(t % period);
    const int64_t half = period / 2;
    const int64_t rise = phase < half ? phase : period - phase;  // 0..half
    return static_cast<int32_t>((rise * 2 * amplitude) / half - amplitude);
}

int32_t Noise(uint64_t& bits, int32_t spread) {
    const int32_t value = static_cast<int32_t>(bits % static_cast<uint64_t>(2 * spread + 1)) - spread;
    bits /= static_cast<uint64_t>(2 * spread + 1);
    return value;
}

char* PutDigits(char* out, uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + width;
}

// value in tenths or hundredths, written as digits with a decimal point.
char* PutFixed(char* out, uint32_t value, int whole, int fraction) {
    uint32_t scale = 1;
    for (int i = 0; i < fraction; ++i) scale *= 10;
    out = PutDigits(out, value / scale, whole);
    *out++ = '.';
    return PutDigits(out, value % scale, fraction);
}

}  // namespace

void MakeCsvRow(uint64_t seed, int64_t start, uint64_t index, char (&row)[CSV_ROW_SIZE]) {
    const int64_t when = start + static_cast<int64_t>(index);
    const int64_t days = when >= 0 ? when / 86400 : (when - 86399) / 86400;
    const int64_t second = when - days * 86400;
    const CivilDate date = CivilFromDays(days);

    uint64_t bits = Mix64(seed ^ Mix64(index));
    const uint32_t temperature = static_cast<uint32_t>(2150 + Triangle(index, 1800, 250) + Noise(bits, 15));
    const uint32_t humidity = static_cast<uint32_t>(450 + Triangle(index + 600, 2400, 80) + Noise(bits, 5));
    const uint32_t pressure = static_cast<uint32_t>(10132 + Triangle(index, 7200, 40) + Noise(bits, 2));

    char* p = row;
    p = PutDigits(p, static_cast<uint64_t>(date.year) % 10000, 4);
    *p++ = '/';
    p = PutDigits(p, date.month, 2);
    *p++ = '/';
    p = PutDigits(p, date.day, 2);
    *p++ = ' ';
    p = PutDigits(p, static_cast<uint64_t>(second / 3600), 2);
    *p++ = ':';
    p = PutDigits(p, static_cast<uint64_t>(second / 60 % 60), 2);
    *p++ = ':';
    p = PutDigits(p, static_cast<uint64_t>(second % 60), 2);
    *p++ = ',';
    p = PutFixed(p, temperature, 2, 2);
    *p++ = ',';
    p = PutFixed(p, humidity, 2, 1);
    *p++ = ',';
    p = PutFixed(p, pressure, 4, 1);
    *p++ = '\r';
    *p = '\n';
}

void ReadCsvStream(const CsvStream& stream, uint64_t offset, uint8_t* out, uint64_t size) {
    const uint64_t header = stream.header ? CSV_HEADER_SIZE : 0;
    const uint64_t end = offset + size;
    char row[CSV_ROW_SIZE];
    for (uint64_t pos = offset; pos < end;) {
        uint64_t n;
        if (pos < header) {
            n = std::min(header - pos, end - pos);
            std::memcpy(out, CSV_HEADER + pos, n);
        } else {
            const uint64_t index = (pos - header) / CSV_ROW_SIZE;
            const uint64_t within = pos - header - index * CSV_ROW_SIZE;
            MakeCsvRow(stream.seed, stream.start, stream.firstRow + index, row);
            n = std::min(CSV_ROW_SIZE - within, end - pos);
            std::memcpy(out, row + within, n);
        }
        out += n;
        pos += n;
    }
}

uint64_t CsvRowsBegun(const CsvStream& stream, uint64_t size) {
    const uint64_t header = stream.header ? CSV_HEADER_SIZE : 0;
    return size > header ? (size - header + CSV_ROW_SIZE - 1) / CSV_ROW_SIZE : 0;
}

}  // namespace qvsim
