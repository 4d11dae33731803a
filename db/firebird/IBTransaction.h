// IBTransaction: the one transaction of the target connection
// (IBTransaction1). It is started only by a statement's execution and ended
// only by Commit (or by closing the connection, which commits).
//
//   IBTransaction tr(&db, names::kTargetTransaction);
//   if (tr.InTransaction()) tr.Commit();   // CommitIfActive
#pragma once

#include <ibase.h>

#include <string>
#include <vector>

#include "db/firebird/SqlMonitor.h"

namespace rk::target {

class ClientLibrary;
class IBDatabase;
class IBQuery;

class IBTransaction {
public:
    // `name` heads the transaction's trace records.
    IBTransaction(IBDatabase* database, std::string name);
    // Never commits: an active transaction is rolled back, errors ignored.
    // The owner commits first (CommitIfActive, or the database's close).
    ~IBTransaction();
    IBTransaction(const IBTransaction&) = delete;
    IBTransaction& operator=(const IBTransaction&) = delete;

    const std::string& Name() const noexcept { return m_name; }
    IBDatabase* DefaultDatabase() const noexcept { return m_database; }
    void SetDefaultDatabase(IBDatabase* database);

    bool InTransaction() const noexcept { return m_handle != 0; }
    // Starts with an empty parameter block: read-write, snapshot, wait.
    void StartTransaction();
    // Hard commit; statements give up their prepared handles first. A failed
    // commit raises the server's error and leaves the transaction active.
    void Commit();

    // The close path: commit, else roll back; errors ignored; inactive after.
    void forceEnd() noexcept;
    // Roll back, errors ignored; inactive after.
    void rollbackQuietly() noexcept;

    isc_tr_handle* handle() noexcept { return &m_handle; }
    void attachQuery(IBQuery* q);
    void detachQuery(IBQuery* q) noexcept;

private:
    void releaseStatements() noexcept;

    const ClientLibrary& m_lib;
    std::string m_name;
    IBDatabase* m_database = nullptr;
    isc_tr_handle m_handle = 0;
    std::vector<IBQuery*> m_queries;
};

} // namespace rk::target
