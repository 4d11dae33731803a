// JSON Lines output of rk_pxdump; see JsonDump.h.
#include "tools/pxdump/JsonDump.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "db/common/Ansi.h"
#include "db/common/Bcd.h"
#include "locale/Calendar.h"
#include "tools/pxdump/Sha256.h"

namespace rk::tools::pxdump {

using source::paradox::FieldType;

std::string jsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else out += static_cast<char>(c);
    }
    return out + "\"";
}

namespace {

// Shortest text that reads back to the same double; JSON has no NaN or
// infinity, so those become strings.
std::string jsonDouble(double d)
{
    if (std::isnan(d)) return "\"NaN\"";
    if (std::isinf(d)) return d > 0 ? "\"Infinity\"" : "\"-Infinity\"";
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, r.ptr);
}

bool dateText(int64_t days, std::string& out)
{
    // Beyond years 1..9999 the caller prints the bare day number; the
    // range check comes first so the calendar's int year cannot overflow.
    if (days < 1 || days > locale::daysFromCivil(9999, 12, 31)) return false;
    const locale::CivilDate c = locale::civilFromDays(days);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
    out = buf;
    return true;
}

std::string timeText(int64_t ms)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", int(ms / 3600000), int(ms / 60000 % 60),
                  int(ms / 1000 % 60), int(ms % 1000));
    return buf;
}

// The value the transfer reads (db::readBcd), with the decimals it keeps;
// the stored nibbles when a deciding one is no digit.
std::string bcdJson(const db::BcdValue& stored)
{
    const auto v = db::readBcd(stored);
    if (!v) {
        std::string nibbles;
        for (uint8_t d : stored.digits) nibbles += "0123456789abcdef"[d & 0x0F];
        return "{\"invalid_bcd\":" + jsonString(std::string(stored.negative ? "-" : "") + nibbles) + "}";
    }
    std::string digits;
    for (uint8_t d : v->digits) digits += static_cast<char>('0' + d);
    const size_t scale = static_cast<size_t>(v->scale);
    if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
    std::string s = (v->negative ? "-" : "") + digits.substr(0, digits.size() - scale);
    if (scale > 0) s += "." + digits.substr(digits.size() - scale);
    return jsonString(s);
}

std::string blobJson(const std::string& bytes)
{
    return "{\"size\":" + std::to_string(bytes.size()) + ",\"sha256\":\"" + sha256Hex(bytes) + "\"}";
}

} // namespace

std::string valueJson(const db::FieldValue& value, FieldType type, const TextDecoder* decoder)
{
    return std::visit(
        db::Overloaded{
            [](std::monostate) -> std::string { return "null"; },
            [](int32_t i) { return std::to_string(i); },
            [](double d) { return jsonDouble(d); },
            [](bool b) -> std::string { return b ? "true" : "false"; },
            [](const db::BcdValue& bcd) { return bcdJson(bcd); },
            [](db::DateValue date) {
                std::string s;
                if (dateText(date.days, s)) return jsonString(s);
                return "{\"days\":" + std::to_string(date.days) + "}";
            },
            [](db::TimeValue t) {
                if (t.msecs < 0 || t.msecs >= 86400000) return "{\"msecs\":" + std::to_string(t.msecs) + "}";
                return jsonString(timeText(t.msecs));
            },
            [](db::TimestampValue ts) {
                if (!std::isfinite(ts.msecs) || std::fabs(ts.msecs) > 1e18)
                    return "{\"msecs\":" + jsonDouble(ts.msecs) + "}";
                const auto total = static_cast<int64_t>(std::llround(ts.msecs));
                const int64_t days = total >= 0 ? total / 86400000 : -((-total + 86399999) / 86400000);
                const int64_t ms = total - days * 86400000;
                std::string s;
                if (dateText(days, s)) return jsonString(s + " " + timeText(ms));
                return "{\"days\":" + std::to_string(days) + ",\"msecs\":" + std::to_string(ms) + "}";
            },
            [&](const std::string& s) {
                if (type == FieldType::Alpha || type == FieldType::Memo)
                    return jsonString(decoder ? (*decoder)(s) : rk::toUtf8(s));
                return blobJson(s);
            },
        },
        value);
}

namespace {

// Why the texts are read in table.codePage(): "--codepage", "header",
// "sortorder NAME" or "default", the latter with the sort order the reader
// does not know.
std::string codePageFrom(const source::paradox::Table& table)
{
    using source::paradox::CodePageSource;
    switch (table.codePageSource()) {
    case CodePageSource::Option: return "--codepage";
    case CodePageSource::Header: return "header";
    case CodePageSource::SortOrder: return "sortorder " + table.sortOrder();
    case CodePageSource::Default: break;
    }
    return table.sortOrder().empty() ? "default" : "default, sortorder " + table.sortOrder() + " unknown";
}

std::string headerLine(const source::paradox::Table& table, const TextDecoder* decoder)
{
    const int v = table.version();
    char version[8];
    std::snprintf(version, sizeof version, v == 30 || v == 35 ? "%d.%d" : "%d.x", v / 10, v % 10);
    std::string out = "{\"table\":" + jsonString(table.path().filename().string()) + ",\"version\":\"" + version +
                      "\",\"codepage\":" + std::to_string(table.codePage()) +
                      ",\"codepage_from\":" + jsonString(codePageFrom(table)) +
                      ",\"records\":" + std::to_string(table.recordCount()) + ",\"fields\":[";
    bool first = true;
    for (const auto& f : table.fields()) {
        if (!first) out += ",";
        first = false;
        out += "{\"name\":" + jsonString(decoder ? (*decoder)(f.name) : rk::toUtf8(f.name)) + ",\"type\":\"" + typeName(f.type) +
               "\",\"size\":" + std::to_string(f.type == FieldType::Bcd ? f.bcdScale : f.size) + "}";
    }
    return out + "]}";
}

std::unique_ptr<TextDecoder> decoderFor(const source::paradox::Table& table)
{
    return table.storedText() ? std::make_unique<TextDecoder>(table.codePage()) : nullptr;
}

} // namespace

std::string headerLine(const source::paradox::Table& table)
{
    return headerLine(table, decoderFor(table).get());
}

void dumpTable(source::paradox::Table& table, std::ostream& out)
{
    const auto decoder = decoderFor(table);
    out << headerLine(table, decoder.get()) << '\n';
    const int n = static_cast<int>(table.fields().size());
    std::string line;
    for (uint32_t r = 0; r < table.recordCount(); ++r) {
        table.readRecord(r);
        line = "[";
        for (int i = 0; i < n; ++i) {
            if (i) line += ",";
            line += valueJson(table.value(i), table.fields()[i].type, decoder.get());
        }
        line += "]\n";
        out << line;
    }
}

} // namespace rk::tools::pxdump
