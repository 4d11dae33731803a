// A source query (PDXQ1): an SQL text run over the Paradox tables of its
// connection, read as a read-only result one row at a time. The operations
// are those the transfer run uses (see transfer/TransferPorts.h).
//
//   Query PDXQ1(session, names::kSourceQuery, names::kSourceAlias);
//   PDXQ1.SetSql("SELECT * FROM GIPFEL ORDER BY REG_RG, POSNR");
//   PDXQ1.Open();
//   int n = PDXQ1.RecordCount();
//   for (; !PDXQ1.Eof(); PDXQ1.Next()) use(PDXQ1.FieldByName("GIPFEL"));
//
// Field references stay valid, and follow the current row, until the query
// closes. Every opening reads the files as they are at that moment. Errors of the query itself read "PDXQ1: ..."; engine errors carry
// the engine's text (EDBEngineError), reader errors the reader's.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/common/FieldValue.h"
#include "db/paradox/Database.h"
#include "db/paradox/SqlConnection.h"
#include "db/paradox/reader/ParadoxTable.h"

namespace rk::source {

class Session;

// The description of one result column, fields or not.
struct FieldDef {
    std::string name;
    db::DataType dataType = db::DataType::ftUnknown;
    int size = 0;
};

class Query : private DatasetLink {
public:
    // `name` heads the query's own errors; `databaseName` is the connection
    // (or alias) it reads through.
    Query(Session& session, std::string name, std::string databaseName);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    const std::string& Name() const { return m_name; }
    const std::string& DatabaseName() const { return m_databaseName; }

    // Releases cursor and statement; the connection stays open.
    void Close();
    // Closes the query, also for an unchanged text.
    void SetSql(const std::string& text);
    // Each stored line followed by CR LF; empty for an empty text.
    std::string Sql() const;
    // Parameters written in the text (":NAME").
    std::vector<std::string> ParamNames() const;

    // Opens the result on its first row; does nothing when open.
    void Open();
    bool Active() const { return m_active; }

    // Number of result rows, or -1 when the engine cannot count them.
    int RecordCount();
    // True past the last row, and at once on an empty result; true when closed.
    bool Eof() const { return !m_active || m_eof; }
    // Past the last row the cursor stays there and Eof() turns true.
    void Next();

    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    const db::Field& Fields(int index) const { return m_fields.at(static_cast<size_t>(index)); }
    const std::vector<FieldDef>& FieldDefs() const { return m_fieldDefs; }
    // First field of that name without regard to case; null when none.
    const db::Field* FindField(const std::string& name) const;
    // As FindField; none: "PDXQ1: Das Feld '%s' wurde nicht gefunden".
    const db::Field& FieldByName(const std::string& name) const;

    // The values of the open result come from the reader beside SQLite.
    bool ReadsBesideSql() const { return m_direct != nullptr; }

private:
    void connectionClosing() override { Close(); }
    void buildFields();
    void useDirectReading();
    void readRow();

    Session& m_session;
    std::string m_name;
    std::string m_databaseName;
    std::vector<std::string> m_lines;
    Database* m_database = nullptr;
    // The SQL side of this opening; its virtual tables open the files anew.
    std::unique_ptr<detail::SqlConnection> m_sql;
    detail::Statement m_stmt;
    // Set when values are read beside SQLite: the reader of the virtual
    // table, owned by m_sql, so both see the same file and share the record.
    paradox::Table* m_direct = nullptr;
    bool m_active = false;
    bool m_eof = true;
    std::optional<int> m_recordCount;
    std::vector<FieldDef> m_fieldDefs;
    std::vector<db::Field> m_fields;
    // Per field: its result column and its Paradox kind (none for expressions).
    std::vector<int> m_columns;
    std::vector<std::optional<paradox::FieldType>> m_kinds;
    // Upper-cased field names, and where the last lookup ended: the transfer
    // asks for the same names in the same order on every row.
    std::vector<std::string> m_upperNames;
    mutable size_t m_lookupHint = 0;
};

} // namespace rk::source
