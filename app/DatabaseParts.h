// The objects MainWindow owns besides its controls: the target connection, its
// transaction and statement, the source connection, query and table. The
// real set (RealDatabaseParts.h) wraps the database layers; tests give MainWindow
// recorders instead, so the window can be exercised without any database.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "transfer/TransferPorts.h"

namespace rk::app {

// What keeps an alias folder from being used (texts Windows-1252).
struct SourceTrouble {
    enum class Kind { NoAlias, NoPath, FolderMissing, FolderUnreadable, TablesMissing };
    Kind kind = Kind::NoAlias;
    std::string folder;
    std::vector<std::string> missingTables;
};

// The source's folder as a person at the screen puts it right: checked,
// chosen, recorded in the user's own configuration file.
class SourceSetup {
public:
    virtual ~SourceSetup() = default;
    // The configuration file the alias was looked up in, for the texts.
    virtual std::string configFileText() = 0;
    // What keeps the alias, as configured now, from being used.
    virtual std::optional<SourceTrouble> configuredTrouble() = 0;
    // What is wrong with `folder` (bytes of the file system) as its folder.
    virtual std::optional<SourceTrouble> folderTrouble(const std::string& folder) = 0;
    // Closes the source connection, records `folder` for the alias in the
    // user's own file and reads the configuration again. Errors: the
    // engine's, with a German text.
    virtual void useFolder(const std::string& folder) = 0;
};

class DatabaseParts {
public:
    virtual ~DatabaseParts() = default;

    // Target side: the statement, its transaction and the connection.
    virtual transfer::TargetStatement& targetStatement() = 0;
    virtual transfer::TargetTransaction& targetTransaction() = 0;
    // Opens the target database at the start of a run; talks to the user
    // through the window it was made for (log, dialog, boxes, close).
    virtual void connectTarget() = 0;
    virtual bool targetConnected() = 0;
    // Closes the connection: commits a still active transaction in forced mode,
    // then detaches; may throw when the detach fails.
    virtual void closeTarget() = 0;

    // Source side: the connection of the access check, the query, and the
    // table of the column listing.
    virtual transfer::SourceQuery& sourceQuery() = 0;
    // Opens the source connection: the access check of checkSourceAccess.
    virtual void openSourceConnection() = 0;
    virtual bool sourceConnected() = 0;
    // Null where the folder cannot be set up at the screen: no user file can
    // be named, or the configuration is a file given for this run.
    virtual SourceSetup* sourceSetup() { return nullptr; }
    // Opens the listing table ("BILDER.DB"; it stays open) and gives the names of its
    // column descriptions, as many as the table has fields.
    virtual std::vector<std::string> columnListFieldNames() = 0;

    virtual transfer::Clock& clock() = 0;
};

} // namespace rk::app
