// parseDateTimeText: the texts the formatting writes, and the texts it refuses.
#include <gtest/gtest.h>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "locale/LocaleFormats.h"
#include "tests/support/ExceptionMessage.h"
#include "tests/support/GermanFormats.h"

namespace rk::locale {
namespace {

LocaleFormats german() { return rk::test::germanFormats(); }
LocaleFormats american() { return rk::test::americanFormats(); }

struct ParseCase {
    const char* text;
    bool us;
    DateTimeParts expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.text; }

class ReadDateTime : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ReadDateTime, ReadsTheMoment)
{
    const ParseCase& c = GetParam();
    const DateTime moment = parseDateTimeText(ansi(c.text), c.us ? american() : german());
    EXPECT_DOUBLE_EQ(moment, dateTimeFromParts(c.expected)) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadDateTime,
    ::testing::Values(ParseCase{"24.12.2003", false, {2003, 12, 24}},
                      ParseCase{"  24.12.2003 13:05:09 ", false, {2003, 12, 24, 13, 5, 9}},
                      ParseCase{"1.2.0001 00:00", false, {1, 2, 1}},
                      ParseCase{"24.12.2003 08:05:09,750", false, {2003, 12, 24, 8, 5, 9, 750}},
                      ParseCase{"13:05:09", false, {1899, 12, 30, 13, 5, 9}},
                      ParseCase{"8:05", false, {1899, 12, 30, 8, 5}},
                      ParseCase{"24. Dezember 2003", false, {2003, 12, 24}},
                      ParseCase{"24.Mär.2003", false, {2003, 3, 24}},
                      ParseCase{"29.02.2000", false, {2000, 2, 29}},
                      ParseCase{"12/24/2003 01:05:09 PM", true, {2003, 12, 24, 13, 5, 9}},
                      ParseCase{"12/24/2003 12:00:00 AM", true, {2003, 12, 24}},
                      ParseCase{"12:00:00 PM", true, {1899, 12, 30, 12}},
                      ParseCase{"1:05:09 pm", true, {1899, 12, 30, 13, 5, 9}},
                      ParseCase{"PM 1:05", true, {1899, 12, 30, 13, 5}},
                      ParseCase{"9:00 a", true, {1899, 12, 30, 9}},
                      ParseCase{"01/02/0003", true, {3, 1, 2}}));

// The window is [now - 50, now + 50): its two edges and a year well inside.
TEST(ReadDateTime, TwoDigitYearsLieWithinFiftyYearsOfNow)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int year = local.tm_year + 1900;
    for (const int offset : {-50, -49, -40, 0, 10, 49}) {
        char text[32];
        std::snprintf(text, sizeof text, "01.06.%02d", (year + offset + 100) % 100);
        EXPECT_EQ(dateTimeParts(parseDateTimeText(text, german())).year, year + offset) << text;
    }
}

// Both edges of the window, also in years where it reaches back into the
// previous century and forward into the next.
TEST(ReadDateTime, TwoDigitYearWindowEdges)
{
    struct Case {
        int now, twoDigits, year;
    };
    const Case cases[] = {{2026, 76, 1976}, {2026, 75, 2075}, {2026, 26, 2026}, {2060, 10, 2010}, {2060, 9, 2109},
                          {2060, 60, 2060}, {2049, 99, 1999}, {2049, 98, 2098}, {2000, 50, 1950}, {2000, 49, 2049}};
    for (const Case& c : cases)
        EXPECT_EQ(detail::windowedYear(c.twoDigits, c.now), c.year) << c.now << " " << c.twoDigits;
}

class RefuseDateTime : public ::testing::TestWithParam<const char*> {};

TEST_P(RefuseDateTime, NamesTheText)
{
    const std::string text = ansi(GetParam());
    EXPECT_EQ(rk::test::messageOf<EConvertError>([&] { parseDateTimeText(text, german()); }),
              ansi("'") + text + ansi("' ist keine gültige Datums- und Uhrzeitangabe"));
}

INSTANTIATE_TEST_SUITE_P(Texts, RefuseDateTime,
                         ::testing::Values("", "   ", "abc", "32.12.2003", "29.02.2003", "24.13.2003",
                                           "24.12.2003x", "24.12.200313:05", "24.12", "25:00:00",
                                           "13:60", "12:05:61", "13", "13:05 PM", "24.12.2003 13:05:09 xx",
                                           "24.12.10000", "0.12.2003"));

