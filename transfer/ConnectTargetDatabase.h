// connectTargetDatabase: choose the target database file (command line or
// file dialog) and open the connection, at the start of every transfer run.
// It reaches the window and the connection through the two narrow ports
// below; the real ones wrap MainWindow and the target connection, tests use recorders and
// a real connection.
//
//   connectTargetDatabase(window, connection, args, fileExists);
//   if (!connection.connected()) return;   // the run does not start
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rk::transfer {

enum class MessageKind { Information, Error };

// What the operation needs of the main window.
class ConnectWindow {
public:
    virtual ~ConnectWindow() = default;
    virtual void clearLog() = 0;
    virtual void appendLog(const std::string& line) = 0;
    // Runs the file dialog modally; the chosen file, or nothing when cancelled.
    virtual std::optional<std::string> chooseTargetFile(const std::string& title, const std::string& initialDir,
                                                     const std::string& filter) = 0;
    // A modal box with one "OK" button.
    virtual void showMessage(MessageKind kind, const std::string& text) = 0;
    // Closes the main window, which ends the program.
    virtual void closeWindow() = 0;
};

// What it needs of the target connection.
class TargetConnection {
public:
    virtual ~TargetConnection() = default;
    // Fails while connected to another path (EIBClientError).
    virtual void setDatabaseName(const std::string& path) = 0;
    virtual void open() = 0;
    virtual bool connected() const = 0;
};

using FileExistsTest = std::function<bool(const std::string&)>;

// Every argument that names an existing file, in order; the last one is the
// target database.
std::vector<std::string> existingFiles(const std::vector<std::string>& args, const FileExistsTest& fileExists);

// `args` are the command-line arguments after the program name. Errors of
// a path from the command line, and of naming another file while connected,
// reach the caller; a failing open of a file from the dialog is answered
// with a box and the end of the program.
void connectTargetDatabase(ConnectWindow& window, TargetConnection& connection, const std::vector<std::string>& args,
                           const FileExistsTest& fileExists);

} // namespace rk::transfer
