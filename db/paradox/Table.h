// A source table opened directly, without SQL (the listing table, "BILDER.DB" on the
// connection "X1"), for the diagnostic listing of its columns. Opening finds
// the file in the connection's folder without regard to case (".DB" added
// when the name has no extension) and reads it with the Paradox reader;
// the table stays open until closed, and opening it again does nothing.
//
//   Table table(session, names::kListingTable, names::kSourceConnection, names::kListingTableFile);
//   table.open();
//   for (const FieldDef& d : table.fieldDefs()) ... d.name ...
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/common/FieldValue.h"
#include "db/paradox/Connection.h"
#include "db/paradox/Query.h"

namespace rk::source {

class Session;

class Table : private DatasetLink {
public:
    // `name` heads the table's errors; `tableName` is the file on the
    // connection `databaseName`.
    Table(Session& session, std::string name, std::string databaseName, std::string tableName);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::string& name() const { return m_name; }
    const std::string& tableName() const { return m_tableName; }

    void open();
    void close();
    bool active() const { return m_table != nullptr; }

    // Fields: the columns that have one; FieldDefs: every column.
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    const db::Field& fields(int index) const { return m_fields.at(static_cast<size_t>(index)); }
    const std::vector<FieldDef>& fieldDefs() const { return m_fieldDefs; }
    // None: "Table1: Das Feld '%s' wurde nicht gefunden".
    const db::Field& fieldByName(const std::string& name) const;

    // Rows in file order; the cursor stands on the first after opening.
    int recordCount() const;
    bool eof() const { return !m_table || m_eof; }
    void next();

private:
    void connectionClosing() override { close(); }
    void readRow();

    Session& m_session;
    std::string m_name;
    std::string m_databaseName;
    std::string m_tableName;
    Connection* m_connection = nullptr;
    std::unique_ptr<paradox::Table> m_table;
    std::vector<FieldDef> m_fieldDefs;
    std::vector<db::Field> m_fields;
    std::vector<int> m_columns; // reader column of each field
    uint32_t m_row = 0;
    bool m_eof = true;
};

} // namespace rk::source
