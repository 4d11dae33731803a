// StrToDateTime: a date and/or time text, written by the user's settings,
// read back into a moment.
#include "transfer/locale/LocaleFormats.h"

#include "db/common/Ansi.h"
#include "db/common/Exception.h"

namespace rk::locale {

DateTime StrToDateTime(std::string_view text, const LocaleFormats&)
{
    throw EConvertError(ansiFormat("'%s' ist keine gültige Datums- und Uhrzeitangabe", std::string(text)));
}

} // namespace rk::locale
