// Text forms of numbers: FormatGeneralFloat (shortest text with at most 15
// significant digits) and FormatGeneralCurrency (ten-thousandths). Both
// write only digits, "-", the decimal mark and, for floats, "E".
#include "transfer/locale/LocaleFormats.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace rk::locale {

void AppendGeneralFloat(std::string& out, double x, const LocaleFormats& f)
{
    if (std::isnan(x)) { out += "NAN"; return; }
    if (std::isinf(x)) { out += x < 0 ? "-INF" : "INF"; return; }
    if (x == 0) { out += '0'; return; }

    // 18 significant digits, rounded to nearest: d.ddd…e±x.
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 17);
    *res.ptr = '\0';
    char digits[19];
    int n = 0;
    for (const char* p = buf; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits[n++] = *p;
    int exponent = std::atoi(std::strchr(buf, 'e') + 1) + 1; // |x| = 0.d1d2… × 10^exponent

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
    while (n > 1 && digits[n - 1] == '0') --n;

    if (x < 0) out += '-';
    if (exponent >= -3 && exponent <= 15) {
        if (exponent >= 1) {
            for (int i = 0; i < exponent; ++i) out += i < n ? digits[i] : '0';
            if (n > exponent) {
                out += f.DecimalMark;
                out.append(digits + exponent, n - exponent);
            }
        } else {
            out += '0';
            out += f.DecimalMark;
            out.append(-exponent, '0');
            out.append(digits, n);
        }
    } else {
        out += digits[0];
        if (n > 1) {
            out += f.DecimalMark;
            out.append(digits + 1, n - 1);
        }
        out += 'E';
        const int e = exponent - 1;
        if (e < 0) out += '-';
        out += std::to_string(std::abs(e));
    }
}

void AppendGeneralCurrency(std::string& out, int64_t v, const LocaleFormats& f)
{
    if (v == 0) { out += '0'; return; }
    if (v < 0) out += '-';
    // Unsigned, so that the most negative count has a magnitude too.
    const uint64_t magnitude = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    out += std::to_string(magnitude / 10000);
    uint32_t fraction = uint32_t(magnitude % 10000);
    if (fraction != 0) {
        char frac[4];
        for (int i = 3; i >= 0; --i) {
            frac[i] = char('0' + fraction % 10);
            fraction /= 10;
        }
        int len = 4;
        while (frac[len - 1] == '0') --len;
        out += f.DecimalMark;
        out.append(frac, len);
    }
}

std::string FormatGeneralFloat(double x, const LocaleFormats& f)
{
    std::string out;
    AppendGeneralFloat(out, x, f);
    return out;
}

std::string FormatGeneralCurrency(int64_t v, const LocaleFormats& f)
{
    std::string out;
    AppendGeneralCurrency(out, v, f);
    return out;
}

} // namespace rk::locale
