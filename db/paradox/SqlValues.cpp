// Field values into and out of SQLite (see SqlValues.h).
#include "db/paradox/SqlValues.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "db/paradox/FieldTypes.h"

namespace rk::source::detail {
namespace {

using paradox::FieldType;

char digitChar(uint8_t d) { return static_cast<char>(d < 10 ? '0' + d : 'A' + (d - 10)); }

int digitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void assignText(db::FieldValue& out, const void* data, int size)
{
    const char* p = static_cast<const char*>(data);
    const size_t n = size > 0 ? static_cast<size_t>(size) : 0;
    if (auto* held = std::get_if<std::string>(&out))
        held->assign(p ? p : "", n);
    else
        out.emplace<std::string>(p ? p : "", n);
}

} // namespace

std::string encodeBcd(const db::BcdValue& v)
{
    std::string out;
    out.reserve(v.digits.size() + 3);
    if (v.negative) out += '-';
    const auto n = static_cast<int>(v.digits.size());
    if (v.scale < 0 || v.scale > n) {
        for (uint8_t d : v.digits) out += digitChar(d);
        out += ';';
        out += std::to_string(v.scale);
        return out;
    }
    for (int i = 0; i < n; ++i) {
        if (i == n - v.scale) out += '.';
        out += digitChar(v.digits[i]);
    }
    return out;
}

db::BcdValue decodeBcd(std::string_view text)
{
    db::BcdValue v;
    size_t i = 0;
    if (i < text.size() && text[i] == '-') { v.negative = true; ++i; }
    int afterPoint = -1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') { afterPoint = 0; continue; }
        if (c == ';') {
            v.scale = std::stoi(std::string(text.substr(i + 1)));
            return v;
        }
        const int d = digitValue(c);
        if (d < 0) break;
        v.digits.push_back(static_cast<uint8_t>(d));
        if (afterPoint >= 0) ++afterPoint;
    }
    v.scale = afterPoint < 0 ? 0 : afterPoint;
    return v;
}

void setResult(sqlite3_context* ctx, FieldType kind, const db::FieldValue& value)
{
    struct Visitor {
        sqlite3_context* ctx;
        FieldType kind;
        void operator()(std::monostate) const { sqlite3_result_null(ctx); }
        void operator()(int32_t v) const { sqlite3_result_int(ctx, v); }
        void operator()(double v) const { sqlite3_result_double(ctx, v); }
        void operator()(bool v) const { sqlite3_result_int(ctx, v ? 1 : 0); }
        void operator()(const db::BcdValue& v) const
        {
            const std::string t = encodeBcd(v);
            sqlite3_result_text(ctx, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
        }
        void operator()(db::DateValue v) const { sqlite3_result_int(ctx, v.days); }
        void operator()(db::TimeValue v) const { sqlite3_result_int(ctx, v.msecs); }
        void operator()(db::TimestampValue v) const { sqlite3_result_double(ctx, v.msecs); }
        void operator()(const std::string& v) const
        {
            if (v.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
                sqlite3_result_error_toobig(ctx);
            } else if (affinityOf(kind) == Affinity::Text) {
                sqlite3_result_text(ctx, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
            } else {
                sqlite3_result_blob(ctx, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
            }
        }
    };
    std::visit(Visitor{ctx, kind}, value);
}

void readColumn(sqlite3_stmt* stmt, int i, FieldType kind, db::FieldValue& out)
{
    // One column call, then the cheaper value calls: this runs for every
    // column of every row.
    sqlite3_value* v = sqlite3_column_value(stmt, i);
    if (sqlite3_value_type(v) == SQLITE_NULL) {
        out = std::monostate{};
        return;
    }
    switch (kind) {
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc: out = static_cast<int32_t>(sqlite3_value_int(v)); return;
    case FieldType::Logical: out = sqlite3_value_int64(v) != 0; return;
    case FieldType::Date: out = db::DateValue{sqlite3_value_int(v)}; return;
    case FieldType::Time: out = db::TimeValue{sqlite3_value_int(v)}; return;
    case FieldType::Timestamp: out = db::TimestampValue{sqlite3_value_double(v)}; return;
    case FieldType::Number:
    case FieldType::Currency: out = sqlite3_value_double(v); return;
    case FieldType::Bcd: {
        // value_blob hands over the stored bytes; value_text would first
        // copy them to add a terminator.
        const auto* t = static_cast<const char*>(sqlite3_value_blob(v));
        out = decodeBcd(std::string_view(t ? t : "", static_cast<size_t>(sqlite3_value_bytes(v))));
        return;
    }
    case FieldType::Alpha:
    case FieldType::Memo:
    case FieldType::Binary:
    case FieldType::FmtMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
    case FieldType::Bytes: {
        const void* b = sqlite3_value_blob(v);
        assignText(out, b, sqlite3_value_bytes(v));
        return;
    }
    }
    out = std::monostate{};
}

void readUntypedColumn(sqlite3_stmt* stmt, int i, db::FieldValue& out)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_NULL: out = std::monostate{}; return;
    case SQLITE_INTEGER: {
        const sqlite3_int64 v = sqlite3_column_int64(stmt, i);
        if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
            out = static_cast<int32_t>(v);
        else
            out = static_cast<double>(v);
        return;
    }
    case SQLITE_FLOAT: out = sqlite3_column_double(stmt, i); return;
    case SQLITE_TEXT: assignText(out, sqlite3_column_blob(stmt, i), sqlite3_column_bytes(stmt, i)); return;
    default: assignText(out, sqlite3_column_blob(stmt, i), sqlite3_column_bytes(stmt, i)); return;
    }
}

} // namespace rk::source::detail
