// formatGeneralFloat and formatGeneralCurrency under a comma and a point
// as decimal mark.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "locale/LocaleFormats.h"

namespace rk::locale {
namespace {

LocaleFormats withMark(char mark)
{
    LocaleFormats f;
    f.decimalMark = mark;
    return f;
}

struct FloatCase {
    double value;
    const char* comma; // with decimalMark ","
};

void PrintTo(const FloatCase& c, std::ostream* os) { *os << c.comma; }

class GeneralFloat : public ::testing::TestWithParam<FloatCase> {};

TEST_P(GeneralFloat, WritesShortestTextOfFifteenDigits)
{
    const FloatCase& c = GetParam();
    EXPECT_EQ(formatGeneralFloat(c.value, withMark(',')), c.comma);
    std::string point = c.comma;
    for (char& ch : point)
        if (ch == ',') ch = '.';
    EXPECT_EQ(formatGeneralFloat(c.value, withMark('.')), point);
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
    EXPECT_EQ(formatGeneralCurrency(GetParam().tenThousandths, withMark(',')), GetParam().comma);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GeneralCurrency,
    ::testing::Values(CurrencyCase{125000, "12,5"}, CurrencyCase{30000, "3"}, CurrencyCase{1, "0,0001"},
                      CurrencyCase{-72500, "-7,25"}, CurrencyCase{0, "0"}, CurrencyCase{-1, "-0,0001"},
                      CurrencyCase{12345678, "1234,5678"}, CurrencyCase{1000000, "100"},
                      CurrencyCase{INT64_MAX, "922337203685477,5807"},
                      CurrencyCase{INT64_MIN, "-922337203685477,5808"}));

// The rule written out once more, on printf's 18 digits: the check for the
// quick path the formatting takes through the shortest text of a value.
std::string generalFloatByPrintf(double x)
{
    if (x == 0) return "0";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17e", std::fabs(x));
    std::string digits;
    const char* p = buf;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    int e = std::atoi(p + 1) + 1;
    digits.resize(16);
    const bool up = digits[15] >= '5';
    digits.resize(15);
    if (up) {
        int i = 14;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i < 0) {
            digits = "1";
            ++e;
        } else {
            ++digits[size_t(i)];
        }
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int n = int(digits.size());
    std::string out = x < 0 ? "-" : "";
    if (e >= 1 && e <= 15) {
        out += digits.substr(0, size_t(std::min(n, e))) + std::string(size_t(std::max(0, e - n)), '0');
        if (n > e) out += "," + digits.substr(size_t(e));
    } else if (e >= -3 && e <= 0) {
        out += "0," + std::string(size_t(-e), '0') + digits;
    } else {
        out += digits.substr(0, 1);
        if (n > 1) out += "," + digits.substr(1);
        out += "E" + std::to_string(e - 1);
    }
    return out;
}

TEST(GeneralFloat, MatchesTheRuleOnPrintfDigitsForManyValues)
{
    std::mt19937_64 random(20261209);
    const LocaleFormats comma = withMark(',');
    std::vector<double> values;
    for (int i = 0; i < 200000; ++i) {
        uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any)) values.push_back(any);
        // Decimals as sources hold them, and neighbours of round values.
        const double decimal = double(int64_t(random() % 2000000000) - 1000000000) / std::pow(10.0, int(random() % 19));
        values.push_back(decimal);
        values.push_back(std::nextafter(decimal, 1e300));
        values.push_back(std::nextafter(decimal, -1e300));
        values.push_back(double(random() >> int(random() % 64)));
    }
    for (int k = -30; k <= 30; ++k) {
        const double p = std::pow(10.0, k);
        for (double v : {p, std::nextafter(p, 0.0), std::nextafter(p, 1e300), 5 * p, 9.99999999999999 * p,
                         9.999999999999995 * p, 0.999999999999999949 * p})
            values.push_back(v);
    }
    int mismatches = 0;
    for (double v : values) {
        const std::string expected = generalFloatByPrintf(v);
        const std::string actual = formatGeneralFloat(v, comma);
        if (actual != expected && ++mismatches <= 10)
            ADD_FAILURE() << std::hexfloat << v << ": " << actual << " instead of " << expected;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(GeneralFloat, AppendsToExistingText)
{
    std::string out = "x=";
    appendGeneralFloat(out, 2.25, withMark(','));
    appendGeneralCurrency(out, 5000, withMark(','));
    EXPECT_EQ(out, "x=2,250,5");
}

} // namespace
} // namespace rk::locale
