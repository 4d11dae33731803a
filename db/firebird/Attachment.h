// Attachment: the connection to the target database file (IBDatabase1).
//
//   Attachment db(names::kTargetConnection);   // loads the client library
//   db.setDatabaseName("/data/rk6.fdb");
//   db.setConnected(true);         // attach; lowers the dialect if needed
//   ...
//   db.close();                    // commits an active transaction first
//
// Params default to the program's fixed three lines; the block sent with
// the attach is built from them when the connection opens.
#pragma once

#include <ibase.h>

#include <string>
#include <vector>

namespace rk::target {

class ClientLibrary;
class Transaction;
class Statement;

// "lc_ctype=ISO8859_1", "user_name=sysdba", "password=..." in this order.
const std::vector<std::string>& defaultTargetParams();

class Attachment {
public:
    // `name` heads the connection's trace records.
    explicit Attachment(std::string name);
    // Never commits: an open connection is detached after rolling back an
    // active transaction, every error ignored. The owner that wants the
    // close steps at its end calls closeIgnoringErrors() first.
    ~Attachment();
    // Neither copied nor moved (no move is declared): its transactions and
    // statements point back at it.
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    const std::string& name() const noexcept { return m_name; }

    const std::string& databaseName() const noexcept { return m_databaseName; }
    // Same text: nothing happens. Another text while connected:
    // EIBClientError "Operation kann nicht durchgeführt werden -- DB ist im
    // Moment geöffnet.", and nothing changes.
    void setDatabaseName(const std::string& path);

    const std::vector<std::string>& params() const noexcept { return m_params; }
    void setParams(std::vector<std::string> params);

    int sqlDialect() const noexcept { return m_sqlDialect; }
    // The dialect the database reported on connect; 1 when closed.
    int databaseSqlDialect() const noexcept { return m_dbSqlDialect; }
    // The lower of the two: statements are prepared and executed in it.
    int effectiveDialect() const noexcept { return m_dbSqlDialect < m_sqlDialect ? m_dbSqlDialect : m_sqlDialect; }

    bool connected() const noexcept { return m_handle != 0; }
    void setConnected(bool value);
    void open();
    // Commits an active transaction (forced: rolled back when the commit
    // fails), releases the statements, detaches. A failing detach raises
    // and the connection stays open.
    void close();
    // The same steps with every error ignored and the handle given up in
    // any case: the window's end while the connection is still open.
    void closeIgnoringErrors() noexcept;

    // The block the last open sent (empty before the first open).
    const std::string& databaseParameterBlock() const noexcept { return m_dpb; }

    // For the transaction and statement objects; each attaches itself once,
    // when it is made, and detaches when it goes.
    isc_db_handle* handle() noexcept { return &m_handle; }
    const ClientLibrary& client() const noexcept { return m_lib; }
    void attachTransaction(Transaction* t);
    void detachTransaction(Transaction* t) noexcept;
    void attachStatement(Statement* q);
    void detachStatement(Statement* q) noexcept;

private:
    void closeConnection(bool force);
    void detachQuietly() noexcept;

    const ClientLibrary& m_lib;
    std::string m_name;
    std::string m_databaseName;
    std::vector<std::string> m_params;
    std::string m_dpb;
    bool m_dpbStale = true;
    int m_sqlDialect = 3;
    int m_dbSqlDialect = 1;
    isc_db_handle m_handle = 0;
    std::vector<Transaction*> m_transactions;
    std::vector<Statement*> m_statements;
};

} // namespace rk::target
