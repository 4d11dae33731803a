// formatDateTimeText token by token, the nested patterns, the errors, and
// the calendar arithmetic of dateTimeParts/dateTimeFromParts.
#include <gtest/gtest.h>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "locale/LocaleFormats.h"
#include "tests/support/ExceptionMessage.h"
#include "tests/support/GermanFormats.h"

namespace rk::locale {
namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return dateTimeFromParts({y, mo, d, h, mi, s, ms});
}

LocaleFormats german() { return rk::test::germanFormats(); }
LocaleFormats american() { return rk::test::americanFormats(); }

struct FormatCase {
    const char* legend;
    const char* pattern;
    DateTime moment;
    bool us; // american() instead of german()
    const char* expected; // UTF-8
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.legend; }

class FormatDateTime : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatDateTime, WritesEveryToken)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(formatDateTimeText(c.pattern, c.moment, c.us ? american() : german()), ansi(c.expected));
}

const DateTime kEve = at(2003, 12, 24);          // a Wednesday
const DateTime kMorning = at(2003, 12, 24, 8, 5, 9);
const DateTime kAfternoon = at(2003, 12, 24, 13, 5, 9);

INSTANTIATE_TEST_SUITE_P(
    Tokens, FormatDateTime,
    ::testing::Values(
        FormatCase{"german_date", "dd.MM.yyyy", kEve, false, "24.12.2003"},
        FormatCase{"slash_is_date_mark", "M/d/yyyy", kEve, true, "12/24/2003"},
        FormatCase{"slash_with_point_mark", "M/d/yyyy", kEve, false, "12.24.2003"},
        FormatCase{"short_numbers", "d.m.y", at(2005, 3, 7), false, "7.3.05"},
        FormatCase{"year_runs", "y|yy|yyy|yyyy|yyyyy", at(5, 1, 2), false, "05|05|0005|0005|0005"},
        FormatCase{"names", "ddd dddd mmm mmmm mmmmm", at(2003, 3, 2), false, "So Sonntag Mär März März"},
        FormatCase{"aaa_names", "aaa aaaa", kEve, false, "Mi Mittwoch"},
        FormatCase{"single_a_copied", "a aa", kEve, false, "a aa"},
        FormatCase{"date_pattern_in_place", "[ddddd]", kEve, false, "[24.12.2003]"},
        FormatCase{"long_pattern_in_place", "dddddd", kEve, false, "Mittwoch, 24. Dezember 2003"},
        FormatCase{"log_stamp", "hh:nn:ss", kMorning, false, "08:05:09"},
        FormatCase{"german_time", "hh:mm:ss", kAfternoon, false, "13:05:09"},
        FormatCase{"time_mark", "h:n", kMorning, true, "8:5"},
        FormatCase{"us_morning", "tt", kMorning, true, "8:05:09 AM"},
        FormatCase{"us_afternoon", "tt", kAfternoon, true, "1:05:09 PM"},
        FormatCase{"us_midnight", "tt", kEve, true, "12:00:00 AM"},
        FormatCase{"us_noon", "tt", at(2003, 12, 24, 12), true, "12:00:00 PM"},
        FormatCase{"short_time", "t", kAfternoon, true, "1:05 PM"},
        FormatCase{"am_pm_as_written", "h AM/PM|h am/pm|h a/P", kAfternoon, false, "1 PM|1 pm|1 P"},
        FormatCase{"a_p_morning", "hh A/p", kMorning, false, "08 A"},
        FormatCase{"marker_before_hour", "ampm h", kAfternoon, true, "PM 1"},
        FormatCase{"first_a_decides", "h aaa", kAfternoon, false, "13 Mi"},
        FormatCase{"further_h_stops_search", "h h a/p", kAfternoon, false, "13 1 p"},
        FormatCase{"quoted_a_skipped", "h 'ampm' am/pm", kAfternoon, false, "1 ampm pm"},
        FormatCase{"milliseconds_not_rounded", "hh:mm:ss", at(2003, 12, 24, 8, 5, 9, 750), false, "08:05:09"},
        FormatCase{"z_runs", "z|zz|zzz|zzzz", at(2003, 12, 24, 0, 0, 0, 5), false, "5|05|005|005"},
        FormatCase{"m_after_h_is_minutes", "h m|hh 'x' mm|hh:mmmm", kMorning, false, "8 5|08 x 05|08:05"},
        FormatCase{"m_after_minutes_is_month", "hh:mm/mm", kMorning, false, "08:05.12"},
        FormatCase{"m_after_date_is_month", "dd mm", kMorning, false, "24 12"},
        FormatCase{"quotes", "'hh' \"mm\" hh", kMorning, false, "hh mm 08"},
        FormatCase{"unclosed_quote", "hh 'rest", kMorning, false, "08 rest"},
        FormatCase{"other_characters", "x-q", kEve, false, "x-q"},
        FormatCase{"c_midnight", "c", kEve, false, "24.12.2003"},
        FormatCase{"c_half_second", "c", at(2003, 12, 24, 0, 0, 0, 500), false, "24.12.2003"},
        FormatCase{"c_with_time", "c", kAfternoon, false, "24.12.2003 13:05:09"},
        FormatCase{"before_1899", "dd.mm.yyyy hh:nn", -1.25, false, "29.12.1899 06:00"},
        FormatCase{"first_day", "dd.mm.yyyy", at(1, 1, 1), false, "01.01.0001"}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.legend); });

