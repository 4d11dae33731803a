// The user's regional formatting settings and the text forms of numbers,
// dates and times built on them. The process's set is read at start-up and
// again when the user's settings change; every function here is a pure
// function of its arguments and the set it is given (the current one by
// default).
//
// A set, once made current, never changes: a change of settings makes a new
// set current, and whoever holds the old one (a batch of rows being mapped
// on another thread, say) goes on with it, whole and unchanged. Work that
// must read back what it wrote (a date text bound to a date column) keeps
// the set it wrote with.
//
// A moment is a DateTime: days since 1899-12-30 with the time of day as the
// fraction, the representation the old program's values had.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace rk::locale {

using DateTime = double;

namespace detail {
// The fallback name lists (Windows-1252), used entry by entry when the
// locale has no usable name at a position.
std::array<std::string, 12> fallbackMonthFullNames();
std::array<std::string, 12> fallbackMonthShortNames();
std::array<std::string, 7> fallbackDayFullNames();
std::array<std::string, 7> fallbackDayShortNames();
// The year a one- or two-digit year text stands for in the year `now`.
int windowedYear(int twoDigits, int now);
} // namespace detail

// All texts are Windows-1252.
struct LocaleFormats {
    char decimalMark = '.';
    char dateMark = '/';
    char timeMark = ':';
    std::string datePattern = "m/d/yy";
    std::string dateLongPattern = "mmmm d, yyyy";
    std::string amText = "am";
    std::string pmText = "pm";
    // Built from three numeric items that count as 0 when unreadable: no
    // leading zero, 12-hour clock, marker after the time.
    std::string timePattern = "h:mm:ss AMPM";
    std::string timeShortPattern = "h:mm AMPM";
    std::array<std::string, 12> monthFullNames = detail::fallbackMonthFullNames();
    std::array<std::string, 12> monthShortNames = detail::fallbackMonthShortNames();
    std::array<std::string, 7> dayFullNames = detail::fallbackDayFullNames();   // Sunday first
    std::array<std::string, 7> dayShortNames = detail::fallbackDayShortNames(); // Sunday first
    // A default-constructed set holds every fallback.
};

// The process's set as it is now, never null; any thread may ask. The set
// itself stays as it is for as long as it is held.
std::shared_ptr<const LocaleFormats> currentFormats();
// Makes `formats` the current set; sets already handed out stay as they are.
void setCurrentFormats(LocaleFormats formats);

// Makes the set from the process's POSIX locale (LC_ALL,
// LC_NUMERIC, LC_TIME, LANG); never fails, unreadable items take fallbacks.
void loadLocaleFormats();
// The set a named POSIX locale ("de_DE.UTF-8") gives, for tests and tools.
// A locale that is not installed gives the fallbacks.
LocaleFormats readLocaleFormats(const std::string& localeName);
// The same, but nothing when the locale is not installed (tests skip then).
std::optional<LocaleFormats> tryReadLocaleFormats(const std::string& localeName);

std::string formatGeneralFloat(double x, const LocaleFormats& f = *currentFormats());
// v counts ten-thousandths.
std::string formatGeneralCurrency(int64_t v, const LocaleFormats& f = *currentFormats());
// Throws EConvertError "'%d.%d' ist kein gültiger Zeitstempel".
std::string formatDateTimeText(std::string_view pattern, DateTime moment,
                               const LocaleFormats& f = *currentFormats());
// The reverse, for binding text to date, time and timestamp parameters.
// Throws EConvertError "'%s' ist keine gültige Datums- und Uhrzeitangabe".
DateTime parseDateTimeText(std::string_view text, const LocaleFormats& f = *currentFormats());

struct DateTimeParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, msec = 0;
};
// Rounds to whole milliseconds first, as the formatting does.
DateTimeParts dateTimeParts(DateTime moment);
DateTime dateTimeFromParts(const DateTimeParts& parts);

// Allocation-free forms for the value mapping: they append to `out`, whose
// storage the caller reuses from value to value.
void appendGeneralFloat(std::string& out, double x, const LocaleFormats& f = *currentFormats());
void appendGeneralCurrency(std::string& out, int64_t v, const LocaleFormats& f = *currentFormats());
// The moment as a day count (0001-01-01 is day 1) and milliseconds of the
// day, the form source values arrive in. Day count below 1 or milliseconds
// below 0: the EConvertError of formatDateTimeText with these two numbers.
void appendDateTimeText(std::string& out, std::string_view pattern, int32_t dayCount, int32_t msOfDay,
                        const LocaleFormats& f = *currentFormats());

// Days from 0001-01-01 (day 1) to 1899-12-30 (DateTime 0).
inline constexpr int32_t kDateDelta = 693594;
inline constexpr int32_t kMSecsPerDay = 86400000;

} // namespace rk::locale
