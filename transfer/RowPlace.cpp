// Place lines and the parts of a source statement they are made from.
#include "transfer/RowPlace.h"

#include <cctype>

#include "db/common/Ansi.h"
#include "transfer/ValueMapping.h"

namespace rk::transfer {

namespace {

// Position of a keyword standing alone (blanks or the text's ends around it).
size_t findKeyword(const std::string& sql, const std::string& keyword, size_t from = 0)
{
    const std::string upper = upperAnsi(sql);
    for (size_t at = upper.find(keyword, from); at != std::string::npos; at = upper.find(keyword, at + 1)) {
        const bool before = at == 0 || std::isspace(static_cast<unsigned char>(upper[at - 1]));
        const size_t end = at + keyword.size();
        const bool after = end == upper.size() || std::isspace(static_cast<unsigned char>(upper[end]));
        if (before && after) return at;
    }
    return std::string::npos;
}

std::string trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

std::string paramText(const db::ParamView& v)
{
    switch (v.kind) {
    case db::ParamView::Kind::Integer: return std::to_string(v.integer);
    case db::ParamView::Kind::Text: return std::string(v.text);
    case db::ParamView::Kind::Null: break;
    }
    return ansi("(leer)");
}

} // namespace

std::string placeLine(const RowPlace& place)
{
    std::string line = "Tabelle " + place.table;
    if (place.record >= 0) line += ", Datensatz " + std::to_string(place.record + 1);
    else if (place.position > 0) line += ", Zeile " + std::to_string(place.position);
    if (!place.keys.empty()) {
        line += " (";
        for (size_t k = 0; k < place.keys.size(); ++k)
            line += (k ? ", " : "") + place.keys[k].first + " " + place.keys[k].second;
        line += ")";
    }
    if (!place.field.empty()) line += ", Feld " + place.field;
    return line;
}

std::string sourceTableOf(const std::string& sourceSql)
{
    const std::vector<std::string> tables = tablesOf(sourceSql);
    return tables.empty() ? std::string() : tables.front();
}

std::string whereConditionOf(const std::string& sourceSql)
{
    const size_t where = findKeyword(sourceSql, "WHERE");
    if (where == std::string::npos) return {};
    const size_t order = findKeyword(sourceSql, "ORDER", where);
    const size_t end = order == std::string::npos ? sourceSql.size() : order;
    return trimmed(sourceSql.substr(where + 5, end - where - 5));
}

std::vector<std::string> orderColumnsOf(const std::string& sourceSql)
{
    std::vector<std::string> columns;
    const size_t order = findKeyword(sourceSql, "ORDER");
    if (order == std::string::npos) return columns;
    const size_t by = findKeyword(sourceSql, "BY", order);
    if (by == std::string::npos) return columns;
    std::string rest = sourceSql.substr(by + 2);
    for (size_t start = 0; start <= rest.size();) {
        size_t comma = rest.find(',', start);
        if (comma == std::string::npos) comma = rest.size();
        std::string column = trimmed(rest.substr(start, comma - start));
        if (!column.empty()) columns.push_back(column);
        start = comma + 1;
    }
    return columns;
}

std::vector<std::string> keyFieldsOf(const ImportSlot& slot)
{
    std::vector<std::string> keys = orderColumnsOf(slot.sourceSql);
    if (!keys.empty()) return keys;
    const size_t colon = slot.insertSql.find(':');
    if (colon == std::string::npos) return keys;
    size_t end = colon + 1;
    while (end < slot.insertSql.size() && (std::isalnum(static_cast<unsigned char>(slot.insertSql[end])) ||
                                          slot.insertSql[end] == '_'))
        ++end;
    keys.push_back(slot.insertSql.substr(colon + 1, end - colon - 1));
    return keys;
}

std::string valueText(const db::Field& field)
{
    if (const auto* i = std::get_if<int32_t>(&field.value)) return std::to_string(*i);
    if (db::isBlank(field.value)) return ansi("(leer)");
    try {
        return textReading(field);
    } catch (const std::exception&) {
        return "?";
    }
}

KeyValues keyValuesOf(SourceQuery& source, const std::vector<std::string>& keyFields)
{
    KeyValues keys;
    for (const std::string& name : keyFields) {
        try {
            keys.emplace_back(name, valueText(source.fieldByName(name)));
        } catch (const std::exception&) {
        }
    }
    return keys;
}

KeyValues keyValuesOf(std::span<const db::ParamView> values, const std::vector<std::string>& names,
                      const std::vector<std::string>& keyFields)
{
    KeyValues keys;
    for (const std::string& key : keyFields)
        for (size_t p = 0; p < names.size() && p < values.size(); ++p)
            if (upperAnsi(names[p]) == upperAnsi(key)) {
                keys.emplace_back(key, paramText(values[p]));
                break;
            }
    return keys;
}

} // namespace rk::transfer
