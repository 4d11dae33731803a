// Start-up order: locale formats, application (title "RK_VAD2AV"), engine
// session, MainWindow (whose creation loads the Firebird client), show, activate,
// the main loop. An error escaping creation is shown in the start-up error
// box and ends the process with 1.
//
// A signal asking the process to end (SIGTERM, SIGINT, SIGHUP) counts as
// closing the main window from outside, as a task bar would: commitAndCloseTarget
// commits and closes the target, and any box still open is dismissed, since
// nobody is there to answer it (a headless caller has no other way out).
// During a transfer run the signal stops the run after its current row or
// purge statement instead, and the window closes then. A signal the GUI
// thread does not take within a few seconds, or a second one, ends the
// process with 2 (EndSignalWatch.h).
//
// Without a display an unattended run goes on Qt's offscreen platform; a
// run that needs a person ends with 1. On that platform nobody can answer
// a box or the file dialog, so each is answered at once (see Headless.h).
#include "app/Startup.h"

#include <QApplication>
#include <QDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CheckCommand.h"
#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "app/MainWindow.h"
#include "app/RealDatabaseParts.h"
#include "app/shell/Application.h"
#include "app/shell/EndSignalWatch.h"
#include "app/shell/ErrorDisplay.h"
#include "app/shell/Headless.h"
#include "app/shell/MessageForm.h"
#include "app/shell/StderrLog.h"
#include "db/common/Ansi.h"
#include "db/firebird/LockFolder.h"
#include "db/paradox/Session.h"
#include "locale/LocaleFormats.h"

namespace rk::app {

namespace {

// Turns end signals into an event of the GUI thread: the main window's
// close operation once there is a window (or the end of its run), then every
// open box and dialog is ended. The signals themselves are taken by the
// watch's thread (see EndSignalWatch.h), which also ends the process when
// the GUI thread is blocked and does not get to them.
class EndSignalBridge {
public:
    // Before any thread exists, so that every later thread inherits the mask.
    EndSignalBridge() = default;
    ~EndSignalBridge() { m_notifier.reset(); }

    // Once the application exists: signals become events of its loop.
    void listen()
    {
        if (m_watch.notifyFd() < 0) return;
        m_notifier = std::make_unique<QSocketNotifier>(m_watch.notifyFd(), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            m_watch.drainNotify();
            endRequestTaken();
            if (Application* app = Application::instance()) app->setEndSignalled();
            if (m_window) guarded([this] { m_window->endSignal(); });
            dismissOpenDialogs();
        });
    }

    void setWindow(MainWindow* window) { m_window = window; }

private:
    static void dismissOpenDialogs()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            if (auto* box = qobject_cast<MessageForm*>(w))
                box->finish(mrCancel);
            else if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isModal())
                dialog->reject(); // the file dialog: as if cancelled
        }
    }

    EndSignalWatch m_watch;
    std::unique_ptr<QSocketNotifier> m_notifier;
    MainWindow* m_window = nullptr;
};

// The embedded engine's lock folder, before the engine is loaded: see
// db/firebird/LockFolder.h.
void useWorkingLockFolder()
{
    const target::LockFolderChoice choice =
        target::chooseLockFolder(std::getenv("FIREBIRD_LOCK"), target::kDefaultLockFolder, target::findEngineConfigs(),
                                 target::ownLockFolderPath());
    if (choice.useInstead) ::setenv("FIREBIRD_LOCK", choice.useInstead->c_str(), 1);
}

} // namespace

