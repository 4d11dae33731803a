// Day numbers of the proleptic Gregorian calendar as the Paradox files hold
// them (0001-01-01 is day 1), for writing and for reading the manifest back.
#pragma once

#include <cstdint>

namespace rk::tools::demo {

struct CivilDate {
    int year, month, day;
};

// Howard Hinnant's days_from_civil, shifted so that 0001-01-01 is day 1.
constexpr int32_t dayNumber(int y, int m, int d)
{
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 719163;  // days since 1970, 1970-01-01 being day 719163
}

constexpr CivilDate civilDate(int32_t dayNo)
{
    const int z = dayNo - 719163 + 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    const int d = doy - (153 * mp + 2) / 5 + 1;
    const int m = mp < 10 ? mp + 3 : mp - 9;
    return {yoe + era * 400 + (m <= 2), m, d};
}

static_assert(dayNumber(1, 1, 1) == 1);
static_assert(dayNumber(1899, 12, 30) == 693594);  // the old platform's day 0
static_assert(civilDate(dayNumber(2003, 12, 24)).day == 24);

} // namespace rk::tools::demo
