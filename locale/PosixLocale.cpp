// loadLocaleFormats and readLocaleFormats: the locale items of a POSIX
// locale (LC_NUMERIC for the decimal mark, LC_TIME for everything else),
// converted from the locale's codeset to Windows-1252 and translated by
// formatsFromPosixItems (PosixItems.cpp documents the translation).
#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include "db/common/Ansi.h"
#include "locale/PosixItems.h"

namespace rk::locale {
namespace {

// Codeset text to Windows-1252; nothing for text without a Windows-1252 form.
class ToCp1252 {
public:
    explicit ToCp1252(const char* codeset) : m_codeset(codeset ? codeset : "")
    {
        m_cd = iconv_open("WINDOWS-1252", m_codeset.c_str());
    }
    ~ToCp1252()
    {
        if (m_cd != iconv_t(-1)) iconv_close(m_cd);
    }
    ToCp1252(const ToCp1252&) = delete;
    ToCp1252& operator=(const ToCp1252&) = delete;

    std::optional<std::string> operator()(const char* text)
    {
        if (!text) return std::nullopt;
        const std::string_view in(text);
        if (m_cd == iconv_t(-1)) return withoutIconv(in);
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::string out(in.size(), '\0'); // Windows-1252 never needs more bytes
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char* dst = out.data();
        size_t dstLeft = out.size();
        if (iconv(m_cd, &src, &srcLeft, &dst, &dstLeft) == size_t(-1)) return std::nullopt;
        out.resize(out.size() - dstLeft);
        return out;
    }

private:
    // Without the conversion module: UTF-8 by our own table, else ASCII only.
    std::optional<std::string> withoutIconv(std::string_view in) const
    {
        if (m_codeset == "UTF-8") {
            try {
                return ansi(in);
            } catch (const std::invalid_argument&) {
                return std::nullopt;
            }
        }
        for (unsigned char c : in)
            if (c >= 0x80) return std::nullopt;
        return std::string(in);
    }

    std::string m_codeset;
    iconv_t m_cd;
};

// Either locale may be missing: its items then stay unreadable.
detail::PosixItems readItems(locale_t numeric, locale_t time)
{
    detail::PosixItems items;
    if (numeric) {
        ToCp1252 text(nl_langinfo_l(CODESET, numeric));
        items.radixChar = text(nl_langinfo_l(RADIXCHAR, numeric));
    }
    if (!time) return items;
    ToCp1252 text(nl_langinfo_l(CODESET, time));
    items.dFmt = text(nl_langinfo_l(D_FMT, time));
    items.tFmt = text(nl_langinfo_l(T_FMT, time));
    items.tFmtAmPm = text(nl_langinfo_l(T_FMT_AMPM, time));
    items.amStr = text(nl_langinfo_l(AM_STR, time));
    items.pmStr = text(nl_langinfo_l(PM_STR, time));
    for (int i = 0; i < 12; ++i) {
        items.mon[i] = text(nl_langinfo_l(nl_item(MON_1 + i), time));
        items.abMon[i] = text(nl_langinfo_l(nl_item(ABMON_1 + i), time));
    }
    for (int i = 0; i < 7; ++i) {
        items.day[i] = text(nl_langinfo_l(nl_item(DAY_1 + i), time));
        items.abDay[i] = text(nl_langinfo_l(nl_item(ABDAY_1 + i), time));
    }
    return items;
}

} // namespace

std::optional<LocaleFormats> tryReadLocaleFormats(const std::string& localeName)
{
    locale_t loc = newlocale(LC_ALL_MASK, localeName.c_str(), locale_t(0));
    if (!loc) return std::nullopt;
    LocaleFormats f = detail::formatsFromPosixItems(readItems(loc, loc));
    freelocale(loc);
    return f;
}

LocaleFormats readLocaleFormats(const std::string& localeName)
{
    // The fallbacks as the program would end up with them.
    return tryReadLocaleFormats(localeName).value_or(detail::formatsFromPosixItems({}));
}

namespace {

// The name a category takes from the environment, as setlocale(…, "")
// resolves it: LC_ALL, then the category's own variable, then LANG.
std::string environmentLocaleName(const char* categoryVariable)
{
    for (const char* variable : {"LC_ALL", categoryVariable, "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return "C";
}

// The category's items under the locale the environment names for it. The
// codeset belongs to LC_CTYPE, so the object carries that category of the
// same locale: without it every name would be read as ASCII. A name that is
// not installed leaves the items unreadable.
locale_t environmentLocale(int categoryMask, const char* categoryVariable)
{
    return newlocale(categoryMask | LC_CTYPE_MASK, environmentLocaleName(categoryVariable).c_str(), locale_t(0));
}

} // namespace

void loadLocaleFormats()
{
    locale_t numeric = environmentLocale(LC_NUMERIC_MASK, "LC_NUMERIC");
    locale_t time = environmentLocale(LC_TIME_MASK, "LC_TIME");
    setCurrentFormats(detail::formatsFromPosixItems(readItems(numeric, time)));
    if (numeric) freelocale(numeric);
    if (time) freelocale(time);
}

} // namespace rk::locale