std::string usageText()
{
    return "Aufruf: rk_vad2av [-auto] [-nomessage] [-id:KENNUNG] [DATENBANK.fdb]\n"
           "       rk_vad2av --check [DATENBANK.fdb] [--json]\n"
           "\n"
           "Überträgt die Daten des Ravelkamp 5 (Paradox-Tabellen des Alias DBRK)\n"
           "in die Importtabellen einer Ravelkamp-VI-Datenbank.\n"
           "\n"
           "  -auto          Übertragung ohne Bedienung, 500 ms nach dem Start\n"
           "  -nomessage     mit -auto: kleines, durchscheinendes Fenster, keine Schlussmeldung\n"
           "  -id:KENNUNG    Auftragskennung für den Protokollsatz (höchstens 32 Zeichen)\n"
           "  DATENBANK.fdb  Zieldatenbank; ohne Angabe wird sie im Dateidialog gewählt\n"
           "  --check        nur prüfen, nichts schreiben: was ausgelassen würde, was eine\n"
           "                 Übertragung abbrechen würde; mit DATENBANK auch, ob ihre\n"
           "                 Importtabellen genau die Quelldaten enthalten (ohne Fenster)\n"
           "  --json         mit --check: Ergebnis als JSON Lines\n"
           "  --help         diese Hilfe\n"
           "  --version      die Versionsnummer\n"
           "\n"
           "Ende: 0 nach vollständiger Übertragung, 2 nach Fehler oder ohne Übertragung\n"
           "bei -auto, 1 wenn das Programm nicht starten konnte.\n"
           "Mit --check: 0 alles in Ordnung, 2 Probleme oder Unterschiede, 1 Prüfung nicht möglich.\n"
           "Ohne Bildschirm läuft -auto ohne Fenster (Plattform offscreen).\n";
}

bool loadQtTranslations(QTranslator& translator)
{
    return translator.load(QLocale(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

std::string versionText() { return RK_VERSION "\n"; }

int runProgram(int argc, char** argv)
{
    // A caller's closed pipe must not end the program (`--help | head -1` included).
    ignoreBrokenPipes();
    const Arguments arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    switch (readInfoRequest(arguments)) {
    case InfoRequest::Help: std::fputs(usageText().c_str(), stdout); return 0;
    case InfoRequest::Version: std::fputs(versionText().c_str(), stdout); return 0;
    case InfoRequest::None: break;
    }
    // Before the engine loads, for the check as for a run.
    useWorkingLockFolder();
    // The check needs no window and no display: it runs before Qt starts.
    if (const std::optional<CheckRequest> check = readCheckRequest(arguments)) return runCheck(*check);

    // Before any thread: the end signals are watched from here on, the
    // display check included.
    stderrLog();
    EndSignalBridge endSignals;

    switch (chooseDisplay(hasAutoSwitch(arguments))) {
    case DisplayChoice::AsIs: break;
    case DisplayChoice::Wayland: qputenv("QT_QPA_PLATFORM", "wayland"); break;
    case DisplayChoice::Offscreen:
        qputenv("QT_QPA_PLATFORM", "offscreen");
        writeStderrLine(ansi("Kein Bildschirm erreichbar: die Übertragung läuft ohne Fenster."));
        break;
    case DisplayChoice::NoDisplay:
        for (const QString& line : QString::fromStdString(noDisplayText()).split('\n', Qt::SkipEmptyParts))
            stderrLog().writeLine(line.toStdString());
        return kExitStartupFailed;
    }

    locale::loadLocaleFormats();
    dropOffscreenPlatformNoise();
    Application app(argc, argv);
    setNoOneAtScreen(QGuiApplication::platformName() == QLatin1String("offscreen"));
    QTranslator qtTranslations; // the file dialog's own texts
    if (loadQtTranslations(qtTranslations)) app.installTranslator(&qtTranslations);
    endSignals.listen();
    source::Session session;

    std::unique_ptr<MainWindow> window;
    try {
        window = std::make_unique<MainWindow>(arguments,
                                              [&session](MainWindow& w) { return makeDatabaseParts(w, session); });
    } catch (const std::exception& error) {
        showStartupErrorBox(error);
        return kExitStartupFailed;
    }

    endSignals.setWindow(window.get());
    app.setMainWindow(window.get());
    window->show();
    window->activateWindow();
    app.run();
    const int code = window->exitCode();
    endSignals.setWindow(nullptr);
    window.reset();
    return code;
}

} // namespace rk::app
