// MainWindow's access check of the source, and the first start: where the
// alias DBRK is not configured, or its folder has gone (a USB stick not
// plugged in, a renamed folder), a person at the screen chooses the folder
// of the old data; it is recorded in the user's own configuration file and
// the check runs again. Unattended runs never ask: they are told "Kein
// Zugriff auf RK5 Daten." as before, with the reason on standard error.
#include <QGuiApplication>

#include "app/MainWindow.h"
#include "app/shell/Headless.h"
#include "db/common/Ansi.h"
#include "db/common/Exception.h"

namespace rk::app {

namespace {

std::string messageOf(const std::exception& error)
{
    if (const auto* own = dynamic_cast<const rk::Exception*>(&error)) return own->message();
    return error.what();
}

// Line breaks become "; " so that a message stays one line of a log.
std::string oneLine(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\r' || text[i] == '\n')
            out += "; ";
        else
            out += text[i];
    }
    return out;
}

std::string tableList(const std::vector<std::string>& tables)
{
    std::string out;
    for (const std::string& t : tables) out += (out.empty() ? "" : ", ") + t + ".DB";
    return out;
}

// What is wrong with the folder the configuration names, and what to do.
std::string configuredTroubleText(const SourceTrouble& t, const std::string& configFile)
{
    std::string what;
    switch (t.kind) {
    case SourceTrouble::Kind::NoAlias:
    case SourceTrouble::Kind::NoPath:
        what = ansi("Für die Ravelkamp-5-Daten (Alias DBRK) ist kein Ordner eingetragen.");
        break;
    case SourceTrouble::Kind::FolderMissing:
        what = ansiFormat("Der Ordner der Ravelkamp-5-Daten (Alias DBRK) ist nicht vorhanden:\n%s\n"
                          "Ist ein USB-Stick nicht eingesteckt oder der Ordner umbenannt?",
                          t.folder);
        break;
    case SourceTrouble::Kind::FolderUnreadable:
        what = ansiFormat("Der Ordner der Ravelkamp-5-Daten (Alias DBRK) ist nicht lesbar:\n%s", t.folder);
        break;
    case SourceTrouble::Kind::TablesMissing:
        what = ansiFormat("Im Ordner der Ravelkamp-5-Daten (Alias DBRK) fehlen Tabellen:\n%s\nEs fehlen: %s",
                          t.folder, tableList(t.missingTables));
        break;
    }
    return what + ansiFormat("\nKonfiguration: %s\n\nBitte wählen Sie den Ordner neu.", configFile);
}

// What is wrong with the folder just chosen.
std::string chosenTroubleText(const SourceTrouble& t)
{
    switch (t.kind) {
    case SourceTrouble::Kind::FolderUnreadable:
        return ansiFormat("Der gewählte Ordner ist nicht lesbar:\n%s\n\n"
                          "Bitte wählen Sie den Ordner mit den Ravelkamp-5-Daten.",
                          t.folder);
    case SourceTrouble::Kind::TablesMissing:
        return ansiFormat("Im gewählten Ordner fehlen Tabellen der Ravelkamp-5-Daten:\n%s\nEs fehlen: %s\n\n"
                          "Bitte wählen Sie den Ordner, in dem diese Tabellen liegen.",
                          t.folder, tableList(t.missingTables));
    case SourceTrouble::Kind::NoAlias:
    case SourceTrouble::Kind::NoPath:
    case SourceTrouble::Kind::FolderMissing: break;
    }
    return ansiFormat("Der gewählte Ordner ist nicht vorhanden:\n%s\n\n"
                      "Bitte wählen Sie den Ordner mit den Ravelkamp-5-Daten.",
                      t.folder);
}

} // namespace

bool MainWindow::personAtScreen() const
{
    return !noOneAtScreen() && !m_options.unattended &&
           QGuiApplication::platformName() != QLatin1String("offscreen");
}

std::optional<std::string> MainWindow::openSource()
{
    try {
        m_parts->openSourceConnection();
        return std::nullopt;
    } catch (const std::exception& error) {
        if (m_parts->sourceConnected()) throw;
        return messageOf(error);
    }
}

void MainWindow::checkSourceAccess()
{
    // The source connection is configured by alias alone, so the log gets no
    // parameter lines afterwards.
    std::optional<std::string> reason = openSource();
    SourceSetup* setup = personAtScreen() ? m_parts->sourceSetup() : nullptr;
    if (setup) reason = setUpSource(*setup, reason);
    if (!reason) return;
    // The box says only that access failed; a caller's log needs why.
    writeStderrLine(ansi("Kein Zugriff auf RK5 Daten, Grund: ") + oneLine(*reason));
    // Someone who could not choose a folder reads the reason on the screen.
    if (personAtScreen() && !setup) showMessage(*reason, MsgKind::Information);
    showMessage(ansi("Kein Zugriff auf RK5 Daten."), MsgKind::Information);
    closeWindow();
}

std::optional<std::string> MainWindow::setUpSource(SourceSetup& setup, std::optional<std::string> reason)
{
    const std::optional<SourceTrouble> trouble = setup.configuredTrouble();
    if (!trouble) {
        // Nothing a folder would mend (another driver, say): the reason is shown.
        if (reason) showMessage(*reason, MsgKind::Information);
        return reason;
    }
    const std::string troubleText = configuredTroubleText(*trouble, setup.configFileText());
    // The first start asks at once; a folder that was set and has gone is explained first.
    if (trouble->kind != SourceTrouble::Kind::NoAlias) showMessage(troubleText, MsgKind::Information);
    if (!reason) reason = troubleText;
    for (;;) {
        const std::optional<std::string> folder = chooseSourceFolder(ansi("Ordner mit den Ravelkamp-5-Daten wählen"));
        if (!folder) return reason;
        if (const std::optional<SourceTrouble> wrong = setup.folderTrouble(*folder)) {
            showMessage(chosenTroubleText(*wrong), MsgKind::Information);
            continue;
        }
        try {
            setup.useFolder(*folder);
        } catch (const std::exception& error) {
            showMessage(messageOf(error), MsgKind::Error);
            return messageOf(error);
        }
        return openSource();
    }
}

} // namespace rk::app
