// JSON Lines record of the demo data; see Manifest.h.
#include "tools/demo/Manifest.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "db/common/Ansi.h"
#include "tools/demo/DemoCalendar.h"

namespace rk::tools::demo {

using source::paradox::FieldType;

namespace {

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2 + 2);
    out += '"';
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    out += '"';
    return out;
}

std::string number(double d)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", d);
    return buf;
}

std::string bcdText(const db::BcdValue& v)
{
    std::string s = v.negative ? "-" : "";
    const int whole = static_cast<int>(v.digits.size()) - v.scale;
    for (int i = 0; i < whole; ++i) s += char('0' + v.digits[i]);
    if (whole <= 0) s += '0';
    if (v.scale > 0) {
        s += '.';
        for (int i = 0; i < -whole; ++i) s += '0';
        for (size_t i = static_cast<size_t>(whole > 0 ? whole : 0); i < v.digits.size(); ++i)
            s += char('0' + v.digits[i]);
    }
    return '"' + s + '"';
}

std::string value(const pxwrite::Column& c, const db::FieldValue& v)
{
    if (db::isBlank(v)) return "null";
    switch (c.type) {
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc: return std::to_string(std::get<int32_t>(v));
    case FieldType::Number:
    case FieldType::Currency:
        return number(std::holds_alternative<double>(v) ? std::get<double>(v) : std::get<int32_t>(v));
    case FieldType::Logical: return std::get<bool>(v) ? "true" : "false";
    case FieldType::Bcd: return bcdText(std::get<db::BcdValue>(v));
    case FieldType::Date: return '"' + isoDate(std::get<db::DateValue>(v).days) + '"';
    case FieldType::Time: return '"' + isoTime(std::get<db::TimeValue>(v).msecs) + '"';
    case FieldType::Timestamp: {
        const double ms = std::get<db::TimestampValue>(v).msecs;
        const auto days = static_cast<int32_t>(std::floor(ms / 86400000.0));
        const auto rest = static_cast<int32_t>(ms - double(days) * 86400000.0);
        return '"' + isoDate(days) + ' ' + isoTime(rest) + '"';
    }
    case FieldType::Alpha:
    case FieldType::Memo: return jsonString(rk::toUtf8(std::get<std::string>(v)));
    case FieldType::FmtMemo:
    case FieldType::Graphic:
    case FieldType::Ole:
    case FieldType::Binary:
    case FieldType::Bytes: return hex(std::get<std::string>(v));
    }
    return "null";
}

} // namespace


std::string isoDate(int32_t days)
{
    const CivilDate d = civilDate(days);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::string isoTime(int32_t msecs)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", msecs / 3600000, msecs / 60000 % 60, msecs / 1000 % 60,
                  msecs % 1000);
    return buf;
}

Manifest::Manifest(const std::filesystem::path& file) : m_path(file)
{
    if (file.empty()) return;
    m_file = std::fopen(file.c_str(), "wb");
    if (!m_file)
        throw Exception(rk::ansiFormat("Die Datei '%s' kann nicht angelegt werden (%s).", file.string(),
                                       std::strerror(errno)));
}

Manifest::~Manifest()
{
    if (m_file) std::fclose(m_file);
}

void Manifest::table(const std::string& name, const std::string& file, const pxwrite::WriterOptions& options,
                     std::span<const pxwrite::Column> columns)
{
    if (!m_file) return;
    m_line = "{\"table\":" + jsonString(name) + ",\"file\":" + jsonString(file) +
             ",\"version\":" + std::to_string(options.version) +
             ",\"codePage\":" + std::to_string(options.version < 40 ? 0 : options.codePage) + ",\"columns\":[";
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i) m_line += ',';
        m_line += '[' + jsonString(rk::toUtf8(columns[i].name)) + ",\"" +
                  source::paradox::typeName(columns[i].type) + "\"," + std::to_string(columns[i].size) + ']';
    }
    m_line += "]}\n";
    std::fputs(m_line.c_str(), m_file);
}

void Manifest::row(const std::string& name, std::span<const pxwrite::Column> columns,
                   std::span<const db::FieldValue> values)
{
    if (!m_file) return;
    m_line = "{\"table\":" + jsonString(name) + ",\"row\":[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) m_line += ',';
        m_line += value(columns[i], values[i]);
    }
    m_line += "]}\n";
    std::fputs(m_line.c_str(), m_file);
}

void Manifest::close()
{
    if (!m_file) return;
    const bool failed = std::ferror(m_file) != 0;
    const int rc = std::fclose(m_file);
    m_file = nullptr;
    if (failed || rc != 0)
        throw Exception(rk::ansiFormat("Die Datei '%s' kann nicht geschrieben werden.", m_path.string()));
}

} // namespace rk::tools::demo
