// Value mapping: the field readings and assignParamFromField. Runs once per
// parameter and row, so the text path formats into one reused buffer and
// hands the parameter a view; the parameter copies into storage it keeps.
#include "transfer/ValueMapping.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "db/common/Ansi.h"
#include "db/common/Bcd.h"
#include "locale/LocaleFormats.h"

namespace rk::transfer {
namespace {

using db::DataType;

[[noreturn]] void accessError(const db::Field& field, const char* typeName)
{
    throw EDatabaseError(ansiFormat("Feld '%s' kann nicht als Typ %s angesprochen werden", field.name, typeName));
}

[[noreturn]] void notAnInteger(const std::string& text)
{
    throw EConvertError(ansiFormat("'%s' ist kein gültiger Integerwert", text));
}

void appendInteger(std::string& out, int64_t v)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Optional leading blanks, an optional sign, then decimal digits, or hex
// digits after "$", "x", "X", "0x" or "0X"; nothing may follow.
int32_t textToInteger(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size()) notAnInteger(std::string(s));
    constexpr int64_t kLimit = int64_t(INT32_MAX) + 1; // magnitude of INT32_MIN
    int64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        const int d = hexDigit(s[i]);
        if (d < 0 || d >= base) notAnInteger(std::string(s));
        magnitude = magnitude * base + d;
        if (magnitude > kLimit) notAnInteger(std::string(s));
    }
    if (!negative && magnitude == kLimit) notAnInteger(std::string(s));
    return int32_t(negative ? -magnitude : magnitude);
}

// Rounds ten-thousandths to whole units, halves to the even neighbour.
int64_t roundTenThousandths(int64_t v)
{
    int64_t q = v / 10000;
    const int64_t r = v % 10000;
    const int64_t absR = r < 0 ? -r : r;
    if (absR > 5000 || (absR == 5000 && q % 2 != 0)) q += r < 0 ? -1 : 1;
    return q;
}

int32_t checkedInteger(double rounded, const db::Field& field)
{
    if (!(rounded >= double(INT32_MIN) && rounded <= double(INT32_MAX))) notAnInteger(textReading(field));
    return int32_t(rounded);
}

// Text or raw bytes held by the field, with the cut at NUL for Alpha and the
// declared size for Bytes.
std::string_view storedBytes(const db::Field& field, const std::string& stored, std::string& scratch)
{
    if (field.dataType == DataType::ftString) {
        const void* nul = std::memchr(stored.data(), '\0', stored.size());
        return std::string_view(stored.data(), nul ? static_cast<const char*>(nul) - stored.data() : stored.size());
    }
    if (field.dataType == DataType::ftBytes && field.size > 0 && stored.size() != size_t(field.size)) {
        scratch.assign(stored, 0, std::min(stored.size(), size_t(field.size)));
        scratch.resize(size_t(field.size), '\0');
        return scratch;
    }
    return stored;
}

} // namespace

int64_t bcdToTenThousandths(const db::BcdValue& bcd, const std::string& fieldName)
{
    const auto value = db::readBcd(bcd);
    if (!value) throw EDatabaseError(ansiFormat("Feld '%s' enthält keinen gültigen BCD-Wert", fieldName));
    // The magnitude may reach 2^63 for a negative value.
    constexpr uint64_t kLimit = uint64_t(1) << 63;
    auto overflow = [&] {
        throw EDatabaseError(ansiFormat("Wert des Feldes '%s' ist außerhalb des zulässigen Bereichs", fieldName));
    };
    auto push = [&](uint64_t& acc, uint64_t digit) {
        if (acc > (kLimit - digit) / 10) overflow();
        acc = acc * 10 + digit;
    };
    uint64_t acc = 0;
    for (uint8_t digit : value->digits) push(acc, digit);
    for (int i = value->scale; i < db::kBcdDecimalsRead; ++i) push(acc, 0);
    if (value->negative) return acc == kLimit ? INT64_MIN : -int64_t(acc);
    if (acc == kLimit) overflow();
    return int64_t(acc);
}

