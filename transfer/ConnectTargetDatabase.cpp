// Choosing and opening the target database; see ConnectTargetDatabase.h.
#include "transfer/ConnectTargetDatabase.h"

#include "db/common/Ansi.h"

namespace rk::transfer {

void ConnectTargetDatabase(ConnectWindow& window, TargetConnection& connection, const std::vector<std::string>& args,
                           const FileExistsTest& fileExists)
{
    window.LogClear();
    window.LogAppend(ansi("Übertragung von Ravelkamp 5 Daten in die Datenbank der Version VI"));

    // Every argument naming an existing file is announced; the last one wins.
    std::string path;
    for (const std::string& arg : args) {
        if (fileExists(arg)) {
            path = arg;
            window.LogAppend(ansi("RKVI: Datenbank wird geöffnet ..."));
        }
    }

    if (!path.empty()) {
        // Not guarded: the caller shows the error, and nothing below runs.
        connection.SetDatabaseName(path);
        connection.Open();
    } else {
        const std::optional<std::string> chosen = window.RunOpenDialog(
            ansi("Pfad zur Ravelkamp VI Datenbank"), ansi("C:\\Programme\\"), ansi("Datenbank|*.fdb"));
        if (chosen) {
            window.LogAppend(ansi("RKVI: Datenbank wird geöffnet ..."));
            connection.SetDatabaseName(*chosen);
            try {
                connection.Open();
            } catch (...) {
                // The error text is not shown; the program ends.
                window.ShowMessage(MessageKind::Information, ansi("Kein Zugriff auf RK5 Daten."));
                window.CloseWindow();
            }
        }
    }

    if (connection.Connected()) window.LogAppend(ansi("RKVI: Datenbank geöffnet!"));
    if (!connection.Connected()) window.ShowMessage(MessageKind::Error, ansi("Keine Verbindung zur RK VI Datenbank!"));
}

} // namespace rk::transfer
