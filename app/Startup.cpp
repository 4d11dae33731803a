// Start-up order: locale formats, application (title "RK_VAD2AV"), engine
// session, Form1 (whose creation loads the Firebird client), show, activate,
// the main loop. An error escaping creation is shown in the start-up error
// box and ends the process with 1.
//
// A signal asking the process to end (SIGTERM, SIGINT, SIGHUP) counts as
// closing the main window from outside, as a task bar would: FormClose
// commits and closes the target, and any box still open is dismissed, since
// nobody is there to answer it (a headless caller has no other way out).
#include "app/Startup.h"

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/RealFormParts.h"
#include "app/shell/Application.h"
#include "app/shell/ErrorDisplay.h"
#include "app/shell/MessageForm.h"
#include "db/source/Session.h"
#include "transfer/locale/LocaleFormats.h"

namespace rk::app {

namespace {

int g_signalPipe[2] = {-1, -1};

void onEndSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// Turns end signals into an event of the GUI thread.
class EndSignalBridge {
public:
    explicit EndSignalBridge(TForm1& form)
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
        m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [&form] {
            char byte = 0;
            [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
            Guarded([&form] { form.Close(); });
            dismissOpenBoxes();
        });
        struct sigaction action {};
        action.sa_handler = onEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
    }
    ~EndSignalBridge()
    {
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) std::signal(sig, SIG_DFL);
        m_notifier.reset();
        for (int& fd : g_signalPipe)
            if (fd >= 0) ::close(fd), fd = -1;
    }

private:
    static void dismissOpenBoxes()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<TMessageForm*>(w); box && box->isVisible()) box->Finish(mrCancel);
    }

    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace

std::string UsageText()
{
    return "Aufruf: rk_vad2av [-auto] [-nomessage] [-id:KENNUNG] [DATENBANK.fdb]\n"
           "\n"
           "Überträgt die Daten des Ravelkamp 5 (Paradox-Tabellen des Alias DBRK)\n"
           "in die Importtabellen einer Ravelkamp-VI-Datenbank.\n"
           "\n"
           "  -auto          Übertragung ohne Bedienung, 500 ms nach dem Start\n"
           "  -nomessage     mit -auto: kleines, durchscheinendes Fenster, keine Schlussmeldung\n"
           "  -id:KENNUNG    Auftragskennung für den Protokollsatz (höchstens 32 Zeichen)\n"
           "  DATENBANK.fdb  Zieldatenbank; ohne Angabe wird sie im Dateidialog gewählt\n"
           "  --help         diese Hilfe\n"
           "  --version      die Versionsnummer\n"
           "\n"
           "Ende: 0 nach vollständiger Übertragung, 2 nach Fehler oder ohne Übertragung\n"
           "bei -auto, 1 wenn das Programm nicht starten konnte.\n"
           "Ohne Bildschirm: QT_QPA_PLATFORM=offscreen setzen.\n";
}

std::string VersionText() { return "1.0.5.2\n"; }

int RunProgram(int argc, char** argv)
{
    const Arguments arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    switch (ReadInfoRequest(arguments)) {
    case InfoRequest::Help: std::fputs(UsageText().c_str(), stdout); return 0;
    case InfoRequest::Version: std::fputs(VersionText().c_str(), stdout); return 0;
    case InfoRequest::None: break;
    }

    locale::LoadLocaleFormats();
    Application app(argc, argv);
    source::Session session;

    std::unique_ptr<TForm1> form;
    try {
        form = std::make_unique<TForm1>(arguments, [&session](TForm1& f) { return MakeRealFormParts(f, session); });
    } catch (const std::exception& error) {
        ShowStartupErrorBox(error);
        return kExitStartupFailed;
    }

    EndSignalBridge endSignals(*form);
    app.SetMainWindow(form.get());
    form->show();
    form->activateWindow();
    app.Run();
    const int code = form->ExitCode();
    form.reset();
    return code;
}

} // namespace rk::app
