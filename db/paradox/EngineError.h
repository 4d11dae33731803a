// Errors of the source engine and their German texts. Engine errors carry
// the engine's own text, lines joined by line breaks; errors of a data
// object (PDXQ1, Table1) carry the object's name first, "%s: %s". Errors of
// the Paradox reader keep the reader's own message and kind.
#pragma once

#include <string>

#include "db/common/Exception.h"

namespace rk::source {

RK_DECLARE_ERROR(EDBEngineError, EDatabaseError);

// "%s: %s" of the object name and the Windows-1252 text.
[[noreturn]] void throwObjectError(const std::string& objectName, const std::string& text);

// The engine's texts for its own failures; every argument is Windows-1252.
namespace engine_text {
std::string aliasUnknown(const std::string& alias, const std::string& configFile);
// The configuration file an access failure was judged by:
// "Konfiguration: <file>", with " (nicht gefunden)" / " (nicht lesbar)"
// when it was not read, or "(keine)" when no file could be named. When no
// file was found, `configFile` lists every place looked at, joined by ", ".
std::string configFileLine(const std::string& configFile, bool found, bool exists);
std::string aliasWithoutPath(const std::string& alias);
std::string driverUnsupported(const std::string& alias, const std::string& driver);
std::string folderMissing(const std::string& alias, const std::string& folder);
std::string tableMissing(const std::string& table, const std::string& folder);
std::string statementNotAllowed();
std::string oneStatementOnly();
std::string noResultSet();
// An SQLite error message turned into the engine's German text.
std::string fromSqlite(const std::string& sqliteMessage);
} // namespace engine_text

} // namespace rk::source
