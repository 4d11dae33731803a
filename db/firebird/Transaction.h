// Transaction: the one transaction of the target connection
// (IBTransaction1). It is started only by a statement's execution and ended
// only by Commit (or by closing the connection, which commits).
//
//   Transaction tr(&db, names::kTargetTransaction);
//   if (tr.inTransaction()) tr.commit();   // commitIfActive
#pragma once

#include <ibase.h>

#include <string>
#include <vector>

namespace rk::target {

class ClientLibrary;
class Attachment;
class Statement;

class Transaction {
public:
    // `name` heads the transaction's trace records. `database` (may be
    // null: start() then refuses) must outlive this object or forget it.
    Transaction(Attachment* database, std::string name);
    // Never commits: an active transaction is rolled back, errors ignored.
    // The owner commits first (commitIfActive, or the database's close).
    ~Transaction();
    // Neither copied nor moved (no move is declared): its connection and
    // statements point back at it.
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    const std::string& name() const noexcept { return m_name; }

    bool inTransaction() const noexcept { return m_handle != 0; }
    // Starts with an empty parameter block: read-write, snapshot, wait.
    void start();
    // Hard commit; statements give up their prepared handles first. A failed
    // commit raises the server's error and leaves the transaction active.
    void commit();

    // The close path: commit, else roll back; errors ignored; inactive after.
    void forceEnd() noexcept;
    // Roll back, errors ignored; inactive after.
    void rollbackQuietly() noexcept;

    isc_tr_handle* handle() noexcept { return &m_handle; }
    // For the statements; each attaches itself once, when it is made.
    void attachStatement(Statement* q);
    void detachStatement(Statement* q) noexcept;
    // The connection is going away.
    void forgetDatabase() noexcept { m_database = nullptr; }

private:
    void releaseStatements() noexcept;
    void endQuietly(bool commitFirst) noexcept;

    const ClientLibrary& m_lib;
    std::string m_name;
    Attachment* m_database = nullptr;
    isc_tr_handle m_handle = 0;
    std::vector<Statement*> m_statements;
};

} // namespace rk::target
