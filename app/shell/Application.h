// The application object: title "RK_VAD2AV", the last-resort catch around
// every event, and the end of the program. main() builds it, creates MainWindow,
// calls SetMainWindow, shows the window and returns Run()'s exit code.
//
// Closing the main window: MainWindow runs commitAndCloseTarget, then Terminate(). The quit
// request is posted; from then on Terminated() is true and every
// ShowMessageBox returns 2 at once. The main loop stops once control is back
// in it (a nested loop that takes the request only records it).
#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <string>

class QEventLoop;

namespace rk::app {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    ~Application() override;

    // The running application, or nullptr when there is none of this kind.
    static Application* instance();
    // The application title, Windows-1252.
    static std::string Title();

    // Last-resort catch: an exception escaping an event is shown by
    // ShowErrorBox and the event counts as handled.
    bool notify(QObject* receiver, QEvent* event) override;

    // The window whose stay-on-top state is given up while a box is open.
    void SetMainWindow(QWidget* window);
    QWidget* MainWindow() const;

    // Posts the quit request (once); harmless to call again.
    void Terminate();
    // The end has been requested; stays so.
    bool Terminated() const;

    // An end signal (SIGTERM, SIGINT, SIGHUP) was taken: from then on no box
    // and no dialog waits for anyone, error boxes included. Stays so.
    void SetEndSignalled();
    bool EndSignalled() const;

    // The code Run() returns: 0 by default.
    void SetExitCode(int code);
    int ExitCode() const;

    // The main loop until the quit request is taken; returns ExitCode().
    int Run();

protected:
    bool event(QEvent* event) override;

private:
    QPointer<QWidget> m_mainWindow;
    QEventLoop* m_mainLoop = nullptr;
    bool m_terminated = false;
    bool m_endSignalled = false;
    bool m_quitTaken = false;
    int m_exitCode = 0;
};

} // namespace rk::app
