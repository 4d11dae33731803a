// The two file-system dialogs of the program: the target database file and
// the old data's folder. Where nobody sits at the screen, or after an end
// signal, neither opens: the answer is "cancelled" at once.
//
//   auto file = chooseFileToOpen(window, title, "C:\\Programme\\", "Datenbank|*.fdb");
#pragma once

#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace rk::app {

// A filter in the "Name|pattern" form of the old dialogs, as Qt writes it.
QString qtFileFilter(const std::string& filter);

// An existing file; texts Windows-1252, `filter` as "Datenbank|*.fdb" (name
// and pattern pairs). A folder that does not exist here starts the dialog
// in the home folder. The chosen file (bytes of the file system), or
// nothing when cancelled.
std::optional<std::string> chooseFileToOpen(QWidget* parent, const std::string& title, const std::string& initialDir,
                                            const std::string& filter);

// A folder, starting in the home folder; the chosen folder (bytes of the
// file system), or nothing.
std::optional<std::string> chooseFolder(const std::string& title);

} // namespace rk::app
