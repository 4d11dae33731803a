// StrToDateTime: the texts the formatting writes, and the texts it refuses.
#include <gtest/gtest.h>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "transfer/locale/LocaleFormats.h"

namespace rk::locale {
namespace {

LocaleFormats german()
{
    LocaleFormats f;
    f.DecimalMark = ',';
    f.DateMark = '.';
    f.DatePattern = "dd.MM.yyyy";
    f.TimePattern = "hh:mm:ss";
    f.AmText = "";
    f.PmText = "";
    return f;
}

LocaleFormats american()
{
    LocaleFormats f;
    f.DatePattern = "MM/dd/yyyy";
    f.TimePattern = "hh:mm:ss AMPM";
    f.AmText = "AM";
    f.PmText = "PM";
    return f;
}

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
    const DateTime moment = StrToDateTime(ansi(c.text), c.us ? american() : german());
    EXPECT_DOUBLE_EQ(moment, EncodeDateTime(c.expected)) << c.text;
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

TEST(ReadDateTime, TwoDigitYearsLieWithinFiftyYearsOfNow)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int year = local.tm_year + 1900;
    const int soon = (year + 10) % 100;
    const int past = (year + 60) % 100; // 40 years back
    char text[32];
    std::snprintf(text, sizeof text, "01.06.%02d", soon);
    EXPECT_EQ(DecodeDateTime(StrToDateTime(text, german())).year, year + 10);
    std::snprintf(text, sizeof text, "01.06.%02d", past);
    EXPECT_EQ(DecodeDateTime(StrToDateTime(text, german())).year, year - 40);
}

class RefuseDateTime : public ::testing::TestWithParam<const char*> {};

TEST_P(RefuseDateTime, NamesTheText)
{
    const std::string text = ansi(GetParam());
    try {
        StrToDateTime(text, german());
        FAIL() << "read " << GetParam();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), ansi("'") + text + ansi("' ist keine gültige Datums- und Uhrzeitangabe"));
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, RefuseDateTime,
                         ::testing::Values("", "   ", "abc", "32.12.2003", "29.02.2003", "24.13.2003",
                                           "24.12.2003x", "24.12.200313:05", "24.12", "25:00:00",
                                           "13:60", "12:05:61", "13", "13:05 PM", "24.12.2003 13:05:09 xx",
                                           "24.12.10000", "0.12.2003"));

} // namespace
} // namespace rk::locale
