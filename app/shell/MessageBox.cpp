// showMessageBox: the kind gives title and icon; the box is built, run and
// destroyed within the call.
#include "app/shell/MessageBox.h"

#include "app/shell/Application.h"
#include "app/shell/MessageForm.h"
#include "db/common/Ansi.h"

#include <QCoreApplication>

namespace rk::app {

int showMessageBox(const std::string& text, MsgKind kind)
{
    const bool error = kind == MsgKind::Error;
    if (!QCoreApplication::instance()) { // no window system yet: the log is all there is
        detail::logBoxIfHeadless(ansi(error ? "Fehler" : "Informationen"), text);
        return mrCancel;
    }
    Application* app = Application::instance();
    MessageForm box(ansi(error ? "Fehler" : "Informationen"), text,
                     error ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxInformation, {"OK"},
                     app ? app->mainWindow() : nullptr);
    return box.execute(true);
}

} // namespace rk::app
