// Expected staged values; see ExpectedStaging.h.
#include "tests/e2e/proof/ExpectedStaging.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "db/common/Ansi.h"

namespace rk::test {

namespace {

std::string fromHex(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// "YYYY-MM-DD" and "HH:MM:SS.mmm" pieces of the manifest.
int num(const std::string& s, size_t at, size_t n) { return std::stoi(s.substr(at, n)); }

std::string two(int v)
{
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

std::string germanDate(const std::string& iso)
{
    return two(num(iso, 8, 2)) + "." + two(num(iso, 5, 2)) + "." + std::to_string(num(iso, 0, 4) + 10000).substr(1);
}

std::string germanTime(const std::string& iso)  // whole seconds, never rounded up
{
    return iso.substr(0, 8);
}

bool blankText(const std::string& s)
{
    for (unsigned char c : s)
        if (c > 0x20) return false;
    return true;
}

// Round a decimal text half to even at four decimals, as ten-thousandths.
long long tenThousandths(const std::string& decimal)
{
    bool negative = false;
    std::string digits;
    int scale = 0;
    bool fraction = false;
    for (char c : decimal) {
        if (c == '-') negative = true;
        else if (c == '.') fraction = true;
        else {
            digits += c;
            if (fraction) ++scale;
        }
    }
    while (scale < 4) { digits += '0'; ++scale; }
    std::string kept = digits.substr(0, digits.size() - (scale - 4));
    const std::string dropped = digits.substr(digits.size() - (scale - 4));
    long long v = kept.empty() ? 0 : std::stoll(kept);
    if (!dropped.empty()) {
        const bool above = dropped[0] > '5' || (dropped[0] == '5' && dropped.find_first_not_of('0', 1) != std::string::npos);
        const bool half = dropped[0] == '5' && dropped.find_first_not_of('0', 1) == std::string::npos;
        if (above || (half && v % 2 == 1)) ++v;
    }
    return negative ? -v : v;
}

} // namespace

std::string generalFloat(double x)
{
    if (x == 0) return "0";
    if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
    if (std::isnan(x)) return "NAN";
    // 18 significant digits, then rounded to 15 by the 16th.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17e", std::fabs(x));
    std::string digits;
    for (const char* p = buf; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    int e = std::atoi(std::strchr(buf, 'e') + 1) + 1;  // |x| = 0.d1d2... * 10^e
    std::string d = digits.substr(0, 15);
    if (digits[15] >= '5') {
        int i = 14;
        for (; i >= 0; --i) {
            if (d[static_cast<size_t>(i)] == '9') {
                d[static_cast<size_t>(i)] = '0';
            } else {
                ++d[static_cast<size_t>(i)];
                break;
            }
        }
        if (i < 0) {
            d = "1";
            ++e;
        }
    }
    while (d.size() > 1 && d.back() == '0') d.pop_back();
    const int n = static_cast<int>(d.size());
    std::string out = x < 0 ? "-" : "";
    if (e >= -3 && e <= 15) {
        if (e >= 1) {
            for (int i = 0; i < e; ++i) out += i < n ? d[static_cast<size_t>(i)] : '0';
            if (n > e) out += "," + d.substr(static_cast<size_t>(e));
        } else {
            out += "0," + std::string(static_cast<size_t>(-e), '0') + d;
        }
    } else {
        out += d[0];
        if (n > 1) out += "," + d.substr(1);
        out += "E" + std::to_string(e - 1);
    }
    return out;
}

std::string generalCurrency(long long v)
{
    if (v == 0) return "0";
    std::string out = v < 0 ? "-" : "";
    const unsigned long long a = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    out += std::to_string(a / 10000);
    std::string frac = std::to_string(a % 10000 + 10000).substr(1);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    if (!frac.empty()) out += "," + frac;
    return out;
}

Mapped mapValue(const ManifestColumn& column, const JsonValue& value)
{
    const std::string& type = column.type;
    const bool blank = value.kind == JsonValue::Null;
    Mapped m;
    if (type == "long") {
        m.kind = Mapped::Integer;
        m.integer = blank ? 0 : std::stoll(value.text);
        return m;
    }
    if (type == "logical") {
        m.kind = Mapped::Text;
        m.text = !blank && value.boolean ? "T" : "F";
        return m;
    }
    std::string text;
    if (!blank) {
        if (type == "short" || type == "autoinc") text = std::to_string(std::stoll(value.text));
        else if (type == "number" || type == "currency") text = generalFloat(std::strtod(value.text.c_str(), nullptr));
        else if (type == "bcd") text = generalCurrency(tenThousandths(value.text));
        else if (type == "date") text = germanDate(value.text);
        else if (type == "time") text = germanTime(value.text);
        else if (type == "timestamp") {
            text = germanDate(value.text);
            const std::string time = value.text.substr(11, 8);
            if (time != "00:00:00") text += " " + time;
        } else if (type == "alpha" || type == "memo") text = rk::ansi(value.text);
        else if (type == "bytes") {
            text = fromHex(value.text);
            text.resize(static_cast<size_t>(column.size), '\0');
        } else if (type == "fmtmemo" || type == "graphic" || type == "ole" || type == "binary") text = fromHex(value.text);
        else throw std::runtime_error("unknown column kind " + type);
    }
    if (blankText(text)) return m;
    m.kind = Mapped::Text;
    m.text = text;
    return m;
}

std::optional<std::string> stagedForm(const Mapped& mapped, int targetType)
{
    if (mapped.kind == Mapped::Null) return std::nullopt;
    if (mapped.kind == Mapped::Integer) return std::to_string(mapped.integer);
    const std::string& t = mapped.text;
    switch (targetType) {
    case kShort:
    case kInteger: return std::to_string(std::stoll(t));
    case kDate:  // "dd.mm.yyyy" with an optional time, read back as a date
        return t.substr(6, 4) + "-" + t.substr(3, 2) + "-" + t.substr(0, 2);
    default: return t;
    }
}

} // namespace rk::test
