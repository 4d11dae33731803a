// Wiring of MainWindow to the database layers; see RealDatabaseParts.h.
#include "app/RealDatabaseParts.h"

#include <ctime>

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "db/common/ObjectNames.h"
#include "db/firebird/Attachment.h"
#include "db/firebird/Statement.h"
#include "db/firebird/Transaction.h"
#include "db/paradox/AliasFolder.h"
#include "db/paradox/Connection.h"
#include "db/paradox/NameRules.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "db/paradox/Table.h"
#include "locale/LocaleFormats.h"
#include "transfer/ConnectTargetDatabase.h"
#include "transfer/DatabasePorts.h"
#include "transfer/ImportPlan.h"

namespace rk::app {

namespace {

class SystemClock final : public transfer::Clock {
public:
    double now() override { return localNow(); }
};

// The target connection as connectTargetDatabase sees it.
class TargetConnectionAdapter final : public transfer::TargetConnection {
public:
    explicit TargetConnectionAdapter(target::Attachment& db) : m_db(db) {}
    void setDatabaseName(const std::string& path) override { m_db.setDatabaseName(path); }
    void open() override { m_db.setConnected(true); }
    bool connected() const override { return m_db.connected(); }

private:
    target::Attachment& m_db;
};

// What keeps `folder` from serving as the alias's folder: it must hold every
// table the transfer reads.
std::optional<SourceTrouble> troubleOf(const std::string& folder)
{
    const source::FolderCheck check =
        source::checkAliasFolder(folder, transfer::sourceTables(transfer::buildImportPlan()));
    SourceTrouble trouble{SourceTrouble::Kind::TablesMissing, source::pathText(folder), check.missingTables};
    switch (check.state) {
    case source::FolderState::Usable: return std::nullopt;
    case source::FolderState::Missing: trouble.kind = SourceTrouble::Kind::FolderMissing; break;
    case source::FolderState::Unreadable: trouble.kind = SourceTrouble::Kind::FolderUnreadable; break;
    case source::FolderState::TablesMissing: break;
    }
    return trouble;
}

// The alias DBRK of the session's configuration and the user's own file.
class SessionSourceSetup final : public SourceSetup {
public:
    SessionSourceSetup(source::Session& session, source::Connection& connection, std::filesystem::path userFile)
        : m_session(session), m_connection(connection), m_userFile(std::move(userFile))
    {
    }

    std::string configFileText() override
    {
        std::string text;
        for (const auto& place : m_session.config().searched())
            text += (text.empty() ? "" : ", ") + source::pathText(place.string());
        return text;
    }
    std::optional<SourceTrouble> configuredTrouble() override
    {
        m_session.start();
        const source::AliasConfig* alias = m_session.config().findAlias(names::kSourceAlias);
        if (!alias) return SourceTrouble{SourceTrouble::Kind::NoAlias, {}, {}};
        const std::string folder = alias->param("PATH");
        if (folder.empty()) return SourceTrouble{SourceTrouble::Kind::NoPath, {}, {}};
        return troubleOf(folder);
    }
    std::optional<SourceTrouble> folderTrouble(const std::string& folder) override { return troubleOf(folder); }
    void useFolder(const std::string& folder) override
    {
        m_connection.close();
        // The other keys of the alias so far (its code page) go along: the
        // user's file now wins over the file they came from.
        const source::AliasConfig* configured = m_session.config().findAlias(names::kSourceAlias);
        source::appendAliasSection(m_userFile, names::kSourceAlias, folder,
                                   configured ? configured->params : std::map<std::string, std::string>{});
        m_session.reloadConfig();
    }

private:
    source::Session& m_session;
    source::Connection& m_connection;
    std::filesystem::path m_userFile;
};

class RealDatabaseParts final : public DatabaseParts {
public:
    RealDatabaseParts(MainWindow& window, source::Session& session)
        : m_window(window), m_targetConnection(names::kTargetConnection),
          m_targetTransaction(&m_targetConnection, names::kTargetTransaction),
          m_targetStatement(&m_targetConnection, &m_targetTransaction, names::kTargetStatement),
          m_sourceConnection(session, names::kSourceConnection, names::kSourceAlias),
          m_sourceQuery(session, names::kSourceQuery, names::kSourceAlias),
          m_listingTable(session, names::kListingTable, names::kSourceConnection, names::kListingTableFile),
          m_statementPort(m_targetStatement), m_transactionPort(m_targetTransaction), m_sourcePort(m_sourceQuery),
          m_connectionPort(m_targetConnection),
          m_sourceSetup(session, m_sourceConnection, source::EngineConfig::userFile()),
          m_setUpAllowed(!session.configFile() && !source::EngineConfig::userFile().empty())
    {
    }

    // The window is destroyed with the connection still open only when the
    // run re-opened it after commitAndCloseTarget; closing commits in forced mode, as
    // closing always does, and nothing can be reported any more.
    ~RealDatabaseParts() override { m_targetConnection.closeIgnoringErrors(); }

    transfer::TargetStatement& targetStatement() override { return m_statementPort; }
    transfer::TargetTransaction& targetTransaction() override { return m_transactionPort; }
    void connectTarget() override
    {
        transfer::connectTargetDatabase(m_window.connectPort(), m_connectionPort, m_window.args(), fileExistsOnDisk);
    }
    bool targetConnected() override { return m_targetConnection.connected(); }
    void closeTarget() override { m_targetConnection.close(); }

    transfer::SourceQuery& sourceQuery() override { return m_sourcePort; }
    void openSourceConnection() override { m_sourceConnection.open(); }
    bool sourceConnected() override { return m_sourceConnection.connected(); }
    SourceSetup* sourceSetup() override { return m_setUpAllowed ? &m_sourceSetup : nullptr; }
    std::vector<std::string> columnListFieldNames() override
    {
        m_listingTable.open();
        // As many names as the table has fields, taken from the column
        // descriptions (the two differ only for columns without a field).
        std::vector<std::string> names;
        const auto& defs = m_listingTable.fieldDefs();
        for (int i = 0; i < m_listingTable.fieldCount() && i < int(defs.size()); ++i) names.push_back(defs[size_t(i)].name);
        return names;
    }
    transfer::Clock& clock() override { return m_clock; }

private:
    MainWindow& m_window;
    // Declared so that the statement and transaction go before their
    // connection, and the source objects before the session's end.
    target::Attachment m_targetConnection;
    target::Transaction m_targetTransaction;
    target::Statement m_targetStatement;
    source::Connection m_sourceConnection;
    source::Query m_sourceQuery;
    source::Table m_listingTable;
    transfer::TargetStatementAdapter<target::Statement> m_statementPort;
    transfer::TargetTransactionAdapter<target::Transaction> m_transactionPort;
    transfer::SourceQueryAdapter<source::Query> m_sourcePort;
    TargetConnectionAdapter m_connectionPort;
    SessionSourceSetup m_sourceSetup;
    bool m_setUpAllowed;
    SystemClock m_clock;
};

} // namespace

double localNow()
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
    return locale::dateTimeFromParts(parts);
}

std::unique_ptr<DatabaseParts> makeDatabaseParts(MainWindow& window, source::Session& session)
{
    return std::make_unique<RealDatabaseParts>(window, session);
}

} // namespace rk::app
