// Reading every slot as a run would, without writing; see SourceCheck.h.
#include "transfer/SourceCheck.h"

#include <cctype>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "locale/LocaleFormats.h"
#include "transfer/ValueMapping.h"

namespace rk::transfer {

namespace {

bool isDelimiter(char c) { return c == ' ' || c == ',' || c == ';' || c == ')' || c == '\r' || c == '\n'; }

std::string trimmed(std::string s)
{
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
    size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    return s.substr(b);
}

// A stored value as read, also where the mapping refuses it: a decimal's
// stored digits are shown even when one of them is no digit.
std::string valueAsRead(const db::Field& field)
{
    if (const auto* bcd = std::get_if<db::BcdValue>(&field.value)) {
        std::string text = bcd->negative ? "-" : "";
        for (size_t k = 0; k < bcd->digits.size(); ++k) {
            if (k + static_cast<size_t>(bcd->scale) == bcd->digits.size()) text += k == 0 ? "0," : ",";
            text += "0123456789ABCDEF"[bcd->digits[k] & 15];
        }
        return text;
    }
    return valueText(field);
}

class SlotReader {
public:
    SlotReader(SourceQuery& source, SlotCheck& check, const std::vector<std::string>& keys)
        : m_source(source), m_check(check), m_keys(keys)
    {
    }

    void problem(RowPlace place, std::string value, std::string message)
    {
        ++m_check.problemCount;
        if (m_check.problems.size() < kListedPerTable)
            m_check.problems.push_back({std::move(place), std::move(value), std::move(message)});
    }

    RowPlace placeOfCurrent(int64_t position, const std::string& field)
    {
        return {m_check.table, m_source.recordIndex(), position, keyValuesOf(m_source, m_keys), field};
    }

