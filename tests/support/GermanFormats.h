// The German regional formats the tests run under, whatever the machine's
// locale: decimal comma, "dd.MM.yyyy", 24-hour times without am/pm marks.
#pragma once

#include "locale/LocaleFormats.h"

namespace rk::test {

inline locale::LocaleFormats GermanFormats()
{
    locale::LocaleFormats f; // the fallback day and month names are German
    f.DecimalMark = ',';
    f.DateMark = '.';
    f.DatePattern = "dd.MM.yyyy";
    f.DateLongPattern = "dddd, d. MMMM yyyy";
    f.TimePattern = "hh:mm:ss";
    f.TimeShortPattern = "hh:mm";
    f.AmText = "";
    f.PmText = "";
    return f;
}

} // namespace rk::test
