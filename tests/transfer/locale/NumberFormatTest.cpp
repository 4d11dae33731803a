// FormatGeneralFloat and FormatGeneralCurrency under a comma and a point
// as decimal mark.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "transfer/locale/LocaleFormats.h"

namespace rk::locale {
namespace {

LocaleFormats withMark(char mark)
{
    LocaleFormats f;
    f.DecimalMark = mark;
    return f;
}

struct FloatCase {
    double value;
    const char* comma; // with DecimalMark ","
};

void PrintTo(const FloatCase& c, std::ostream* os) { *os << c.comma; }

class GeneralFloat : public ::testing::TestWithParam<FloatCase> {};

TEST_P(GeneralFloat, WritesShortestTextOfFifteenDigits)
{
    const FloatCase& c = GetParam();
    EXPECT_EQ(FormatGeneralFloat(c.value, withMark(',')), c.comma);
    std::string point = c.comma;
    for (char& ch : point)
        if (ch == ',') ch = '.';
    EXPECT_EQ(FormatGeneralFloat(c.value, withMark('.')), point);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GeneralFloat,
    ::testing::Values(FloatCase{0.5, "0,5"}, FloatCase{-0.5, "-0,5"}, FloatCase{0.0, "0"},
                      FloatCase{-0.0, "0"}, FloatCase{1.0 / 3, "0,333333333333333"},
                      FloatCase{2.0 / 3, "0,666666666666667"}, FloatCase{1e-4, "0,0001"},
                      FloatCase{1e-3, "0,001"}, FloatCase{1.5e-4, "0,00015"}, FloatCase{1e-5, "1E-5"},
                      FloatCase{-1.25e-7, "-1,25E-7"}, FloatCase{1e15, "1E15"},
                      FloatCase{123456789012345.0, "123456789012345"},
                      FloatCase{999999999999999.0, "999999999999999"}, FloatCase{1e16, "1E16"},
                      FloatCase{1234567890123456.0, "1,23456789012346E15"}, FloatCase{12.5, "12,5"},
                      FloatCase{100.0, "100"}, FloatCase{0.1, "0,1"}, FloatCase{1.0 - 1e-16, "1"},
                      FloatCase{9.9999999999999995, "10"}, FloatCase{1e300, "1E300"},
                      FloatCase{5e-324, "4,94065645841247E-324"},
                      FloatCase{std::numeric_limits<double>::infinity(), "INF"},
                      FloatCase{-std::numeric_limits<double>::infinity(), "-INF"},
                      FloatCase{std::nan(""), "NAN"}));

struct CurrencyCase {
    int64_t tenThousandths;
    const char* comma;
};

void PrintTo(const CurrencyCase& c, std::ostream* os) { *os << c.comma; }

class GeneralCurrency : public ::testing::TestWithParam<CurrencyCase> {};

TEST_P(GeneralCurrency, WritesFourDecimalsWithoutTrailingZeros)
{
    EXPECT_EQ(FormatGeneralCurrency(GetParam().tenThousandths, withMark(',')), GetParam().comma);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GeneralCurrency,
    ::testing::Values(CurrencyCase{125000, "12,5"}, CurrencyCase{30000, "3"}, CurrencyCase{1, "0,0001"},
                      CurrencyCase{-72500, "-7,25"}, CurrencyCase{0, "0"}, CurrencyCase{-1, "-0,0001"},
                      CurrencyCase{12345678, "1234,5678"}, CurrencyCase{1000000, "100"},
                      CurrencyCase{INT64_MAX, "922337203685477,5807"},
                      CurrencyCase{INT64_MIN, "-922337203685477,5808"}));

TEST(GeneralFloat, AppendsToExistingText)
{
    std::string out = "x=";
    AppendGeneralFloat(out, 2.25, withMark(','));
    AppendGeneralCurrency(out, 5000, withMark(','));
    EXPECT_EQ(out, "x=2,250,5");
}

} // namespace
} // namespace rk::locale
