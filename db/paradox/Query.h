// A source query: an SQL text run over the Paradox tables of its
// connection, read as a read-only result one row at a time. The operations
// are those the transfer run uses (see transfer/TransferPorts.h).
//
//   Query query(session, names::kSourceQuery, names::kSourceAlias);
//   query.setSql("SELECT * FROM GIPFEL ORDER BY REG_RG, POSNR");
//   query.open();
//   int n = query.recordCount();
//   for (; !query.eof(); query.next()) use(query.fieldByName("GIPFEL"));
//
// Field references stay valid, and follow the current row, until the query
// closes. Every opening reads the files as they are at that moment. The
// query has no thread of its own: whoever steps it reads each row in turn.
// Errors of the query itself read "PDXQ1: ..."; engine errors carry the
// engine's text (EDBEngineError), reader errors the reader's.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/common/FieldValue.h"
#include "db/paradox/Connection.h"
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

    const std::string& name() const { return m_name; }
    const std::string& connectionName() const { return m_databaseName; }

    // Releases cursor and statement; the connection stays open.
    void close();
    // Closes the query, also for an unchanged text.
    void setSql(const std::string& text);
    // Each stored line followed by CR LF; empty for an empty text.
    std::string sql() const;
    // Parameters written in the text (":NAME").
    std::vector<std::string> paramNames() const;

    // Opens the result on its first row; does nothing when open.
    void open();
    bool active() const { return m_active; }

    // Number of result rows, or -1 when the engine cannot count them.
    int recordCount();
    // True past the last row, and at once on an empty result; true when closed.
    bool eof() const { return !m_active || m_eof; }
    // Past the last row the cursor stays there and eof() turns true.
    void next();

    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    const db::Field& fields(int index) const { return m_fields.at(static_cast<size_t>(index)); }
    const std::vector<FieldDef>& fieldDefs() const { return m_fieldDefs; }
    // First field of that name without regard to case; null when none.
    const db::Field* findField(const std::string& name) const;
    // The field findField() finds; when there is none, EDatabaseError
    // "PDXQ1: Das Feld '%s' wurde nicht gefunden".
    const db::Field& fieldByName(const std::string& name) const;

    // The values of the open result come from the reader beside SQLite.
    bool readsBesideSql() const { return m_direct != nullptr; }

    // Where the current row lies in its table's file, for an error that has
    // to say where: the record number (0-based, in file order; -1 where the
    // SQL layer cannot tell, as for a join) of the
    // row last read, or of the row whose reading failed; and that failure's
    // field (empty when none failed).
    int64_t recordIndex() const { return m_record; }
    const std::string& failedField() const { return m_failedField; }

private:
    void connectionClosing() override { close(); }
    void buildFields();
    void useDirectReading();
    void readRow();
    // Also keeps the record and the field whose reading failed.
    template <class ValueOf> void readValues(ValueOf&& valueOf);

    Session& m_session;
    std::string m_name;
    std::string m_databaseName;
    std::vector<std::string> m_lines;
    Connection* m_connection = nullptr;
    // The SQL side of this opening; its virtual tables open the files anew.
    std::unique_ptr<detail::SqlConnection> m_sql;
    detail::Statement m_stmt;
    // Set when values are read beside SQLite: the reader of the virtual
    // table, owned by m_sql, so both see the same file and share the record.
    paradox::Table* m_direct = nullptr;
    std::vector<db::FieldValue> m_inTurn;  // the next row, while it is read
    bool m_active = false;
    bool m_eof = true;
    std::optional<int> m_recordCount;
    int64_t m_record = -1;
    std::string m_failedField;
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
