// The engine session ("Default"): one per process, made before the main
// window and destroyed after it (queries and tables must not outlive it;
// a Connection that does is closed by it). It reads the alias configuration when the
// engine starts (the first connection that opens), holds aliases that exist
// only in this session, and finds connections by name without regard to
// case. A query whose connection name matches no Connection gets a temporary
// connection of that name, owned here and open until the session ends.
//
//   rk::source::Session session;                   // EngineConfig::defaultFile()
//   rk::source::Connection connection(session, names::kSourceConnection, names::kSourceAlias);
//   rk::source::Query query(session, names::kSourceQuery, names::kSourceAlias);
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/paradox/EngineConfig.h"

namespace rk::source {

class Connection;

class Session {
public:
    // Without a file, the engine reads EngineConfig::defaultFile() at start.
    explicit Session(std::string name = "Default", std::optional<std::filesystem::path> configFile = std::nullopt);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& sessionName() const { return m_name; }

    // Starts the engine once; starting it again does nothing.
    void start();
    bool started() const { return m_started; }
    // The configuration read at start (empty before).
    const EngineConfig& config() const { return m_config; }
    // Reads the configuration again, from the same place as at start (a file
    // written since is found); connections opened afterwards see it.
    void reloadConfig();
    // The file given at construction; none when the places of
    // EngineConfig::searchPlaces() are read.
    const std::optional<std::filesystem::path>& configFile() const { return m_configFile; }

    // A session alias by name, else a configured one; null when neither.
    const AliasConfig* findAlias(std::string_view name) const;
    void addSessionAlias(AliasConfig alias);
    void removeSessionAlias(std::string_view name);

    Connection* findConnection(std::string_view name) const;
    // The connection of that name, a new temporary one if none exists,
    // opened if it is not.
    Connection& openConnection(const std::string& name);

private:
    friend class Connection;
    void registerConnection(Connection* db);
    void unregisterConnection(Connection* db);

    std::string m_name;
    std::optional<std::filesystem::path> m_configFile;
    bool m_started = false;
    EngineConfig m_config;
    std::vector<AliasConfig> m_sessionAliases;
    std::vector<Connection*> m_connections;
    std::vector<std::unique_ptr<Connection>> m_temporaries;
};

} // namespace rk::source
