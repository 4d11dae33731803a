// The process-wide LocaleFormats and the fallback name lists.
#include "locale/LocaleFormats.h"

#include "db/common/Ansi.h"

namespace rk::locale {

namespace detail {
std::array<std::string, 12> fallbackMonthFullNames()
{
    return {ansi("Januar"), ansi("Februar"), ansi("März"), ansi("April"), ansi("Mai"), ansi("Juni"),
            ansi("Juli"), ansi("August"), ansi("September"), ansi("Oktober"), ansi("November"),
            ansi("Dezember")};
}
std::array<std::string, 12> fallbackMonthShortNames()
{
    return {ansi("Jan"), ansi("Feb"), ansi("Mär"), ansi("Apr"), ansi("Mai"), ansi("Jun"),
            ansi("Jul"), ansi("Aug"), ansi("Sep"), ansi("Okt"), ansi("Nov"), ansi("Dez")};
}
std::array<std::string, 7> fallbackDayFullNames()
{
    return {ansi("Sonntag"), ansi("Montag"), ansi("Dienstag"), ansi("Mittwoch"),
            ansi("Donnerstag"), ansi("Freitag"), ansi("Samstag")};
}
std::array<std::string, 7> fallbackDayShortNames()
{
    return {ansi("So"), ansi("Mo"), ansi("Di"), ansi("Mi"), ansi("Do"), ansi("Fr"), ansi("Sa")};
}
} // namespace detail

namespace {
// Changed only on the GUI thread, between rows; read by reference everywhere.
LocaleFormats& processFormats()
{
    static LocaleFormats formats;
    return formats;
}
} // namespace

const LocaleFormats& currentFormats() { return processFormats(); }

void setCurrentFormats(const LocaleFormats& formats) { processFormats() = formats; }

} // namespace rk::locale
