// The source query (see Query.h).
#include "db/paradox/Query.h"

#include <climits>

#include "db/common/Ansi.h"
#include "db/paradox/EngineError.h"
#include "db/paradox/FieldTypes.h"
#include "db/paradox/NameRules.h"
#include "db/paradox/Session.h"
#include "db/paradox/SqlText.h"
#include "db/paradox/SqlValues.h"

namespace rk::source {

Query::Query(Session& session, std::string name, std::string databaseName)
    : m_session(session), m_name(std::move(name)), m_databaseName(std::move(databaseName))
{
}

Query::~Query() { close(); }

void Query::close()
{
    m_stmt.reset();
    m_direct = nullptr;
    m_sql.reset();
    m_active = false;
    m_eof = true;
    m_recordCount.reset();
    m_record = -1;
    m_failedField.clear();
    m_fields.clear();
    m_fieldDefs.clear();
    m_columns.clear();
    m_kinds.clear();
    m_upperNames.clear();
    m_lookupHint = 0;
    if (m_connection) m_connection->detach(this);
    m_connection = nullptr;
}

void Query::setSql(const std::string& text)
{
    close();
    m_lines = splitLines(text);
}

std::string Query::sql() const { return joinLines(m_lines); }

std::vector<std::string> Query::paramNames() const { return parameterNames(sql()); }

void Query::open()
{
    if (m_active) return;
    if (m_lines.empty()) throwObjectError(m_name, ansi("Keine SQL-Anweisung verfügbar"));
    Connection& db = m_session.openConnection(m_databaseName);
    // Source statements take no values: any parameter is one without a value.
    const std::vector<std::string> params = paramNames();
    if (!params.empty()) throwObjectError(m_name, ansiFormat("Fehlender Wert für Parameter '%s'", params.front()));

    auto sql = std::make_unique<detail::SqlConnection>(db.folder(), db.openOptions());
    detail::Statement stmt = sql->prepare(this->sql());
    if (!stmt || sqlite3_column_count(stmt.get()) == 0) throw EDatabaseError(engine_text::noResultSet());
    m_sql = std::move(sql);
    m_stmt = std::move(stmt);
    m_connection = &db;
    db.attach(this);
    try {
        buildFields();
        useDirectReading();
        m_eof = !m_sql->step(m_stmt.get());
        readRow();
    } catch (...) {
        // The first row's place outlives the closing, for the error's report.
        const int64_t record = m_record;
        std::string field = std::move(m_failedField);
        close();
        m_record = record;
        m_failedField = std::move(field);
        throw;
    }
    m_active = true;
}

void Query::buildFields()
{
    sqlite3_stmt* s = m_stmt.get();
    const int columns = sqlite3_column_count(s);
    std::vector<std::string> names;
    for (int i = 0; i < columns; ++i) {
        const char* raw = sqlite3_column_name(s, i);
        std::string name = uniqueFieldName(raw ? raw : "", names);
        names.push_back(name);
        FieldDef def{name, db::DataType::ftString, 0};
        std::optional<paradox::FieldType> kind;
        if (auto declared = parseDeclaredType(sqlite3_column_decltype(s, i))) {
            kind = declared->kind;
            def.dataType = dataTypeFor(engineTypeOf(*declared));
            def.size = declared->size;
        }
        m_fieldDefs.push_back(def);
        if (kind && !hasField(def.dataType)) continue;
        m_fields.push_back(db::Field{def.name, def.dataType, def.size, std::monostate{}});
        m_upperNames.push_back(upperAnsi(def.name));
        m_columns.push_back(i);
        m_kinds.push_back(kind);
    }
}

// "SELECT * FROM T ..." over one Paradox table: SQLite then only has to find
// and order the records (WHERE and ORDER BY), and the values come straight
// from the reader by record number instead of being copied through SQLite
// and back, which was the larger part of the per-row cost. Any statement
// whose rows this could change (a second table, a compound, grouping,
// ORDER BY by column number) stays with SQLite.
void Query::useDirectReading()
{
    sqlite3_stmt* s = m_stmt.get();
    const int columns = sqlite3_column_count(s);
    const char* table = sqlite3_column_table_name(s, 0);
    if (!table || m_fields.size() != static_cast<size_t>(columns)) return;
    for (int i = 0; i < columns; ++i) {
        const char* t = sqlite3_column_table_name(s, i);
        if (!t || std::string_view(t) != table || !m_kinds[static_cast<size_t>(i)]) return;
    }
    const std::string text = stripTableExtensions(sql());
    const std::optional<size_t> star = plainSelectAllStar(text);
    if (!star) return;
    paradox::Table* reader = m_sql->openedTable(table);
    // SELECT * lists the table's columns in their order.
    if (!reader || reader->fields().size() != static_cast<size_t>(columns)) return;
    // The record number under a name that no column of the table takes.
    const char* rowid = nullptr;
    for (const char* alias : {"rowid", "_rowid_", "oid"}) {
        bool taken = false;
        for (const FieldDef& def : m_fieldDefs) taken = taken || equalsAnsiNoCase(def.name, alias);
        if (!taken) {
            rowid = alias;
            break;
        }
    }
    if (!rowid) return;
    detail::Statement rows = m_sql->prepare(text.substr(0, *star) + rowid + text.substr(*star + 1));
    if (!rows || sqlite3_column_count(rows.get()) != 1) return;
    m_stmt = std::move(rows);
    m_direct = reader;
}

// The values of the statement's current row, field f into valueOf(f).
template <class ValueOf>
void Query::readValues(ValueOf&& valueOf)
{
    sqlite3_stmt* s = m_stmt.get();
    size_t f = 0;
    try {
        if (m_direct) {
            const auto record = static_cast<uint32_t>(sqlite3_column_int64(s, 0));
            m_record = record;
            m_direct->readRecord(record);
            for (; f < m_fields.size(); ++f) m_direct->readValue(m_columns[f], valueOf(f));
            return;
        }
        for (; f < m_fields.size(); ++f) {
            if (m_kinds[f]) detail::readColumn(s, m_columns[f], *m_kinds[f], valueOf(f));
            else detail::readUntypedColumn(s, m_columns[f], valueOf(f));
        }
    } catch (...) {
        if (f < m_fields.size()) m_failedField = m_fields[f].name;
        throw;
    }
}

// The first row, as open() finds it.
void Query::readRow()
{
    if (m_eof) {
        // An empty result reads as null.
        for (auto& f : m_fields) f.value = std::monostate{};
        return;
    }
    readValues([this](size_t f) -> db::FieldValue& { return m_fields[f].value; });
    // An expression column: its type is that of its first value.
    for (size_t f = 0; f < m_fields.size(); ++f) {
        if (m_direct || m_kinds[f]) continue;
        const int storage = sqlite3_column_type(m_stmt.get(), m_columns[f]);
        const db::DataType t = storage == SQLITE_INTEGER ? db::DataType::ftInteger
                               : storage == SQLITE_FLOAT ? db::DataType::ftFloat
                               : storage == SQLITE_BLOB  ? db::DataType::ftBlob
                                                         : db::DataType::ftString;
        m_fields[f].dataType = t;
        m_fieldDefs[static_cast<size_t>(m_columns[f])].dataType = t;
    }
}

int Query::recordCount()
{
    if (!m_active) throwObjectError(m_name, ansi("Die Datenmenge ist nicht geöffnet"));
    if (!m_recordCount) {
        // Counting runs the statement a second time without its values and
        // without its order, which cannot change the count: SQLite then
        // folds the statement into count(*) and reads only the columns
        // that WHERE and ON need.
        std::string text = withoutFinalOrderBy(sql());
        while (!text.empty() && (text.back() == ';' || static_cast<unsigned char>(text.back()) <= ' '))
            text.pop_back();
        try {
            detail::SqlConnection& sql = *m_sql;
            detail::Statement count = sql.prepare("SELECT count(*) FROM (" + text + "\n)");
            if (count && sql.step(count.get())) {
                const sqlite3_int64 n = sqlite3_column_int64(count.get(), 0);
                m_recordCount = n <= INT_MAX ? static_cast<int>(n) : -1;
            } else {
                m_recordCount = -1;
            }
        } catch (const EDBEngineError&) {
            m_recordCount = -1; // the engine refuses to count this statement
        }
    }
    return *m_recordCount;
}

void Query::next()
{
    if (!m_active) throwObjectError(m_name, ansi("Die Datenmenge ist nicht geöffnet"));
    if (m_eof) return;
    if (!m_sql->step(m_stmt.get())) {
        m_eof = true;
        return;
    }
    // Read whole before it replaces the current row, which an error leaves
    // as it was.
    m_inTurn.resize(m_fields.size());
    m_failedField.clear();
    readValues([this](size_t f) -> db::FieldValue& { return m_inTurn[f]; });
    for (size_t f = 0; f < m_fields.size(); ++f) std::swap(m_fields[f].value, m_inTurn[f]);
}

const db::Field* Query::findField(const std::string& name) const
{
    auto matches = [&](size_t i) {
        if (m_fields[i].name == name) return true;
        const std::string& upper = m_upperNames[i];
        if (upper.size() != name.size()) return false;
        for (size_t k = 0; k < upper.size(); ++k)
            if (upper[k] != upperAnsi(name[k])) return false;
        return true;
    };
    // Field names are unique without regard to case (renaming rule), so the
    // search may start where the last lookup ended: the first match is the
    // only one.
    const size_t n = m_fields.size();
    for (size_t k = 0; k < n; ++k) {
        const size_t i = (m_lookupHint + k) % n;
        if (matches(i)) {
            m_lookupHint = i + 1;
            return &m_fields[i];
        }
    }
    return nullptr;
}

const db::Field& Query::fieldByName(const std::string& name) const
{
    if (const db::Field* f = findField(name)) return *f;
    throwObjectError(m_name, ansiFormat("Das Feld '%s' wurde nicht gefunden", name));
}

} // namespace rk::source
