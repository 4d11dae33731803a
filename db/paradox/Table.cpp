// The source table Table1 (see Table.h).
#include "db/paradox/Table.h"

#include "db/common/Ansi.h"
#include "db/paradox/EngineError.h"
#include "db/paradox/FieldTypes.h"
#include "db/paradox/NameRules.h"
#include "db/paradox/Session.h"
#include "db/paradox/SqlConnection.h"

namespace rk::source {

Table::Table(Session& session, std::string name, std::string databaseName, std::string tableName)
    : m_session(session), m_name(std::move(name)), m_databaseName(std::move(databaseName)),
      m_tableName(std::move(tableName))
{
}

Table::~Table() { close(); }

void Table::open()
{
    if (m_table) return;
    Connection& db = m_session.openConnection(m_databaseName);
    auto file = detail::findTableFile(db.folder(), m_tableName);
    if (!file) throw EDBEngineError(engine_text::tableMissing(m_tableName, pathText(db.folder().string())));
    auto table = paradox::Table::open(*file, db.openOptions());

    std::vector<std::string> names;
    for (size_t i = 0; i < table->fields().size(); ++i) {
        const auto& info = table->fields()[i];
        FieldDef def{uniqueFieldName(info.name, names), dataTypeFor(engineTypeOf(info)), fieldSizeOf(info)};
        names.push_back(def.name);
        m_fieldDefs.push_back(def);
        if (!hasField(def.dataType)) continue;
        m_fields.push_back(db::Field{def.name, def.dataType, def.size, std::monostate{}});
        m_columns.push_back(static_cast<int>(i));
    }
    m_table = std::move(table);
    m_connection = &db;
    db.attach(this);
    m_row = 0;
    m_eof = m_table->recordCount() == 0;
    try {
        readRow();
    } catch (...) {
        close();
        throw;
    }
}

void Table::close()
{
    m_table.reset();
    m_fieldDefs.clear();
    m_fields.clear();
    m_columns.clear();
    m_eof = true;
    if (m_connection) m_connection->detach(this);
    m_connection = nullptr;
}

const db::Field& Table::fieldByName(const std::string& name) const
{
    for (const auto& f : m_fields)
        if (equalsAnsiNoCase(f.name, name)) return f;
    throwObjectError(m_name, ansiFormat("Das Feld '%s' wurde nicht gefunden", name));
}

int Table::recordCount() const
{
    if (!m_table) throwObjectError(m_name, ansi("Die Datenmenge ist nicht geöffnet"));
    return static_cast<int>(m_table->recordCount());
}

void Table::next()
{
    if (!m_table) throwObjectError(m_name, ansi("Die Datenmenge ist nicht geöffnet"));
    if (m_eof) return;
    if (m_row + 1 >= m_table->recordCount()) {
        m_eof = true;
        return;
    }
    ++m_row;
    readRow();
}

void Table::readRow()
{
    if (m_eof) return;
    m_table->readRecord(m_row);
    for (size_t f = 0; f < m_fields.size(); ++f) m_fields[f].value = m_table->value(m_columns[f]);
}

} // namespace rk::source