    // Steps past the current row; a record whose values cannot be read is
    // a problem of its own, and reading goes on after it where it can.
    // False when the rest of the table cannot be read.
    bool advance(int64_t& position)
    {
        int64_t lastFailed = -2;
        for (;;) {
            try {
                m_source.next();
                return true;
            } catch (const rk::Exception& error) {
                ++position;
                const int64_t record = m_source.recordIndex();
                problem({m_check.table, record, position, {}, m_source.failedField()}, {}, error.message());
                // Only a value that failed to decode leaves the way on open.
                if (m_source.failedField().empty() || record < 0 || record == lastFailed) return false;
                lastFailed = record;
            }
        }
    }

private:
    SourceQuery& m_source;
    SlotCheck& m_check;
    const std::vector<std::string>& m_keys;
};

std::string leftOutSql(const std::string& sourceSql, const std::string& condition)
{
    const size_t at = sourceSql.find(condition);
    return sourceSql.substr(0, at) + "coalesce((" + condition + "), 0) = 0 " +
           sourceSql.substr(at + condition.size());
}

void countTable(SourceQuery& source, SlotCheck& check)
{
    try {
        source.setSql("SELECT * FROM " + check.table);
        source.open();
        check.tableRows = source.recordCount();
    } catch (const std::exception&) {
        check.tableRows = -1;  // the slot's own reading reports why
    }
    source.close();
}

void readSelected(SourceQuery& source, const ImportSlot& slot, SlotCheck& check, const ColumnLimit& limits,
                  const std::vector<std::string>& keys)
{
    const std::vector<std::string> names = insertParameterNames(slot.insertSql);
    const std::vector<std::string> columns = insertColumnNames(slot.insertSql);
    std::vector<int> limit(names.size(), 0);
    if (limits)
        for (size_t p = 0; p < names.size() && p < columns.size(); ++p) limit[p] = limits(slot.targetTable, columns[p]);

    SlotReader reader(source, check, keys);
    try {
        source.setSql(slot.sourceSql);
        source.open();
    } catch (const rk::Exception& error) {
        // A first row that cannot be read has its place; a missing table has none.
        const int64_t record = source.recordIndex();
        const std::string field = source.failedField();
        reader.problem({check.table, record, record >= 0 || !field.empty() ? 1 : -1, {}, field}, {}, error.message());
        check.readingStopped = true;
        return;
    }
    std::vector<const db::Field*> fields(names.size(), nullptr);
    std::string scratch;
    // One set of regional formats for the slot, as a run maps a batch in one.
    const std::shared_ptr<const locale::LocaleFormats> formats = locale::currentFormats();
    int64_t position = 0;
    while (!source.eof()) {
        ++position;
        for (size_t p = 0; p < names.size(); ++p) {
            try {
                if (!fields[p]) fields[p] = &source.fieldByName(names[p]);
                const db::ParamView v = parameterValue(*fields[p], scratch, *formats);
                if (v.kind == db::ParamView::Kind::Text && limit[p] > 0 && v.text.size() > size_t(limit[p]))
                    reader.problem(reader.placeOfCurrent(position, names[p]), std::string(v.text),
                                   ansiFormat("Versuch, String mit der Länge %d in einem Feld zu speichern, das nur "
                                              "%d aufnehmen kann",
                                              int(v.text.size()), limit[p]));
            } catch (const rk::Exception& error) {
                reader.problem(reader.placeOfCurrent(position, names[p]), fields[p] ? valueAsRead(*fields[p]) : "",
                               error.message());
            }
        }
        if (!reader.advance(position)) {
            check.readingStopped = true;
            break;
        }
    }
    check.selectedRows = position;
    source.close();
}

void readLeftOut(SourceQuery& source, const ImportSlot& slot, SlotCheck& check, const std::vector<std::string>& keys)
{
    const std::string condition = whereConditionOf(slot.sourceSql);
    if (condition.empty()) return;
    check.condition = conditionInGerman(condition);
    SlotReader reader(source, check, keys);
    try {
        source.setSql(leftOutSql(slot.sourceSql, condition));
        source.open();
        int64_t position = 0;
        while (!source.eof()) {
            ++position;
            if (check.leftOut.size() < kListedPerTable) check.leftOut.push_back(reader.placeOfCurrent(position, {}));
            if (!reader.advance(position)) break;
        }
        check.leftOutRows = position;
    } catch (const rk::Exception& error) {
        reader.problem({check.table, -1, -1, {}, {}}, {}, error.message());
    }
    source.close();
}

} // namespace

std::vector<std::string> insertParameterNames(const std::string& insertSql)
{
    std::vector<std::string> names;
    bool quoted = false;
    for (size_t i = 0; i < insertSql.size(); ++i) {
        const char c = insertSql[i];
        if (c == '\'' || c == '"' || c == '`') quoted = !quoted;
        if (quoted || c != ':') continue;
        if (i + 1 < insertSql.size() && insertSql[i + 1] == ':') {
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < insertSql.size() && !isDelimiter(insertSql[end])) ++end;
        names.push_back(insertSql.substr(i + 1, end - i - 1));
        i = end - 1;
    }
    return names;
}

std::vector<std::string> insertColumnNames(const std::string& insertSql)
{
    std::vector<std::string> columns;
    const size_t open = insertSql.find('(');
    const size_t close = insertSql.find(')', open == std::string::npos ? 0 : open);
    if (open == std::string::npos || close == std::string::npos) return columns;
    const std::string list = insertSql.substr(open + 1, close - open - 1);
    for (size_t start = 0; start <= list.size();) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        if (std::string column = trimmed(list.substr(start, comma - start)); !column.empty())
            columns.push_back(column);
        start = comma + 1;
    }
    return columns;
}

std::string conditionInGerman(const std::string& condition)
{
    // The plan's conditions are conjunctions of NOT (C IS NULL) and NOT (C='');
    // the two together for one column read as "C ist nicht leer".
    std::vector<std::string> parts;
    std::string rest = condition;
    for (;;) {
        const size_t at = rest.find(" AND ");
        parts.push_back(trimmed(rest.substr(0, at)));
        if (at == std::string::npos) break;
        rest = rest.substr(at + 5);
    }
    std::vector<std::string> columns;
    for (const std::string& part : parts) {
        std::string column;
        if (part.starts_with("NOT (") && part.ends_with(" IS NULL)")) column = part.substr(5, part.size() - 14);
        else if (part.starts_with("NOT (") && part.ends_with("='')")) column = part.substr(5, part.size() - 9);
        else return condition;
        if (columns.empty() || columns.back() != column) columns.push_back(column);
    }
    std::string german;
    for (size_t k = 0; k < columns.size(); ++k)
        german += (k ? " und " : "") + columns[k] + " ist nicht leer";
    return german;
}

SlotCheck checkSlot(SourceQuery& source, const ImportSlot& slot, const ColumnLimit& limits)
{
    SlotCheck check;
    check.caption = slot.caption;
    check.table = sourceTableOf(slot.sourceSql);
    check.targetTable = slot.targetTable;
    const std::vector<std::string> keys = keyFieldsOf(slot);
    countTable(source, check);
    readSelected(source, slot, check, limits, keys);
    readLeftOut(source, slot, check, keys);
    return check;
}

} // namespace rk::transfer
