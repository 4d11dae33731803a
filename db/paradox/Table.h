// A source table opened directly, without SQL (Table1, "BILDER.DB" on the
// connection "X1"), for the diagnostic listing of its columns. Opening finds
// the file in the connection's folder without regard to case (".DB" added
// when the name has no extension) and reads it with the Paradox reader;
// the table stays open until closed, and opening it again does nothing.
//
//   Table Table1(session, names::kListingTable, names::kSourceConnection, names::kListingTableFile);
//   Table1.Open();
//   for (const FieldDef& d : Table1.FieldDefs()) ... d.name ...
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/common/FieldValue.h"
#include "db/paradox/Database.h"
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

    const std::string& Name() const { return m_name; }
    const std::string& TableName() const { return m_tableName; }

    void Open();
    void Close();
    bool Active() const { return m_table != nullptr; }

    // Fields: the columns that have one; FieldDefs: every column.
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    const db::Field& Fields(int index) const { return m_fields.at(static_cast<size_t>(index)); }
    const std::vector<FieldDef>& FieldDefs() const { return m_fieldDefs; }
    // None: "Table1: Das Feld '%s' wurde nicht gefunden".
    const db::Field& FieldByName(const std::string& name) const;

    // Rows in file order; the cursor stands on the first after opening.
    int RecordCount() const;
    bool Eof() const { return !m_table || m_eof; }
    void Next();

private:
    void connectionClosing() override { Close(); }
    void readRow();

    Session& m_session;
    std::string m_name;
    std::string m_databaseName;
    std::string m_tableName;
    Database* m_database = nullptr;
    std::unique_ptr<paradox::Table> m_table;
    std::vector<FieldDef> m_fieldDefs;
    std::vector<db::Field> m_fields;
    std::vector<int> m_columns; // reader column of each field
    uint32_t m_row = 0;
    bool m_eof = true;
};

} // namespace rk::source
