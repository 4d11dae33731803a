// The process's current LocaleFormats and the fallback name lists.
#include "locale/LocaleFormats.h"

#include <mutex>
#include <utility>

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
// The pointer is replaced under the lock, never the set it points to: a set
// handed out is read without any lock, on any thread, for as long as it is held.
struct CurrentSet {
    std::mutex mutex;
    std::shared_ptr<const LocaleFormats> formats = std::make_shared<const LocaleFormats>();
};
CurrentSet& currentSet()
{
    static CurrentSet set;
    return set;
}
} // namespace

std::shared_ptr<const LocaleFormats> currentFormats()
{
    CurrentSet& set = currentSet();
    std::lock_guard<std::mutex> guard(set.mutex);
    return set.formats;
}

void setCurrentFormats(LocaleFormats formats)
{
    auto next = std::make_shared<const LocaleFormats>(std::move(formats));
    CurrentSet& set = currentSet();
    std::lock_guard<std::mutex> guard(set.mutex);
    set.formats.swap(next);
    // The old set, if nobody holds it any more, goes with `next` after the lock.
}

} // namespace rk::locale
