// The embedded engine's lock folder (FIREBIRD_LOCK, by default
// /tmp/firebird). The first account that uses the engine makes the folder
// and its files for itself and its group; every other account is then
// refused with "operating system directive access failed". Two engines
// that open one database file with different lock folders would not see
// each other's locks; that is safe only where every engine takes the
// database file for itself (ServerMode Super, the default: the second
// engine gets "Database already opened with engine instance").
//
//   const LockFolderChoice c = chooseLockFolder(std::getenv("FIREBIRD_LOCK"), kDefaultLockFolder,
//                                               findEngineConfigs(), ownLockFolderPath());
//   if (c.useInstead) setenv("FIREBIRD_LOCK", c.useInstead->c_str(), 1);
//
// So: a folder the caller names is kept; the default folder is kept while
// this account can use it; otherwise, where the engine takes database files
// for itself, the account gets a lock folder of its own; else the folder
// stays and a refused open gets lockFolderProblemText before the engine's.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rk::target {

inline constexpr const char* kDefaultLockFolder = "/tmp/firebird";

// Whether this account can keep its locks in `folder`: it does not exist
// yet, or it is a folder the account may write and enter whose files it may
// read and write.
bool lockFolderUsable(const std::string& folder);

// Whether the engine configuration text makes the engine take each
// database file for itself (no ServerMode line, "Super", "ThreadedDedicated").
bool serverModeTakesFileAlone(const std::string& configText);

// The engine configuration files the embedded engine may read: the one in
// the folder named by FIREBIRD, else those of the installed versions.
std::vector<std::string> findEngineConfigs();

struct LockFolderChoice {
    std::string folder;                    // the folder the engine will use
    std::optional<std::string> useInstead; // to be set as FIREBIRD_LOCK
};

// `named`: FIREBIRD_LOCK, or null; `defaultFolder`: the engine's default
// (kDefaultLockFolder); `ownFolder`: this account's own folder.
LockFolderChoice chooseLockFolder(const char* named, const std::string& defaultFolder,
                                  const std::vector<std::string>& engineConfigs, const std::string& ownFolder);

// $XDG_RUNTIME_DIR/firebird when that folder is this account's, else
// /tmp/firebird-<uid>.
std::string ownLockFolderPath();

// Makes `folder` for this account alone (0700); false when it exists and
// is not a folder of this account that only it may write.
bool makeOwnLockFolder(const std::string& folder);

// Windows-1252: what is wrong with `folder` (owner, group) and what the
// administrator does.
std::string lockFolderProblemText(const std::string& folder);

} // namespace rk::target
