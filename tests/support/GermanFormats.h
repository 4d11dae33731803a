// The German regional formats the tests run under, whatever the machine's
// locale: decimal comma, "dd.MM.yyyy", 24-hour times without am/pm marks;
// and American ones for the tests of month-first dates and am/pm marks.
#pragma once

#include "locale/LocaleFormats.h"

namespace rk::test {

inline locale::LocaleFormats germanFormats()
{
    locale::LocaleFormats f; // the fallback day and month names are German
    f.decimalMark = ',';
    f.dateMark = '.';
    f.datePattern = "dd.MM.yyyy";
    f.dateLongPattern = "dddd, d. MMMM yyyy";
    f.timePattern = "hh:mm:ss";
    f.timeShortPattern = "hh:mm";
    f.amText = "";
    f.pmText = "";
    return f;
}

// The fallback set (a 12-hour clock, "/" between date parts) with long years
// and capital marks.
inline locale::LocaleFormats americanFormats()
{
    locale::LocaleFormats f;
    f.datePattern = "M/d/yyyy";
    f.amText = "AM";
    f.pmText = "PM";
    return f;
}

} // namespace rk::test