TEST(ReadDateTime, SkipsTheWordsAndWeekdaysOfThePattern)
{
    LocaleFormats f = german();
    f.datePattern = "dddd, d. MMMM yyyy";
    EXPECT_DOUBLE_EQ(parseDateTimeText(ansi("Mittwoch, 24. Dezember 2003 13:05:09"), f),
                     dateTimeFromParts({2003, 12, 24, 13, 5, 9, 0}));
    f.datePattern = "dd \"de\" MMMM \"de\" yyyy";
    EXPECT_DOUBLE_EQ(parseDateTimeText(ansi("24 de März de 2003"), f), dateTimeFromParts({2003, 3, 24, 0, 0, 0, 0}));
    // A word of the pattern is skipped only where it stands whole.
    f.datePattern = "yyyy MMM'a' dd";
    f.monthShortNames[7] = "ab";
    EXPECT_DOUBLE_EQ(parseDateTimeText("2003 aba 24", f), dateTimeFromParts({2003, 8, 24, 0, 0, 0, 0}));
}

TEST(ReadDateTime, TimeWithTheDateMarkIsATimeWhereDatesHaveLongYears)
{
    LocaleFormats f = german();
    f.timeMark = '.';
    EXPECT_DOUBLE_EQ(parseDateTimeText("13.05.09", f), dateTimeFromParts({1899, 12, 30, 13, 5, 9, 0}));
    EXPECT_DOUBLE_EQ(parseDateTimeText("24.12.2003 13.05.09", f), dateTimeFromParts({2003, 12, 24, 13, 5, 9, 0}));
    f.datePattern = "dd.MM.yy";
    EXPECT_EQ(dateTimeParts(parseDateTimeText("13.05.09", f)).month, 5);
}

TEST(ReadDateTime, FollowsAChangedPatternOrDateMarkFromOneTextToTheNext)
{
    LocaleFormats dayFirst = german(), monthFirst = german(), dashes = german(), points = german();
    monthFirst.datePattern = "MM.dd.yyyy";
    dashes.datePattern = points.datePattern = "dd/MM/yyyy";
    dashes.dateMark = '-';
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(dateTimeParts(parseDateTimeText("01.02.2003", dayFirst)).month, 2);
        EXPECT_EQ(dateTimeParts(parseDateTimeText("01.02.2003", monthFirst)).month, 1);
        EXPECT_EQ(dateTimeParts(parseDateTimeText("01-02-2003", dashes)).month, 2);
        EXPECT_THROW(parseDateTimeText("01-02-2003", points), EConvertError);
    }
}

// What the formatting writes under an installed locale reads back.
class InstalledLocale : public ::testing::TestWithParam<const char*> {};

TEST_P(InstalledLocale, ReadsBackWhatItWrites)
{
    const auto f = tryReadLocaleFormats(GetParam());
    if (!f) GTEST_SKIP() << "locale " << GetParam() << " is not installed";
    for (const DateTimeParts& p : {DateTimeParts{2003, 12, 24, 13, 5, 9, 0}, DateTimeParts{1999, 1, 5, 0, 0, 0, 0},
                                   DateTimeParts{1, 7, 31, 0, 7, 3, 0}, DateTimeParts{9999, 2, 28, 12, 0, 1, 0}}) {
        const DateTime m = dateTimeFromParts(p);
        const std::string stamp = formatDateTimeText("c", m, *f);
        EXPECT_DOUBLE_EQ(parseDateTimeText(stamp, *f), m) << toUtf8(stamp);
        const std::string time = formatDateTimeText("tt", m, *f);
        EXPECT_DOUBLE_EQ(parseDateTimeText(time, *f), dateTimeFromParts({1899, 12, 30, p.hour, p.minute, p.second, 0}))
            << toUtf8(time);
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, InstalledLocale,
                         ::testing::Values("de_DE.UTF-8", "de_AT.UTF-8", "de_CH.UTF-8", "en_US.UTF-8",
                                           "fr_FR.UTF-8", "nb_NO.UTF-8", "eu_ES.UTF-8", "ms_MY.UTF-8",
                                           "en_HK.UTF-8", "is_IS.UTF-8", "hu_HU.UTF-8"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

} // namespace
} // namespace rk::locale
