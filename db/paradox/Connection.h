// A named connection of the source engine (the one the window opens at
// start-up, or the temporary connection "DBRK" of the source query). Opening resolves its alias to the folder of
// Paradox tables; each opening of a query makes its own SQL side over them
// (detail::SqlConnection), so that it reads the files as they are then. A
// connection whose name differs from its alias
// registers a session alias under its own name while it is open.
//
//   Connection connection(session, names::kSourceConnection, names::kSourceAlias);
//   connection.open();          // the access check; EDBEngineError when it fails
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/paradox/reader/ParadoxTable.h"

namespace rk::source {

class Session;

// What a dataset (query or table) must do when its connection closes.
class DatasetLink {
public:
    virtual void connectionClosing() = 0;

protected:
    ~DatasetLink() = default;
};

class Connection {
public:
    // An empty alias means the name itself is the alias.
    Connection(Session& session, std::string databaseName, std::string aliasName = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& connectionName() const { return m_databaseName; }
    const std::string& aliasName() const { return m_aliasName; }
    const std::string& sessionName() const;
    bool temporary() const { return m_temporary; }

    // Does nothing when connected. Errors: EDBEngineError with the engine's text.
    void open();
    // Closes the datasets that use it, then the connection.
    void close();
    bool connected() const { return m_connected; }

    // Valid while connected.
    const std::filesystem::path& folder() const { return m_folder; }
    const paradox::OpenOptions& openOptions() const { return m_options; }

    void attach(DatasetLink* dataset);
    void detach(DatasetLink* dataset);
    int datasetCount() const { return static_cast<int>(m_datasets.size()); }

private:
    friend class Session;
    Session& m_session;
    std::string m_databaseName;
    std::string m_aliasName;
    bool m_temporary = false;
    bool m_connected = false;
    bool m_ownsSessionAlias = false;
    bool m_registered = true; // false once the session has gone first
    std::filesystem::path m_folder;
    paradox::OpenOptions m_options;
    std::vector<DatasetLink*> m_datasets;
};

} // namespace rk::source
