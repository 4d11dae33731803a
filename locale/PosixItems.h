// The locale items loadLocaleFormats reads from a POSIX locale, and their
// translation into a LocaleFormats. Split from the reading so that tests can
// feed items no installed locale has (multi-character separators, missing
// names, odd time formats).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "locale/LocaleFormats.h"

namespace rk::locale::detail {

// Each item already converted to Windows-1252; nothing when the locale has
// no such item or its text has no Windows-1252 form.
struct PosixItems {
    std::optional<std::string> radixChar; // RADIXCHAR (LC_NUMERIC)
    std::optional<std::string> dFmt;      // D_FMT
    std::optional<std::string> tFmt;      // T_FMT
    std::optional<std::string> tFmtAmPm;  // T_FMT_AMPM
    std::optional<std::string> amStr;     // AM_STR
    std::optional<std::string> pmStr;     // PM_STR
    std::array<std::optional<std::string>, 12> mon;   // MON_1 ..
    std::array<std::optional<std::string>, 12> abMon; // ABMON_1 ..
    std::array<std::optional<std::string>, 7> day;    // DAY_1 (Sunday) ..
    std::array<std::optional<std::string>, 7> abDay;  // ABDAY_1 (Sunday) ..
};

LocaleFormats formatsFromPosixItems(const PosixItems& items);

// The pattern with every year run of one or two letters outside quotes
// widened to "yyyy"; longer runs and quoted text stay as they are.
std::string withFourDigitYears(std::string_view pattern);

} // namespace rk::locale::detail
