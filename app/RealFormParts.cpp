// Wiring of Form1 to the database layers; see RealFormParts.h.
#include "app/RealFormParts.h"

#include <ctime>

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "db/common/ObjectNames.h"
#include "db/firebird/IBDatabase.h"
#include "db/firebird/IBQuery.h"
#include "db/firebird/IBTransaction.h"
#include "db/paradox/Database.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "db/paradox/Table.h"
#include "locale/LocaleFormats.h"
#include "transfer/ConnectTargetDatabase.h"
#include "transfer/DatabasePorts.h"

namespace rk::app {

namespace {

class SystemClock final : public transfer::Clock {
public:
    double Now() override { return LocalNow(); }
};

// IBDatabase1 as ConnectTargetDatabase sees it.
class TargetConnectionAdapter final : public transfer::TargetConnection {
public:
    explicit TargetConnectionAdapter(target::IBDatabase& db) : m_db(db) {}
    void SetDatabaseName(const std::string& path) override { m_db.SetDatabaseName(path); }
    void Open() override { m_db.SetConnected(true); }
    bool Connected() const override { return m_db.Connected(); }

private:
    target::IBDatabase& m_db;
};

class RealFormParts final : public FormParts {
public:
    RealFormParts(TForm1& form, source::Session& session)
        : m_form(form), m_ibDatabase1(names::kTargetConnection),
          m_ibTransaction1(&m_ibDatabase1, names::kTargetTransaction),
          m_ibq1(&m_ibDatabase1, &m_ibTransaction1, names::kTargetStatement),
          m_database1(session, names::kSourceConnection, names::kSourceAlias),
          m_pdxq1(session, names::kSourceQuery, names::kSourceAlias),
          m_table1(session, names::kListingTable, names::kSourceConnection, names::kListingTableFile),
          m_targetQuery(m_ibq1), m_targetTransaction(m_ibTransaction1), m_sourceQuery(m_pdxq1),
          m_connection(m_ibDatabase1)
    {
        m_ibDatabase1.SetDefaultTransaction(&m_ibTransaction1);
    }

    // The window is destroyed with the connection still open only when the
    // run re-opened it after FormClose; closing commits in forced mode, as
    // closing always does, and nothing can be reported any more.
    ~RealFormParts() override { m_ibDatabase1.closeIgnoringErrors(); }

    transfer::TargetQuery& IBQ1() override { return m_targetQuery; }
    transfer::TargetTransaction& IBTransaction1() override { return m_targetTransaction; }
    void ConnectTargetDatabase() override
    {
        transfer::ConnectTargetDatabase(m_form, m_connection, m_form.Args(), FileExistsOnDisk);
    }
    bool TargetConnected() override { return m_ibDatabase1.Connected(); }
    void CloseTargetDatabase() override { m_ibDatabase1.Close(); }

    transfer::SourceQuery& PDXQ1() override { return m_sourceQuery; }
    void OpenDatabase1() override { m_database1.Open(); }
    bool Database1Connected() override { return m_database1.Connected(); }
    std::vector<std::string> Table1FieldNames() override
    {
        m_table1.Open();
        // As many names as the table has fields, taken from the column
        // descriptions (the two differ only for columns without a field).
        std::vector<std::string> names;
        const auto& defs = m_table1.FieldDefs();
        for (int i = 0; i < m_table1.FieldCount() && i < int(defs.size()); ++i) names.push_back(defs[size_t(i)].name);
        return names;
    }
    transfer::Clock& Clock() override { return m_clock; }

private:
    TForm1& m_form;
    // Declared so that the statement and transaction go before their
    // connection, and the source objects before the session's end.
    target::IBDatabase m_ibDatabase1;
    target::IBTransaction m_ibTransaction1;
    target::IBQuery m_ibq1;
    source::Database m_database1;
    source::Query m_pdxq1;
    source::Table m_table1;
    transfer::TargetQueryAdapter<target::IBQuery> m_targetQuery;
    transfer::TargetTransactionAdapter<target::IBTransaction> m_targetTransaction;
    transfer::SourceQueryAdapter<source::Query> m_sourceQuery;
    TargetConnectionAdapter m_connection;
    SystemClock m_clock;
};

} // namespace

double LocalNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm local{};
    localtime_r(&ts.tv_sec, &local);
    locale::DateTimeParts parts;
    parts.year = local.tm_year + 1900;
    parts.month = local.tm_mon + 1;
    parts.day = local.tm_mday;
    parts.hour = local.tm_hour;
    parts.minute = local.tm_min;
    parts.second = local.tm_sec;
    parts.msec = int(ts.tv_nsec / 1000000);
    return locale::EncodeDateTime(parts);
}

std::unique_ptr<FormParts> MakeRealFormParts(TForm1& form, source::Session& session)
{
    return std::make_unique<RealFormParts>(form, session);
}

} // namespace rk::app
