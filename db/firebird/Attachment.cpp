// Opening and closing the target connection; see Attachment.h.
#include "db/firebird/Attachment.h"

#include <algorithm>

#include "db/firebird/ClientLibrary.h"
#include "db/firebird/DatabaseParams.h"
#include "db/firebird/SqlMonitor.h"
#include "db/firebird/Statement.h"
#include "db/firebird/Transaction.h"
#include "db/firebird/TargetErrors.h"

namespace rk::target {
namespace {

// Whether the status vector carries `code` as one of its error codes.
bool carries(const ISC_STATUS* status, ISC_STATUS code)
{
    for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
        const ISC_STATUS type = *p++;
        if (type == isc_arg_gds && *p == code) return true;
        p += type == isc_arg_cstring ? 2 : 1;
    }
    return false;
}

} // namespace

const std::vector<std::string>& defaultTargetParams()
{
    static const std::vector<std::string> params = {"lc_ctype=ISO8859_1", "user_name=sysdba", "password=quartzfen"};
    return params;
}

Attachment::Attachment(std::string name)
    : m_lib(ClientLibrary::instance()), m_name(std::move(name)), m_params(defaultTargetParams())
{
    SqlMonitor::attachOnce();
}

Attachment::~Attachment()
{
    // A destructor does not commit behind the owner's back.
    if (connected()) {
        for (Transaction* t : m_transactions) t->rollbackQuietly();
        detachQuietly();
    }
    for (Transaction* t : m_transactions) t->forgetDatabase();
    for (Statement* q : m_statements) q->forgetDatabase();
}

void Attachment::setDatabaseName(const std::string& path)
{
    if (path == m_databaseName) return;
    if (connected()) throwClientError(ClientError::DatabaseOpen);
    m_databaseName = path;
}

void Attachment::setParams(std::vector<std::string> params)
{
    if (params == m_params) return;
    m_params = std::move(params);
    m_dpbStale = true;
}

void Attachment::setConnected(bool value)
{
    if (value)
        open();
    else
        close();
}

void Attachment::open()
{
    if (connected()) return;
    if (m_databaseName.empty()) throwClientError(ClientError::DatabaseNameMissing);
    if (m_dpbStale) {
        m_dpb = buildDpb(m_params);
        m_dpbStale = false;
    }

    ISC_STATUS_ARRAY status = {};
    isc_db_handle handle = 0;
    const auto attach = [&](ISC_STATUS* st, const std::string& path) {
        m_lib.attachDatabase(st, static_cast<short>(path.size()), path.c_str(), &handle,
                             static_cast<short>(m_dpb.size()), m_dpb.data());
    };
    attach(status, m_databaseName);
    if (callFailed(status) && carries(status, isc_already_opened) && m_databaseName.front() == '/') {
        // A server holds the file. The client tried the server too, but kept
        // the embedded engine's error, which hides the server's own answer (a
        // refused login, say). Ask the server directly so its text is the one
        // shown; when no server answers on this machine, the first error stays.
        ISC_STATUS_ARRAY viaServer = {};
        handle = 0;
        attach(viaServer, "localhost:" + m_databaseName);
        if (!callFailed(viaServer))
            std::fill(std::begin(status), std::end(status), 0);
        else if (!carries(viaServer, isc_network_error))
            raiseStatus(m_lib, viaServer);
    }
    checkStatus(m_lib, status);
    m_handle = handle;

    // No answer means dialect 1.
    const char item = isc_info_db_sql_dialect;
    char answer[512] = {};
    m_lib.databaseInfo(status, &m_handle, 1, &item, sizeof answer, answer);
    if (callFailed(status)) {
        ISC_STATUS_ARRAY ignored = {};
        isc_db_handle h = m_handle;
        m_handle = 0;
        m_lib.detachDatabase(ignored, &h);
        raiseStatus(m_lib, status);
    }
    m_dbSqlDialect = 1;
    if (static_cast<unsigned char>(answer[0]) == isc_info_db_sql_dialect)
        m_dbSqlDialect = infoInteger(answer + 3, infoLength(answer + 1));

    if (SqlMonitor::attached()) SqlMonitor::write(m_name + ": [Connect]");
}

void Attachment::close()
{
    closeConnection(false);
}

void Attachment::closeIgnoringErrors() noexcept
{
    try {
        closeConnection(true);
    } catch (...) {
        detachQuietly();
    }
}

void Attachment::detachQuietly() noexcept
{
    for (Statement* q : m_statements) q->releasePrepared();
    if (m_handle == 0) return;
    ISC_STATUS_ARRAY status = {};
    isc_db_handle handle = m_handle;
    m_handle = 0;
    m_lib.detachDatabase(status, &handle);
    m_dbSqlDialect = 1;
}

void Attachment::closeConnection(bool force)
{
    if (!connected()) return;
    for (Transaction* t : m_transactions)
        if (t->inTransaction()) t->forceEnd();
    for (Statement* q : m_statements) q->releasePrepared();

    ISC_STATUS_ARRAY status = {};
    isc_db_handle handle = m_handle;
    if (force) m_handle = 0;
    m_lib.detachDatabase(status, &handle);
    if (!force) checkStatus(m_lib, status);
    m_handle = 0;

    if (SqlMonitor::attached()) SqlMonitor::write(m_name + ": [Disconnect]");
    m_dbSqlDialect = 1;
}

void Attachment::attachTransaction(Transaction* t)
{
    m_transactions.push_back(t);
}

void Attachment::detachTransaction(Transaction* t) noexcept
{
    std::erase(m_transactions, t);
}

void Attachment::attachStatement(Statement* q)
{
    m_statements.push_back(q);
}

void Attachment::detachStatement(Statement* q) noexcept
{
    std::erase(m_statements, q);
}

} // namespace rk::target
