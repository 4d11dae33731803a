// Choosing and opening the target database; see ConnectTargetDatabase.h.
#include "transfer/ConnectTargetDatabase.h"

#include "db/common/Ansi.h"

namespace rk::transfer {

std::vector<std::string> existingFiles(const std::vector<std::string>& args, const FileExistsTest& fileExists)
{
    std::vector<std::string> files;
    for (const std::string& arg : args)
        if (fileExists(arg)) files.push_back(arg);
    return files;
}

void connectTargetDatabase(ConnectWindow& window, TargetConnection& connection, const std::vector<std::string>& args,
                           const FileExistsTest& fileExists)
{
    window.clearLog();
    window.appendLog(ansi("Übertragung von Ravelkamp 5 Daten in die Datenbank der Version VI"));

    // Every argument naming an existing file is announced; the last one wins.
    const std::vector<std::string> files = existingFiles(args, fileExists);
    for (size_t i = 0; i < files.size(); ++i) window.appendLog(ansi("RKVI: Datenbank wird geöffnet ..."));

    if (!files.empty()) {
        const std::string& path = files.back();
        // Not guarded: the caller shows the error, and nothing below runs.
        connection.setDatabaseName(path);
        connection.open();
    } else {
        const std::optional<std::string> chosen = window.chooseTargetFile(
            ansi("Pfad zur Ravelkamp VI Datenbank"), ansi("C:\\Programme\\"), ansi("Datenbank|*.fdb"));
        if (chosen) {
            window.appendLog(ansi("RKVI: Datenbank wird geöffnet ..."));
            connection.setDatabaseName(*chosen);
            try {
                connection.open();
            } catch (...) {
                // The error text is not shown; the program ends.
                window.showMessage(MessageKind::Information, ansi("Kein Zugriff auf RK5 Daten."));
                window.closeWindow();
            }
        }
    }

    if (connection.connected()) window.appendLog(ansi("RKVI: Datenbank geöffnet!"));
    if (!connection.connected()) window.showMessage(MessageKind::Error, ansi("Keine Verbindung zur RK VI Datenbank!"));
}

} // namespace rk::transfer
