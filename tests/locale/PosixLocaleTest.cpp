// LocaleFormats from installed POSIX locales and from hand-made locale
// items: the translation of date and time formats and every fallback.
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "db/common/Ansi.h"
#include "locale/LocaleFormats.h"
#include "locale/PosixItems.h"
#include "tests/support/EnvGuard.h"

namespace rk::locale {
namespace {

#define REQUIRE_LOCALE(var, name)                                                   \
    const std::optional<LocaleFormats> var##Read = tryReadLocaleFormats(name);      \
    if (!var##Read) GTEST_SKIP() << "locale " << name << " is not installed";       \
    const LocaleFormats& var = *var##Read

// Every item of two installed locales, and the program's timestamp written with them.
TEST(PosixLocale, GermanAndUsEnglish)
{
    struct Case {
        const char* locale;
        char decimalMark, dateMark, timeMark;
        const char* datePattern;
        const char* dateLongPattern;
        const char* timePattern;
        const char* timeShortPattern;
        const char* am;
        const char* pm;
        const char* names; // UTF-8: January, March, Mar, Sunday, Sat
        const char* stamp; // 24.12.2003 13:05:09 as "c"
    };
    const Case cases[] = {
        {"de_DE.UTF-8", ',', '.', ':', "dd.MM.yyyy", "dddd, d. MMMM yyyy", "hh:mm:ss", "hh:mm", "", "",
         "Januar März Mär Sonntag Sa", "24.12.2003 13:05:09"},
        {"en_US.UTF-8", '.', '/', ':', "MM/dd/yyyy", "dddd, MMMM d, yyyy", "hh:mm:ss AMPM", "hh:mm AMPM", "AM", "PM",
         "January March Mar Sunday Sat", "12/24/2003 01:05:09 PM"},
    };
    for (const Case& c : cases) {
        const std::optional<LocaleFormats> read = tryReadLocaleFormats(c.locale);
        if (!read) GTEST_SKIP() << "locale " << c.locale << " is not installed";
        SCOPED_TRACE(c.locale);
        const LocaleFormats& f = *read;
        EXPECT_EQ(std::string({f.decimalMark, f.dateMark, f.timeMark}),
                  std::string({c.decimalMark, c.dateMark, c.timeMark}));
        EXPECT_EQ(f.datePattern, c.datePattern);
        EXPECT_EQ(f.dateLongPattern, c.dateLongPattern);
        EXPECT_EQ(f.timePattern, c.timePattern);
        EXPECT_EQ(f.timeShortPattern, c.timeShortPattern);
        EXPECT_EQ(f.amText + "|" + f.pmText, std::string(c.am) + "|" + c.pm);
        EXPECT_EQ(toUtf8(f.monthFullNames[0] + " " + f.monthFullNames[2] + " " + f.monthShortNames[2] + " " +
                         f.dayFullNames[0] + " " + f.dayShortNames[6]),
                  c.names);
        EXPECT_EQ(formatDateTimeText("c", dateTimeFromParts({2003, 12, 24, 13, 5, 9, 0}), f), c.stamp);
    }
}

TEST(PosixLocale, GermanFromLatin1Codeset)
{
    REQUIRE_LOCALE(f, "de_DE.ISO-8859-1");
    EXPECT_EQ(f.monthFullNames[2], ansi("März"));
    EXPECT_EQ(f.datePattern, "dd.MM.yyyy");
}

TEST(PosixLocale, TwoDigitYearsAreWrittenInFull)
{
    REQUIRE_LOCALE(f, "en_GB.UTF-8");
    EXPECT_EQ(f.datePattern, "dd/MM/yyyy");
    const DateTime birthday = dateTimeFromParts({1940, 5, 1, 0, 0, 0, 0});
    EXPECT_DOUBLE_EQ(parseDateTimeText(formatDateTimeText("c", birthday, f), f), birthday);
}

TEST(PosixLocale, NamesWithoutWindows1252FormFallBack)
{
    REQUIRE_LOCALE(f, "ru_RU.UTF-8");
    EXPECT_EQ(f.decimalMark, ',');
    EXPECT_EQ(f.datePattern, "dd.MM.yyyy");
    EXPECT_EQ(f.monthFullNames, detail::fallbackMonthFullNames());
    EXPECT_EQ(f.dayShortNames, detail::fallbackDayShortNames());
}

TEST(PosixLocale, MissingLocaleGivesFallbacks)
{
    EXPECT_FALSE(tryReadLocaleFormats("xx_NOWHERE.UTF-8"));
    const LocaleFormats f = readLocaleFormats("xx_NOWHERE.UTF-8");
    EXPECT_EQ(f.datePattern, "m/d/yyyy");
    EXPECT_EQ(f.dateLongPattern, "mmmm d, yyyy");
    EXPECT_EQ(f.timePattern, "h:mm:ss AMPM");
    EXPECT_EQ(f.timePattern, detail::formatsFromPosixItems({}).timePattern);
    EXPECT_EQ(f.monthShortNames[2], ansi("Mär"));
    EXPECT_EQ(f.dayFullNames[3], "Mittwoch");
}

// Sets the locale variables for one test and restores them afterwards.
class LocaleEnvironment : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : kNames) unsetenv(name);
        if (!tryReadLocaleFormats("de_DE.UTF-8") || !tryReadLocaleFormats("en_US.UTF-8"))
            GTEST_SKIP() << "locales de_DE.UTF-8 and en_US.UTF-8 are not installed";
    }
    void TearDown() override { setCurrentFormats(LocaleFormats{}); }
    static constexpr const char* kNames[] = {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_CTYPE", "LANG"};
    test::EnvGuard m_all{"LC_ALL"}, m_numeric{"LC_NUMERIC"}, m_time{"LC_TIME"}, m_ctype{"LC_CTYPE"}, m_lang{"LANG"};
};

// Which variable decides each part: LC_ALL over the category over LANG, and
// an uninstalled locale gives the fallbacks for its category alone.
TEST_F(LocaleEnvironment, EachCategoryFromTheVariableThatDecides)
{
    struct Case {
        const char* legend;
        std::vector<std::pair<const char*, const char*>> variables; // set in this order
        char decimalMark;
        const char* datePattern;
        const char* timePattern;
    };
    const char* de = "de_DE.UTF-8";
    const char* en = "en_US.UTF-8";
    const char* none = "xx_NOWHERE.UTF-8";
    const Case cases[] = {
        {"lang_alone", {{"LANG", de}}, ',', "dd.MM.yyyy", "hh:mm:ss"},
        {"category_over_lang", {{"LANG", de}, {"LC_TIME", en}}, ',', "MM/dd/yyyy", "hh:mm:ss AMPM"},
        {"lc_all_over_everything", {{"LANG", de}, {"LC_NUMERIC", de}, {"LC_ALL", en}}, '.', "MM/dd/yyyy",
         "hh:mm:ss AMPM"},
        {"uninstalled_locale", {{"LC_ALL", none}}, '.', "m/d/yyyy", "h:mm:ss AMPM"},
        {"uninstalled_numbers", {{"LC_NUMERIC", none}, {"LC_TIME", de}}, '.', "dd.MM.yyyy", "hh:mm:ss"},
        {"uninstalled_times", {{"LC_NUMERIC", de}, {"LC_TIME", none}}, ',', "m/d/yyyy", "h:mm:ss AMPM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        for (const char* name : kNames) unsetenv(name);
        for (const auto& [name, value] : c.variables) setenv(name, value, 1);
        loadLocaleFormats();
        EXPECT_EQ(currentFormats()->decimalMark, c.decimalMark);
        EXPECT_EQ(currentFormats()->datePattern, c.datePattern);
        EXPECT_EQ(currentFormats()->timePattern, c.timePattern);
    }
}

TEST_F(LocaleEnvironment, ReloadFollowsChangedSettings)
{
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    loadLocaleFormats();
    const std::shared_ptr<const LocaleFormats> before = currentFormats();
    EXPECT_EQ(formatGeneralFloat(1.5), "1,5");
    setenv("LC_ALL", "en_US.UTF-8", 1);
    loadLocaleFormats();
    EXPECT_EQ(formatGeneralFloat(1.5), "1.5");
    // A set handed out before stays as it was: a batch mapped with it reads its dates back with it.
    EXPECT_EQ(before->decimalMark, ',');
    EXPECT_EQ(formatGeneralFloat(1.5, *before), "1,5");
}

// The names come from the locale the environment names, in its own
// codeset, whatever LC_CTYPE says.
TEST_F(LocaleEnvironment, NamesInTheEnvironmentsLocale)
{
    struct Case {
        const char* variable;
        const char* locale;
        int month; // January is 0
        const char* monthName;
        const char* dayMonday;
        const char* am;
    };
    const Case cases[] = {
        {"LANG", "fr_FR.UTF-8", 1, "février", "lun.", ""},
        {"LANG", "fr_FR", 11, "décembre", "lun.", ""}, // ISO-8859-1 codeset
        {"LC_TIME", "is_IS.UTF-8", 4, "maí", "mán", "fh"},
        {"LC_ALL", "tr_TR.UTF-8", 8, "Eylül", "Pzt", "ÖÖ"},
        {"LC_ALL", "tr_TR.UTF-8", 1, "Februar", "Pzt", "ÖÖ"}, // "Şubat" has no Windows-1252 form
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        if (!tryReadLocaleFormats(c.locale)) continue;
        for (const char* name : kNames) unsetenv(name);
        setenv("LC_CTYPE", "C", 1);
        setenv(c.variable, c.locale, 1);
        loadLocaleFormats();
        const std::shared_ptr<const LocaleFormats> held = currentFormats();
        const LocaleFormats& f = *held;
        EXPECT_EQ(f.monthFullNames[size_t(c.month)], ansi(c.monthName));
        EXPECT_EQ(f.dayShortNames[1], ansi(c.dayMonday));
        if (*c.am) {
            EXPECT_EQ(f.amText, ansi(c.am));
        }
    }
    // The whole path: a date of the program's long form under is_IS.
    if (!tryReadLocaleFormats("is_IS.UTF-8")) return;
    setenv("LC_ALL", "is_IS.UTF-8", 1);
    loadLocaleFormats();
    EXPECT_EQ(formatDateTimeText("ddddd", dateTimeFromParts({2024, 5, 6, 0, 0, 0, 0})), ansi("mán 6.maí 2024"));
}

// Whatever the locale gives, dates keep their century.
TEST(PosixItems, YearsWidenedToFourDigits)
{
    struct Case {
        const char* pattern;
        const char* widened;
    };
    const Case cases[] = {
        {"m/d/yy", "m/d/yyyy"},          {"d.m.y", "d.m.yyyy"},      {"YY-MM-DD", "yyyy-MM-DD"},
        {"yyy mm", "yyy mm"},            {"yyyy", "yyyy"},           {"dd 'yy' yy", "dd 'yy' yyyy"},
        {"\"y\" y", "\"y\" yyyy"},       {"'it''s' yy", "'it''s' yyyy"}, {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(detail::withFourDigitYears(c.pattern), c.widened) << c.pattern;
    // The fallback is widened like any translated pattern.
    EXPECT_EQ(detail::formatsFromPosixItems({}).datePattern, "m/d/yyyy");
}

struct DateItemCase {
    const char* legend;
    std::optional<std::string> dFmt;
    const char* pattern;
    char mark;
    const char* longPattern;
};

void PrintTo(const DateItemCase& c, std::ostream* os) { *os << c.legend; }

class DateItems : public ::testing::TestWithParam<DateItemCase> {};

TEST_P(DateItems, TranslateIntoPatterns)
{
    detail::PosixItems items;
    items.dFmt = GetParam().dFmt;
    const LocaleFormats f = detail::formatsFromPosixItems(items);
    EXPECT_EQ(f.datePattern, GetParam().pattern);
    EXPECT_EQ(f.dateMark, GetParam().mark);
    EXPECT_EQ(f.dateLongPattern, GetParam().longPattern);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DateItems,
    ::testing::Values(
        DateItemCase{"german", "%d.%m.%Y", "dd.MM.yyyy", '.', "dddd, d. MMMM yyyy"},
        DateItemCase{"us", "%m/%d/%Y", "MM/dd/yyyy", '/', "dddd, MMMM d, yyyy"},
        DateItemCase{"iso", "%Y-%m-%d", "yyyy-MM-dd", '-', "dddd, yyyy MMMM d"},
        DateItemCase{"expanded_F", "%F", "yyyy-MM-dd", '-', "dddd, yyyy MMMM d"},
        DateItemCase{"expanded_D", "%D", "MM/dd/yyyy", '/', "dddd, MMMM d, yyyy"},
        DateItemCase{"no_zero_flags", "%-d.%-m.%y", "d.M.yyyy", '.', "dddd, d. MMMM yyyy"},
        DateItemCase{"space_padded", "%e.%_m.%Y", "d.M.yyyy", '.', "dddd, d. MMMM yyyy"},
        DateItemCase{"names", "%a %e %B %Y", "ddd d MMMM yyyy", ' ', "dddd, d MMMM yyyy"},
        DateItemCase{"short_month", "%d-%b-%y", "dd-MMM-yyyy", '-', "dddd, d MMMM yyyy"},
        DateItemCase{"two_character_separator", "%d. %m. %Y", "dd. MM. yyyy", '/', "dddd, d MMMM yyyy"},
        DateItemCase{"mixed_separators", "%d.%m-%Y", "dd.MM-yyyy", '/', "dddd, d MMMM yyyy"},
        DateItemCase{"letters_quoted", "%d de %B de %Y", "dd \"de\" MMMM \"de\" yyyy", '/',
                     "dddd, d MMMM yyyy"},
        DateItemCase{"quote_characters", "%d'%m\"%Y", "dd\"'\"MM'\"'yyyy", '/', "dddd, d MMMM yyyy"},
        DateItemCase{"modifiers", "%Od.%Om.%EY", "dd.MM.yyyy", '.', "dddd, d. MMMM yyyy"},
        DateItemCase{"unknown_conversion", "%d.%m.%C%y", "m/d/yyyy", '/', "mmmm d, yyyy"},
        DateItemCase{"no_date_field", "%A", "m/d/yyyy", '/', "mmmm d, yyyy"},
        DateItemCase{"empty", "", "m/d/yyyy", '/', "mmmm d, yyyy"},
        DateItemCase{"missing", std::nullopt, "m/d/yyyy", '/', "mmmm d, yyyy"}),
    [](const ::testing::TestParamInfo<DateItemCase>& info) { return std::string(info.param.legend); });

struct TimeItemCase {
    const char* legend;
    std::optional<std::string> tFmt;
    std::optional<std::string> tFmtAmPm;
    const char* pattern;
    const char* shortPattern;
    char mark;
};

void PrintTo(const TimeItemCase& c, std::ostream* os) { *os << c.legend; }

class TimeItems : public ::testing::TestWithParam<TimeItemCase> {};

TEST_P(TimeItems, BuildTimePatterns)
{
    detail::PosixItems items;
    items.tFmt = GetParam().tFmt;
    items.tFmtAmPm = GetParam().tFmtAmPm;
    const LocaleFormats f = detail::formatsFromPosixItems(items);
    EXPECT_EQ(f.timePattern, GetParam().pattern);
    EXPECT_EQ(f.timeShortPattern, GetParam().shortPattern);
    EXPECT_EQ(f.timeMark, GetParam().mark);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TimeItems,
    ::testing::Values(
        TimeItemCase{"T", "%T", std::nullopt, "hh:mm:ss", "hh:mm", ':'},
        TimeItemCase{"k", "%k:%M:%S", std::nullopt, "h:mm:ss", "h:mm", ':'},
        TimeItemCase{"H_no_zero", "%-H.%M", std::nullopt, "h:mm:ss", "h:mm", '.'},
        TimeItemCase{"r", "%r", "%I:%M:%S %p", "hh:mm:ss AMPM", "hh:mm AMPM", ':'},
        TimeItemCase{"r_without_ampm_item", "%r", "", "hh:mm:ss AMPM", "hh:mm AMPM", ':'},
        TimeItemCase{"l_and_P", "%l:%M:%S %P %Z", std::nullopt, "h:mm:ss AMPM", "h:mm AMPM", ':'},
        TimeItemCase{"marker_first", "%p %I:%M:%S", std::nullopt, "AMPM hh:mm:ss", "AMPM hh:mm", ':'},
        TimeItemCase{"two_character_mark", "%H h %M", std::nullopt, "hh:mm:ss", "hh:mm", ':'},
        TimeItemCase{"no_hour", "%M:%S", std::nullopt, "h:mm:ss AMPM", "h:mm AMPM", ':'},
        TimeItemCase{"missing", std::nullopt, std::nullopt, "h:mm:ss AMPM", "h:mm AMPM", ':'}),
    [](const ::testing::TestParamInfo<TimeItemCase>& info) { return std::string(info.param.legend); });

TEST(PosixItems, CharacterAndNameFallbacks)
{
    detail::PosixItems items;
    items.radixChar = ",,";
    items.amStr = "vorm.";
    items.mon[0] = "Jänner";
    items.mon[1] = "";
    items.abDay[6] = "Sam";
    LocaleFormats f = detail::formatsFromPosixItems(items);
    EXPECT_EQ(f.decimalMark, '.');
    EXPECT_EQ(f.amText, "vorm.");
    EXPECT_EQ(f.pmText, "pm");
    EXPECT_EQ(f.monthFullNames[0], "Jänner");
    EXPECT_EQ(f.monthFullNames[1], "Februar");
    EXPECT_EQ(f.dayShortNames[6], "Sam");
    EXPECT_EQ(f.dayShortNames[5], "Fr");

    // Markers that cannot tell the halves of the day apart: 24-hour clock.
    items.tFmt = "%I:%M:%S %p";
    items.pmStr = "";
    EXPECT_EQ(detail::formatsFromPosixItems(items).timePattern, "hh:mm:ss");
    items.pmStr = "vorm.";
    EXPECT_EQ(detail::formatsFromPosixItems(items).timePattern, "hh:mm:ss");
    items.pmStr = "nachm.";
    EXPECT_EQ(detail::formatsFromPosixItems(items).timePattern, "hh:mm:ss AMPM");

    items.radixChar = ",";
    EXPECT_EQ(detail::formatsFromPosixItems(items).decimalMark, ',');
    items.radixChar = std::nullopt;
    EXPECT_EQ(detail::formatsFromPosixItems(items).decimalMark, '.');
}

} // namespace
} // namespace rk::locale
