// The engine session (see Session.h).
#include "db/paradox/Session.h"

#include <algorithm>

#include "db/paradox/Connection.h"
#include "db/paradox/NameRules.h"

namespace rk::source {

Session::Session(std::string name, std::optional<std::filesystem::path> configFile)
    : m_name(std::move(name)), m_configFile(std::move(configFile))
{
}

Session::~Session()
{
    // Temporary connections close with the session, after their queries.
    for (auto& db : m_temporaries) db->close();
    m_temporaries.clear();
    // A named connection outliving the session is closed and forgets it.
    for (Connection* db : m_connections) {
        db->close();
        db->m_registered = false;
    }
}

void Session::start()
{
    if (m_started) return;
    reloadConfig();
    m_started = true;
}

void Session::reloadConfig()
{
    m_config = m_configFile ? EngineConfig::load(*m_configFile) : EngineConfig::loadDefault();
}

const AliasConfig* Session::findAlias(std::string_view name) const
{
    for (const auto& a : m_sessionAliases)
        if (equalsAnsiNoCase(a.name, name)) return &a;
    return m_config.findAlias(name);
}

void Session::addSessionAlias(AliasConfig alias)
{
    removeSessionAlias(alias.name);
    m_sessionAliases.push_back(std::move(alias));
}

void Session::removeSessionAlias(std::string_view name)
{
    std::erase_if(m_sessionAliases, [&](const AliasConfig& a) { return equalsAnsiNoCase(a.name, name); });
}

Connection* Session::findConnection(std::string_view name) const
{
    for (Connection* db : m_connections)
        if (equalsAnsiNoCase(db->connectionName(), name)) return db;
    return nullptr;
}

Connection& Session::openConnection(const std::string& name)
{
    Connection* db = findConnection(name);
    if (!db) {
        auto temporary = std::make_unique<Connection>(*this, name);
        temporary->m_temporary = true;
        // A failed first opening leaves no connection behind; the next try starts afresh.
        temporary->open();
        m_temporaries.push_back(std::move(temporary));
        return *m_temporaries.back();
    }
    if (!db->connected()) db->open();
    return *db;
}

void Session::registerConnection(Connection* db) { m_connections.push_back(db); }

void Session::unregisterConnection(Connection* db) { std::erase(m_connections, db); }

} // namespace rk::source
