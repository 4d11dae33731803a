// German texts of the source engine's errors (see EngineError.h).
#include "db/paradox/EngineError.h"

#include <string_view>

#include "db/common/Ansi.h"

namespace rk::source {

void throwObjectError(const std::string& objectName, const std::string& text)
{
    throw EDatabaseError(objectName + ": " + text);
}

namespace engine_text {
namespace {

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

} // namespace

std::string aliasUnknown(const std::string& alias, const std::string& configFile)
{
    return ansiFormat("Unbekannter Alias: %s\n%s", alias, configFile);
}

std::string configFileLine(const std::string& configFile, bool found, bool exists)
{
    if (configFile.empty()) return ansi("Konfiguration: (keine)");
    if (found) return ansiFormat("Konfiguration: %s", configFile);
    return ansiFormat(exists ? "Konfiguration: %s (nicht lesbar)" : "Konfiguration: %s (nicht gefunden)", configFile);
}

std::string aliasWithoutPath(const std::string& alias)
{
    return ansiFormat("Für den Alias %s ist kein Verzeichnis (PATH) eingetragen.", alias);
}

std::string driverUnsupported(const std::string& alias, const std::string& driver)
{
    return ansiFormat("Der Treiber %s des Alias %s wird nicht unterstützt.", driver, alias);
}

std::string folderMissing(const std::string& alias, const std::string& folder)
{
    return ansiFormat("Das Verzeichnis des Alias %s ist nicht vorhanden oder nicht lesbar.\nVerzeichnis: %s", alias,
                      folder);
}

std::string tableMissing(const std::string& table, const std::string& folder)
{
    return ansiFormat("Die Tabelle %s wurde nicht gefunden.\nVerzeichnis: %s", table, folder);
}

std::string statementNotAllowed()
{
    return ansi("Die SQL-Anweisung ist nicht zulässig: die Quelldaten werden nur gelesen.");
}

std::string oneStatementOnly()
{
    return ansi("Die SQL-Anweisung enthält mehr als eine Anweisung.");
}

std::string noResultSet() { return ansi("Fehler beim Erstellen des Cursor-Handle"); }

std::string fromSqlite(const std::string& m)
{
    if (startsWith(m, "no such column: "))
        return ansiFormat("Unbekanntes Feld in der SQL-Anweisung: %s", m.substr(16));
    if (startsWith(m, "ambiguous column name: "))
        return ansiFormat("Mehrdeutiger Feldname in der SQL-Anweisung: %s", m.substr(23));
    if (startsWith(m, "near \"")) {
        const size_t end = m.find("\": syntax error");
        if (end != std::string::npos)
            return ansiFormat("Syntaxfehler in der SQL-Anweisung bei: %s", m.substr(6, end - 6));
    }
    if (m == "incomplete input") return ansi("Die SQL-Anweisung ist unvollständig.");
    const std::string_view readOnly = " may not be modified";
    if (m == "not authorized" || (m.size() > readOnly.size() && m.ends_with(readOnly))) return statementNotAllowed();
    if (startsWith(m, "interrupted")) return ansi("Die Abfrage wurde abgebrochen.");
    if (m == "out of memory") return ansi("Nicht genügend Arbeitsspeicher für die Abfrage.");
    // Anything else keeps SQLite's own words after a German first line.
    return ansi("Fehler in der SQL-Anweisung:") + "\n" + m;
}

} // namespace engine_text
} // namespace rk::source