int32_t integerReading(const db::Field& field)
{
    const db::FieldValue& v = field.value;
    switch (field.dataType) {
    case DataType::ftInteger:
    case DataType::ftSmallint:
    case DataType::ftAutoInc:
        if (const auto* i = std::get_if<int32_t>(&v)) return *i;
        if (const auto* d = std::get_if<double>(&v)) return checkedInteger(std::nearbyint(*d), field);
        return 0;
    case DataType::ftFloat:
    case DataType::ftCurrency:
        if (const auto* d = std::get_if<double>(&v)) return checkedInteger(std::nearbyint(*d), field);
        if (const auto* i = std::get_if<int32_t>(&v)) return *i;
        return 0;
    case DataType::ftBCD:
        if (const auto* b = std::get_if<db::BcdValue>(&v))
            return checkedInteger(double(roundTenThousandths(bcdToTenThousandths(*b, field.name))), field);
        return 0;
    case DataType::ftString: {
        std::string scratch;
        return textToInteger(textReadingView(field, scratch, *locale::currentFormats()));
    }
    default:
        accessError(field, "Integer");
    }
}

bool logicalReading(const db::Field& field)
{
    const db::FieldValue& v = field.value;
    if (const auto* b = std::get_if<bool>(&v)) return *b;
    if (const auto* i = std::get_if<int32_t>(&v)) return *i != 0;
    if (db::isBlank(v)) return false;
    accessError(field, "Boolean");
}

std::string_view textReadingView(const db::Field& field, std::string& scratch, const locale::LocaleFormats& f)
{
    using namespace rk::locale;
    scratch.clear();
    return std::visit(
        db::Overloaded{
            [](std::monostate) { return std::string_view(); },
            [&](int32_t i) {
                appendInteger(scratch, i);
                return std::string_view(scratch);
            },
            [&](double d) {
                appendGeneralFloat(scratch, d, f);
                return std::string_view(scratch);
            },
            [&](bool b) {
                scratch = b ? "True" : "False";
                return std::string_view(scratch);
            },
            [&](const db::BcdValue& bcd) {
                appendGeneralCurrency(scratch, bcdToTenThousandths(bcd, field.name), f);
                return std::string_view(scratch);
            },
            [&](db::DateValue date) {
                appendDateTimeText(scratch, f.datePattern, date.days, 0, f);
                return std::string_view(scratch);
            },
            [&](db::TimeValue time) {
                appendDateTimeText(scratch, f.timePattern, kDateDelta, time.msecs, f);
                return std::string_view(scratch);
            },
            [&](db::TimestampValue moment) {
                // Whole milliseconds first; a moment before day 1 or with a negative
                // time of day is refused by the formatting with these two numbers.
                const double ms = std::nearbyint(moment.msecs);
                if (!std::isfinite(ms) || std::fabs(ms) > 1e17) {
                    appendDateTimeText(scratch, "C", 0, 0, f);
                    return std::string_view(scratch);
                }
                const auto total = static_cast<int64_t>(ms);
                int64_t days = total / kMSecsPerDay;
                const int64_t msOfDay = total - days * kMSecsPerDay;
                if (days > INT32_MAX) days = INT32_MAX;
                appendDateTimeText(scratch, "C", int32_t(days), int32_t(msOfDay), f);
                return std::string_view(scratch);
            },
            [&](const std::string& stored) { return storedBytes(field, stored, scratch); },
        },
        field.value);
}

std::string textReading(const db::Field& field)
{
    std::string scratch;
    return std::string(textReadingView(field, scratch, *locale::currentFormats()));
}

void assignParamFromField(db::Param& param, SourceQuery& source)
{
    assignParamFromField(param, source.fieldByName(param.name));
}

db::ParamView parameterValue(const db::Field& field, std::string& scratch, const locale::LocaleFormats& formats)
{
    using Kind = db::ParamView::Kind;
    if (field.dataType == DataType::ftInteger) return {Kind::Integer, integerReading(field), {}};
    if (field.dataType == DataType::ftBoolean) return {Kind::Text, 0, logicalReading(field) ? "T" : "F"};
    const std::string_view text = textReadingView(field, scratch, formats);
    // An integer's digits, "T" and "F" are never blank, so only this path can give NULL.
    if (isBlankText(text)) return {};
    return {Kind::Text, 0, text};
}

void assignParamFromField(db::Param& param, const db::Field& field)
{
    // One buffer per thread for the whole run: its capacity settles after a few rows.
    thread_local std::string scratch;
    param.value.assign(parameterValue(field, scratch, *locale::currentFormats()));
}

} // namespace rk::transfer
