// Civil dates as day numbers and back (proleptic Gregorian), for the
// generated catalogue's run dates and its rows' time stamps.
#pragma once

#include <cstdint>

namespace qvsim {

struct CivilDate {
    int32_t year;
    uint32_t month;  // 1..12
    uint32_t day;    // 1..31
};

// Days since 1970-01-01.
inline int64_t DaysFromCivil(CivilDate date) {
    const int64_t y = date.year - (date.month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (date.month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + date.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

inline CivilDate CivilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const uint32_t day = static_cast<uint32_t>(doy - (153 * mp + 2) / 5 + 1);
    const uint32_t month = static_cast<uint32_t>(mp < 10 ? mp + 3 : mp - 9);
    return CivilDate{static_cast<int32_t>(yoe + era * 400 + (month <= 2 ? 1 : 0)), month, day};
}

}  // namespace qvsim
