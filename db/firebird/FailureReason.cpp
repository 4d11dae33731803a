// See FailureReason.h. The engine's texts are matched by the parts that
// stay the same across its versions and languages of the system.
#include "db/firebird/FailureReason.h"

#include <cstdlib>

#include "db/common/Ansi.h"
#include "db/firebird/LockFolder.h"

namespace rk::target {

namespace {

bool has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

} // namespace

std::optional<std::string> failureReason(const std::string& engineText, const std::string& lockFolder)
{
    if (has(engineText, "operating system directive") && !lockFolder.empty() && has(engineText, lockFolder.c_str()))
        return lockFolderProblemText(lockFolder);
    if (has(engineText, "no permission for read-write access"))
        return ansi("Die Zieldatenbank lässt sich nicht beschreiben: die Datei oder ihr Ordner ist schreibgeschützt "
                    "oder gehört einem anderen Konto. Schreibrechte für dieses Konto einrichten (lassen) und die "
                    "Übertragung wiederholen.");
    if (has(engineText, "is not a valid database") || has(engineText, "File size is less than expected") ||
        has(engineText, "unsupported on-disk structure"))
        return ansi("Die angegebene Datei ist keine Datenbank von RK VI (keine Firebird-Datenbank, zu kurz oder "
                    "beschädigt). Die richtige Datenbankdatei angeben.");
    if (has(engineText, "already opened with engine instance") || has(engineText, "lock time-out"))
        return ansi("Die Zieldatenbank ist von einem anderen Programm geöffnet (dem Firebird-Server oder einer "
                    "zweiten Übertragung). Das andere Programm beenden und die Übertragung wiederholen.");
    if (has(engineText, "Table unknown") || has(engineText, "Column unknown"))
        return ansi("In der Zieldatenbank fehlt eine Importtabelle oder eine ihrer Spalten (IMPORT_RK5_...): die "
                    "Datenbank passt nicht zu dieser Übertragung. Die Datenbank mit RK VI auf den neuesten Stand "
                    "bringen oder die richtige angeben.");
    return std::nullopt;
}

std::string lockFolderInUse()
{
    const char* named = std::getenv("FIREBIRD_LOCK");
    return named && *named ? named : kDefaultLockFolder;
}

} // namespace rk::target
