// Text forms of numbers: formatGeneralFloat (shortest text with at most 15
// significant digits) and formatGeneralCurrency (ten-thousandths). Both
// write only digits, "-", the decimal mark and, for floats, "E".
#include "locale/LocaleFormats.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace rk::locale {

namespace {

// The digits of |x| rounded to 15 significant digits, trailing zeros
// dropped, and E with |x| = 0.d1d2… × 10^E. Returns the digit count.
//
// Mostly this is the shortest text that reads back as x: when that has at
// most 15 digits it is also what rounding the 18-digit form to 15 digits
// gives, since x lies within half an ulp of it, under 0.12 units of its
// 15th digit, so the 18-digit form's 16th digit lifts it back or leaves it.
// Longer shortest texts, and subnormal values (with fewer bits, a wider
// half ulp), take the 18-digit form and its rounding.
int significantDigits(double magnitude, char (&digits)[19], int& exponent)
{
    // Quicker still for the usual few decimals: m / 10^k giving back the
    // value exactly is such a text (the division rounds correctly, and m
    // and 10^k are exact doubles), m's digits at most 15.
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12,
                                         1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (magnitude >= 1e-7 && magnitude < 1e15) {
        for (int k = 0; k <= 22; ++k) {
            const double scaled = magnitude * kPowers[k];
            if (scaled >= 1e15) break;
            const auto m = static_cast<uint64_t>(scaled + 0.5);
            if (m == 0 || double(m) / kPowers[k] != magnitude) continue;
            char text[20];
            const int len = int(std::to_chars(text, text + sizeof text, m).ptr - text);
            int n = len;
            while (n > 1 && text[n - 1] == '0') --n;
            for (int i = 0; i < n; ++i) digits[i] = text[i];
            exponent = len - k;
            return n;
        }
    }
    char buf[40];
    std::to_chars_result res{buf, {}};
    int n = 0;
    const char* p = buf;
    const bool normal = magnitude >= std::numeric_limits<double>::min();
    if (normal) {
        res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
        for (; p < res.ptr && *p != 'e'; ++p)
            if (*p != '.') digits[n++] = *p;
    }
    const bool shortest = normal && n <= 15;
    if (!shortest) {
        res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 17);
        n = 0;
        for (p = buf; p < res.ptr && *p != 'e'; ++p)
            if (*p != '.') digits[n++] = *p;
    }
    // p stands at the 'e' of "e+NN" / "e-NNN".
    const bool negative = p[1] == '-';
    int e = 0;
    for (p += 2; p < res.ptr; ++p) e = e * 10 + (*p - '0');
    exponent = (negative ? -e : e) + 1;

    if (!shortest) {
        // Round the 18 digits to 15, from the 16th digit alone.
        n = 15;
        if (digits[15] >= '5') {
            int i = 14;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i < 0) {
                digits[0] = '1';
                n = 1;
                ++exponent;
            } else {
                ++digits[i];
            }
        }
    }
    while (n > 1 && digits[n - 1] == '0') --n;
    return n;
}

void appendDecimal(std::string& out, uint64_t v)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

} // namespace

void appendGeneralFloat(std::string& out, double x, const LocaleFormats& f)
{
    if (std::isnan(x)) { out += "NAN"; return; }
    if (std::isinf(x)) { out += x < 0 ? "-INF" : "INF"; return; }
    if (x == 0) { out += '0'; return; }

    char digits[19];
    int exponent = 0; // |x| = 0.d1d2… × 10^exponent
    const int n = significantDigits(std::fabs(x), digits, exponent);

    if (x < 0) out += '-';
    if (exponent >= -3 && exponent <= 15) {
        if (exponent >= 1) {
            if (n >= exponent) {
                out.append(digits, exponent);
            } else {
                out.append(digits, n);
                out.append(exponent - n, '0');
            }
            if (n > exponent) {
                out += f.decimalMark;
                out.append(digits + exponent, n - exponent);
            }
        } else {
            out += '0';
            out += f.decimalMark;
            out.append(-exponent, '0');
            out.append(digits, n);
        }
    } else {
        out += digits[0];
        if (n > 1) {
            out += f.decimalMark;
            out.append(digits + 1, n - 1);
        }
        out += 'E';
        const int e = exponent - 1;
        if (e < 0) out += '-';
        appendDecimal(out, uint64_t(std::abs(e)));
    }
}

void appendGeneralCurrency(std::string& out, int64_t v, const LocaleFormats& f)
{
    if (v == 0) { out += '0'; return; }
    if (v < 0) out += '-';
    // Unsigned, so that the most negative count has a magnitude too.
    const uint64_t magnitude = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    appendDecimal(out, magnitude / 10000);
    uint32_t fraction = uint32_t(magnitude % 10000);
    if (fraction != 0) {
        char frac[4];
        for (int i = 3; i >= 0; --i) {
            frac[i] = char('0' + fraction % 10);
            fraction /= 10;
        }
        int len = 4;
        while (frac[len - 1] == '0') --len;
        out += f.decimalMark;
        out.append(frac, len);
    }
}

std::string formatGeneralFloat(double x, const LocaleFormats& f)
{
    std::string out;
    appendGeneralFloat(out, x, f);
    return out;
}

std::string formatGeneralCurrency(int64_t v, const LocaleFormats& f)
{
    std::string out;
    appendGeneralCurrency(out, v, f);
    return out;
}

} // namespace rk::locale
