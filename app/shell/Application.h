// The application object: title "RK_VAD2AV", the last-resort catch around
// every event, and the end of the program. Start-up builds it, creates MainWindow,
// calls setMainWindow, shows the window and calls run(); the exit code is the
// window's (app/RunRecord.h).
//
// Closing the main window: MainWindow runs commitAndCloseTarget, then terminate(). The quit
// request is posted; from then on terminated() is true and every
// showMessageBox returns 2 at once. The main loop stops once control is back
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
    static std::string title();

    // Last-resort catch: an exception escaping an event is shown by
    // showErrorBox and the event counts as handled.
    bool notify(QObject* receiver, QEvent* event) override;

    // The window whose stay-on-top state is given up while a box is open.
    void setMainWindow(QWidget* window);
    QWidget* mainWindow() const;

    // Posts the quit request (once); harmless to call again.
    void terminate();
    // The end has been requested; stays so.
    bool terminated() const;

    // An end signal (SIGTERM, SIGINT, SIGHUP) was taken: from then on no box
    // and no dialog waits for anyone, error boxes included. Stays so.
    void setEndSignalled();
    bool endSignalled() const;

    // The main loop until the quit request is taken.
    void run();

protected:
    bool event(QEvent* event) override;

private:
    QPointer<QWidget> m_mainWindow;
    QEventLoop* m_mainLoop = nullptr;
    bool m_terminated = false;
    bool m_endSignalled = false;
    bool m_quitTaken = false;
};

} // namespace rk::app
