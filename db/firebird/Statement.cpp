// The statement object: text, parameter list, preparation, binding and
// execution; see Statement.h.
#include "db/firebird/Statement.h"

#include <algorithm>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "db/firebird/ClientLibrary.h"
#include "db/firebird/Attachment.h"
#include "db/firebird/Transaction.h"
#include "db/firebird/SqlMonitor.h"
#include "db/firebird/SqlParamScan.h"
#include "db/firebird/TargetErrors.h"

namespace rk::target {

Statement::Statement(Attachment* database, Transaction* transaction, std::string name)
    : m_lib(ClientLibrary::instance()), m_name(std::move(name)), m_database(database), m_transaction(transaction)
{
    SqlMonitor::attachOnce();
    if (m_database) m_database->attachStatement(this);
    if (m_transaction) m_transaction->attachStatement(this);
}

Statement::~Statement()
{
    releasePrepared();
    if (m_database) m_database->detachStatement(this);
    if (m_transaction) m_transaction->detachStatement(this);
}

void Statement::forgetDatabase() noexcept
{
    releasePrepared();
    m_database = nullptr;
}

void Statement::forgetTransaction() noexcept
{
    releasePrepared();
    m_transaction = nullptr;
}

void Statement::clearSql()
{
    if (m_lines.empty()) return;
    m_lines.clear();
    textChanged();
}

void Statement::addSql(const std::string& line)
{
    m_lines.push_back(line);
    textChanged();
}

std::string Statement::sqlText() const
{
    std::string text;
    for (const std::string& line : m_lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void Statement::textChanged()
{
    releasePrepared();
    std::vector<db::Param> fresh;
    for (std::string& name : scanParamNames(sqlText())) fresh.push_back(db::Param{std::move(name), {}});
    for (db::Param& entry : fresh) {
        for (const db::Param& old : m_params) {
            if (equalsAsciiNoCase(old.name, entry.name)) {
                entry.value = old.value;
                break;
            }
        }
    }
    m_params = std::move(fresh);
}

db::Param& Statement::paramByName(const std::string& name)
{
    for (db::Param& p : m_params)
        if (equalsAsciiNoCase(p.name, name)) return p;
    throw EDatabaseError(m_name + ": " + ansiFormat("Parameter '%s' nicht gefunden", name));
}

void Statement::releasePrepared() noexcept
{
    if (m_handle != 0) {
        ISC_STATUS_ARRAY status = {};
        isc_stmt_handle handle = m_handle;
        m_handle = 0;
        m_lib.dsqlFreeStatement(status, &handle, DSQL_drop);
    }
    m_statementType = 0;
    m_input.clear();
    m_entryOf.clear();
}

void Statement::execute()
{
    m_views.clear();
    for (const db::Param& p : m_params) m_views.push_back(db::ParamView::of(p.value));
    executeRow(m_views, *locale::currentFormats());
}

void Statement::executeRow(std::span<const db::ParamView> values, const locale::LocaleFormats& formats)
{
    if (m_lines.empty()) throwClientError(ClientError::EmptyQuery);
    if (!m_database) throwClientError(ClientError::DatabaseNotAssigned);
    if (!m_transaction) throwClientError(ClientError::TransactionNotAssigned);
    if (values.size() != m_params.size()) throwClientError(ClientError::XsqldaIndexOutOfRange);
    if (!m_database->connected()) m_database->open();
    if (!m_transaction->inTransaction()) m_transaction->start();
    if (!prepared()) prepare();
    if (!values.empty()) bindParams(values, formats);
    if (m_statementType == isc_info_sql_stmt_select) throwClientError(ClientError::IsASelectStatement);

    ISC_STATUS_ARRAY status = {};
    m_lib.dsqlExecute(status, m_transaction->handle(), &m_handle,
                      static_cast<unsigned short>(m_database->effectiveDialect()), m_input.sqlda());
    checkStatus(m_lib, status);

    if (SqlMonitor::attached()) SqlMonitor::write(executeTrace(values));
}

void Statement::prepare()
{
    const std::string text = sqlText();
    if (isBlankText(text)) throwClientError(ClientError::EmptyQuery);
    const ServerStatement server = scanPlaceholders(text);
    const auto dialect = static_cast<unsigned short>(m_database->effectiveDialect());

    ISC_STATUS_ARRAY status = {};
    isc_stmt_handle handle = 0;
    m_lib.dsqlAllocateStatement(status, m_database->handle(), &handle);
    checkStatus(m_lib, status);

    int type = 0;
    try {
        // Length 0 means "up to the NUL", for texts beyond a 16-bit length.
        const auto length = server.text.size() <= 0xFFFF ? static_cast<unsigned short>(server.text.size()) : 0;
        m_lib.dsqlPrepare(status, m_transaction->handle(), &handle, length, server.text.c_str(), dialect, nullptr);
        checkStatus(m_lib, status);

        const char item = isc_info_sql_stmt_type;
        char answer[16] = {};
        m_lib.dsqlSqlInfo(status, &handle, 1, &item, sizeof answer, answer);
        checkStatus(m_lib, status);
        if (answer[0] != isc_info_sql_stmt_type) throwClientError(ClientError::UnknownError);
        type = infoInteger(answer + 3, infoLength(answer + 1));
        if (type == isc_info_sql_stmt_get_segment || type == isc_info_sql_stmt_put_segment ||
            type == isc_info_sql_stmt_start_trans)
            throwClientError(ClientError::NotPermitted);

        m_input.reset(static_cast<int>(server.names.size()));
        m_lib.dsqlDescribeBind(status, &handle, dialect, m_input.sqlda());
        checkStatus(m_lib, status);
        if (m_input.count() > m_input.allocated()) {
            m_input.reset(m_input.count());
            m_lib.dsqlDescribeBind(status, &handle, dialect, m_input.sqlda());
            checkStatus(m_lib, status);
        }
        m_input.adoptDescription(server.names, std::min<int>(m_input.count(), static_cast<int>(m_params.size())));
    } catch (...) {
        ISC_STATUS_ARRAY ignored = {};
        m_lib.dsqlFreeStatement(ignored, &handle, DSQL_drop);
        m_input.clear();
        throw;
    }

    m_handle = handle;
    m_statementType = type;
    ++m_prepareCount;

    const int vars = m_input.count();
    m_entryOf.assign(static_cast<size_t>(vars), 0);
    for (int i = 0; i < vars; ++i) {
        int first = i;
        for (int j = 0; j < i; ++j)
            if (m_input.name(j) == m_input.name(i)) {
                first = j;
                break;
            }
        m_entryOf[i] = first;
    }

    if (SqlMonitor::attached()) SqlMonitor::write(prepareTrace());
}

void Statement::bindParams(std::span<const db::ParamView> values, const locale::LocaleFormats& formats)
{
    const BindContext ctx{m_lib, m_database->handle(), m_transaction->handle(), formats};
    const int entries = static_cast<int>(values.size());
    const int vars = m_input.count();
    for (int i = 0; i < entries; ++i) {
        if (i >= vars) throwClientError(ClientError::XsqldaIndexOutOfRange);
        try {
            m_input.bind(i, values[m_entryOf[i]], ctx);
        } catch (rk::Exception& error) {
            // A value the binding refuses (too long, no date): the run's report names its parameter.
            error.setField(m_params[static_cast<size_t>(m_entryOf[i])].name);
            throw;
        }
    }
}

std::string Statement::prepareTrace()
{
    std::string plan;
    const char item = isc_info_sql_get_plan;
    std::vector<char> answer(16384);
    ISC_STATUS_ARRAY status = {};
    m_lib.dsqlSqlInfo(status, &m_handle, 1, &item, static_cast<short>(answer.size()), answer.data());
    if (callFailed(status)) {
        plan = "Can't retrieve plan - too large";
    } else if (answer[0] == isc_info_sql_get_plan) {
        const int len = infoLength(answer.data() + 1);
        plan.assign(answer.data() + 3, static_cast<size_t>(std::min<int>(len, static_cast<int>(answer.size()) - 3)));
    } else if (answer[0] == isc_info_truncated) {
        plan = "Can't retrieve plan - too large";
    }
    return m_name + ": [Prepare] " + sqlText() + "\r\n  Plan: " + plan;
}

std::string Statement::executeTrace(std::span<const db::ParamView> values) const
{
    std::string record = m_name + ": [Execute] " + sqlText();
    const int vars = m_input.count();
    for (int i = 0; i < vars; ++i) {
        record += "\r\n  ";
        record += m_input.name(i);
        record += " = ";
        const int entry = m_entryOf[i];
        if (entry >= static_cast<int>(values.size()) || m_input.isNull(i)) {
            record += "<NULL>";
        } else if ((m_input.var(i).sqltype & ~1) == SQL_BLOB) {
            record += "<BLOB>";
        } else {
            const db::ParamView& v = values[entry];
            if (v.kind == db::ParamView::Kind::Integer) record += std::to_string(v.integer);
            else record += v.text;
        }
    }
    return record;
}

} // namespace rk::target
