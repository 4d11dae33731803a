// The day-number calendar: the proleptic Gregorian calendar counted from
// 0001-01-01 as day 1, as the Paradox files hold dates. The date texts of the
// transfer and of rk_pxdump both read it from here.
#pragma once

#include <cstdint>

namespace rk::locale {

// 1970-01-01 as a day count.
inline constexpr int64_t kUnixDay = 719163;

struct CivilDate {
    int year, month, day;
};

CivilDate civilFromDays(int64_t dayCount);
int64_t daysFromCivil(int64_t y, int m, int d);

} // namespace rk::locale
