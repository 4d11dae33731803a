// The application object: the end of the program as a posted quit request,
// and the last-resort catch around every event.
#include "app/shell/Application.h"

#include "app/shell/ErrorDisplay.h"
#include "app/shell/MessageForm.h"
#include "db/common/Ansi.h"
#include "db/common/Exception.h"

#include <QEvent>
#include <QEventLoop>

namespace rk::app {

namespace {

QEvent::Type quitRequestType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromStdString(toUtf8(title())));
    // Only terminate() ends the program; a box closing while the main window
    // is still hidden must not.
    setQuitOnLastWindowClosed(false);
}

Application::~Application() = default;

Application* Application::instance() { return dynamic_cast<Application*>(QCoreApplication::instance()); }

std::string Application::title() { return "RK_VAD2AV"; }

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showErrorBox(error);
    } catch (...) {
        showErrorBox(rk::Exception(ansi("Unbekannter Fehler")));
    }
    return false;
}

void Application::setMainWindow(QWidget* window) { m_mainWindow = window; }

QWidget* Application::mainWindow() const { return m_mainWindow; }

void Application::terminate()
{
    if (!m_terminated) {
        m_terminated = true;
        postEvent(this, new QEvent(quitRequestType()));
    }
    detail::endTerminableBoxes();
}

bool Application::terminated() const { return m_terminated; }

void Application::setEndSignalled() { m_endSignalled = true; }

bool Application::endSignalled() const { return m_endSignalled; }

bool Application::event(QEvent* event)
{
    if (event->type() == quitRequestType()) {
        // Taken by a nested loop, this only marks the main loop, which then
        // stops when control is back in it.
        m_quitTaken = true;
        if (m_mainLoop) m_mainLoop->exit(0);
        return true;
    }
    return QApplication::event(event);
}

void Application::run()
{
    while (!m_quitTaken) {
        QEventLoop loop;
        m_mainLoop = &loop;
        bool failed = false;
        try {
            loop.exec();
        } catch (const std::exception& error) {
            failed = true;
            showErrorBox(error);
        } catch (...) {
            failed = true;
            showErrorBox(rk::Exception(ansi("Unbekannter Fehler")));
        }
        m_mainLoop = nullptr;
        if (!failed) break; // the quit request, or Qt's own exit()
    }
}

} // namespace rk::app