TEST(FormatDateTime, NestedPatternAppliesNoFurtherOne)
{
    LocaleFormats f = german();
    f.datePattern = "dd c ddddd t";
    EXPECT_EQ(formatDateTimeText("ddddd", kEve, f), "24   ");
}

TEST(FormatDateTime, FollowsChangedSettingsFromOneValueToTheNext)
{
    LocaleFormats de = german(), us = american(), dashes = german();
    dashes.dateMark = '-';
    dashes.timeMark = '.';
    dashes.timePattern = "hh:mm 'Uhr'";
    // legend: pattern, settings, expected (the same patterns twice over, settings alternating)
    const struct {
        const char* pattern;
        const LocaleFormats* f;
        const char* expected;
    } cases[] = {
        {"c", &de, "24.12.2003 13:05:09"},   {"c", &us, "12/24/2003 1:05:09 PM"},
        {"c", &dashes, "24.12.2003 13.05 Uhr"}, {"dd/mm/yy", &de, "24.12.03"},
        {"dd/mm/yy", &dashes, "24-12-03"},   {"tt", &us, "1:05:09 PM"},
        {"tt", &de, "13:05:09"},             {"ddddd", &us, "12/24/2003"},
        {"ddddd", &de, "24.12.2003"},        {"c' Ende'", &de, "24.12.2003 13:05:09 Ende"},
        {"hh:nn", &de, "13:05"},             {"hh:nn", &dashes, "13.05"},
    };
    for (int round = 0; round < 2; ++round)
        for (const auto& c : cases) EXPECT_EQ(formatDateTimeText(c.pattern, kAfternoon, *c.f), c.expected) << c.pattern;
    // At midnight the time after "c" goes, the text after it stays.
    EXPECT_EQ(formatDateTimeText("c' Ende'", kEve, de), "24.12.2003 Ende");
}

TEST(FormatDateTime, RefusesDaysBeforeYearOne)
{
    EXPECT_EQ(rk::test::messageOf<EConvertError>([] { formatDateTimeText("c", -693594.5, german()); }),
              ansi("'0.43200000' ist kein gültiger Zeitstempel"));
    EXPECT_EQ(formatDateTimeText("yyyy", -693593.0, german()), "0001");

    std::string out;
    EXPECT_THROW(appendDateTimeText(out, "c", 0, 0, german()), EConvertError);
    EXPECT_EQ(rk::test::messageOf<EConvertError>([&] { appendDateTimeText(out, "c", 5, -1, german()); }),
              ansi("'5.-1' ist kein gültiger Zeitstempel"));
}

TEST(DateTimeParts, RoundTripsThroughEncode)
{
    const DateTimeParts cases[] = {
        {1, 1, 1, 0, 0, 0, 0},      {1600, 2, 29, 23, 59, 59, 999}, {1899, 12, 29, 6, 0, 0, 0},
        {1899, 12, 30, 12, 0, 0, 0}, {1900, 2, 28, 1, 2, 3, 4},       {2000, 2, 29, 8, 5, 9, 750},
        {2003, 12, 24, 13, 5, 9, 0}, {2100, 3, 1, 0, 0, 1, 0},       {9999, 12, 31, 23, 59, 59, 999},
    };
    for (const DateTimeParts& p : cases) {
        const DateTimeParts back = dateTimeParts(dateTimeFromParts(p));
        EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second, back.msec),
                  std::tie(p.year, p.month, p.day, p.hour, p.minute, p.second, p.msec))
            << p.year << "-" << p.month << "-" << p.day;
    }
    EXPECT_DOUBLE_EQ(dateTimeFromParts({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(dateTimeFromParts({2003, 12, 24, 12, 0, 0, 0}), 37979.5);
}

TEST(DateTimeParts, RoundsToWholeMilliseconds)
{
    const DateTimeParts p = dateTimeParts(at(2003, 12, 24, 23, 59, 59, 999) + 0.9 / kMSecsPerDay);
    EXPECT_EQ(p.day, 25);
    EXPECT_EQ(p.hour, 0);
    EXPECT_EQ(p.msec, 0);
}

} // namespace
} // namespace rk::locale
