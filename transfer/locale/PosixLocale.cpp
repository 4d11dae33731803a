// LoadLocaleFormats and ReadLocaleFormats: LocaleFormats from a POSIX locale.
#include "transfer/locale/LocaleFormats.h"

#include <clocale>
#include <locale.h>

namespace rk::locale {

std::optional<LocaleFormats> TryReadLocaleFormats(const std::string& localeName)
{
    locale_t loc = newlocale(LC_ALL_MASK, localeName.c_str(), locale_t(0));
    if (!loc) return std::nullopt;
    freelocale(loc);
    return LocaleFormats{};
}

LocaleFormats ReadLocaleFormats(const std::string& localeName)
{
    return TryReadLocaleFormats(localeName).value_or(LocaleFormats{});
}

void LoadLocaleFormats() { SetCurrentFormats(LocaleFormats{}); }

} // namespace rk::locale
