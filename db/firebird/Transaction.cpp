// Starting and committing the target transaction; see Transaction.h.
#include "db/firebird/Transaction.h"

#include "db/firebird/ClientLibrary.h"
#include "db/firebird/Attachment.h"
#include "db/firebird/SqlMonitor.h"
#include "db/firebird/Statement.h"
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

Transaction::Transaction(Attachment* database, std::string name)
    : m_lib(ClientLibrary::instance()), m_name(std::move(name)), m_database(database)
{
    SqlMonitor::attachOnce();
    if (m_database) m_database->attachTransaction(this);
}

Transaction::~Transaction()
{
    rollbackQuietly();
    for (Statement* q : m_statements) q->forgetTransaction();
    if (m_database) m_database->detachTransaction(this);
}

void Transaction::start()
{
    if (inTransaction()) throwClientError(ClientError::TransactionActive);
    if (!m_database) throwClientError(ClientError::NoDatabasesInTransaction);
    if (!m_database->connected()) throwClientError(ClientError::DatabaseClosed);

    TransactionEntry entry = {m_database->handle(), 0, nullptr};
    ISC_STATUS_ARRAY status = {};
    isc_tr_handle handle = 0;
    m_lib.startMultiple(status, &handle, 1, &entry);
    checkStatus(m_lib, status);
    m_handle = handle;

    if (SqlMonitor::attached()) SqlMonitor::write(m_name + ": [Start transaction]");
}

void Transaction::commit()
{
    if (!inTransaction()) throwClientError(ClientError::TransactionNotActive);
    // The next execution prepares again, in the next transaction.
    releaseStatements();

    ISC_STATUS_ARRAY status = {};
    isc_tr_handle handle = m_handle;
    m_lib.commitTransaction(status, &handle);
    checkStatus(m_lib, status);
    m_handle = 0;

    if (SqlMonitor::attached()) SqlMonitor::write(m_name + ": [Commit (Hard commit)]");
}

void Transaction::forceEnd() noexcept
{
    endQuietly(true);
}

void Transaction::rollbackQuietly() noexcept
{
    endQuietly(false);
}

void Transaction::endQuietly(bool commitFirst) noexcept
{
    if (!inTransaction()) return;
    releaseStatements();
    // The handle is given up before the calls: whatever they answer, this
    // object ends inactive and never ends the transaction twice.
    isc_tr_handle handle = m_handle;
    m_handle = 0;
    if (commitFirst) {
        ISC_STATUS_ARRAY status = {};
        m_lib.commitTransaction(status, &handle);
        if (!callFailed(status)) return;
    }
    ISC_STATUS_ARRAY ignored = {};
    m_lib.rollbackTransaction(ignored, &handle);
}

void Transaction::releaseStatements() noexcept
{
    for (Statement* q : m_statements) q->releasePrepared();
}

void Transaction::attachStatement(Statement* q)
{
    m_statements.push_back(q);
}

void Transaction::detachStatement(Statement* q) noexcept
{
    std::erase(m_statements, q);
}

} // namespace rk::target
