// Starting and committing the target transaction; see IBTransaction.h.
#include "db/firebird/IBTransaction.h"

#include <algorithm>

#include "db/firebird/ClientLibrary.h"
#include "db/firebird/IBDatabase.h"
#include "db/firebird/IBQuery.h"
#include "db/firebird/TargetErrors.h"

namespace rk::target {

namespace {

// One entry of the multi-database start call: the connection and its
// transaction parameter block (here always empty).
struct TransactionEntry {
    isc_db_handle* database;
    int tpbLength;
    const char* tpb;
};

} // namespace

IBTransaction::IBTransaction(IBDatabase* database, std::string name)
    : m_lib(ClientLibrary::instance()), m_name(std::move(name))
{
    SqlMonitor::attachOnce();
    SetDefaultDatabase(database);
}

IBTransaction::~IBTransaction()
{
    rollbackQuietly();
    for (IBQuery* q : m_queries) q->forgetTransaction();
    if (m_database) m_database->detachTransaction(this);
}

void IBTransaction::SetDefaultDatabase(IBDatabase* database)
{
    if (database == m_database) return;
    if (m_database) m_database->detachTransaction(this);
    m_database = database;
    if (m_database) m_database->attachTransaction(this);
}

void IBTransaction::StartTransaction()
{
    if (InTransaction()) throwClientError(ClientError::TransactionActive);
    if (!m_database) throwClientError(ClientError::NoDatabasesInTransaction);
    if (!m_database->Connected()) throwClientError(ClientError::DatabaseClosed);

    TransactionEntry entry = {m_database->handle(), 0, nullptr};
    ISC_STATUS_ARRAY status = {};
    isc_tr_handle handle = 0;
    m_lib.startMultiple(status, &handle, 1, &entry);
    checkStatus(m_lib, status);
    m_handle = handle;

    if (traceWanted(m_database->traceFlags(), tfTransact)) SqlMonitor::write(m_name + ": [Start transaction]");
}

void IBTransaction::Commit()
{
    if (!InTransaction()) throwClientError(ClientError::TransactionNotActive);
    // The next execution prepares again, in the next transaction.
    releaseStatements();

    ISC_STATUS_ARRAY status = {};
    isc_tr_handle handle = m_handle;
    m_lib.commitTransaction(status, &handle);
    checkStatus(m_lib, status);
    m_handle = 0;

    if (m_database && traceWanted(m_database->traceFlags(), tfTransact))
        SqlMonitor::write(m_name + ": [Commit (Hard commit)]");
}

void IBTransaction::forceEnd() noexcept
{
    if (!InTransaction()) return;
    releaseStatements();
    ISC_STATUS_ARRAY status = {};
    isc_tr_handle handle = m_handle;
    m_handle = 0;
    m_lib.commitTransaction(status, &handle);
    if (status[0] == 1 && status[1] != 0) {
        ISC_STATUS_ARRAY ignored = {};
        m_lib.rollbackTransaction(ignored, &handle);
    }
}

void IBTransaction::rollbackQuietly() noexcept
{
    if (!InTransaction()) return;
    releaseStatements();
    ISC_STATUS_ARRAY status = {};
    isc_tr_handle handle = m_handle;
    m_handle = 0;
    m_lib.rollbackTransaction(status, &handle);
}

void IBTransaction::releaseStatements() noexcept
{
    for (IBQuery* q : m_queries) q->releasePrepared();
}

void IBTransaction::attachQuery(IBQuery* q)
{
    if (std::find(m_queries.begin(), m_queries.end(), q) == m_queries.end()) m_queries.push_back(q);
}

void IBTransaction::detachQuery(IBQuery* q) noexcept
{
    std::erase(m_queries, q);
}

} // namespace rk::target
