// The file and folder dialogs; see FileDialogs.h.
#include "app/FileDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

#include "app/shell/Application.h"
#include "app/shell/Headless.h"
#include "db/common/Ansi.h"

namespace rk::app {

namespace {

QString qtText(const std::string& ansiText) { return QString::fromStdString(rk::toUtf8(ansiText)); }

bool endSignalled()
{
    const Application* app = Application::instance();
    return app && app->endSignalled();
}

} // namespace

QString qtFileFilter(const std::string& filter)
{
    // "Name|pattern|Name|pattern" becomes "Name (pattern);;Name (pattern)".
    const QStringList parts = qtText(filter).split('|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    return entries.join(";;");
}

std::optional<std::string> chooseFileToOpen(QWidget* parent, const std::string& title, const std::string& initialDir,
                                            const std::string& filter)
{
    if (noOneAtScreen()) {
        writeStderrLine(rk::ansi("Dateidialog: ") + title +
                        rk::ansi(" (abgebrochen: ohne Bildschirm kann niemand eine Datei wählen)"));
        return std::nullopt;
    }
    if (endSignalled()) return std::nullopt;
    // A folder that does not exist here (a drive letter, say) would end up
    // in the name field; the dialog then starts in the home folder.
    QString folder = qtText(initialDir);
    if (!QDir(folder).exists()) folder = QDir::homePath();
    QFileDialog dialog(parent, qtText(title), folder, qtFileFilter(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    // A path is bytes for the file system, like a path from the command line.
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

std::optional<std::string> chooseFolder(const std::string& title)
{
    if (noOneAtScreen() || endSignalled()) return std::nullopt;
    // The platform's folder dialog where it has one; an end signal rejects
    // the program's own (Startup.cpp).
    const QString folder =
        QFileDialog::getExistingDirectory(nullptr, qtText(title), QDir::homePath(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return QFile::encodeName(folder).toStdString();
}

} // namespace rk::app
