// See Headless.h.
#include "app/shell/Headless.h"

#include <QtGlobal>

#include "app/shell/StderrLog.h"
#include "db/common/Ansi.h"

namespace rk::app {

namespace {

bool g_noOneAtScreen = false;
QtMessageHandler g_previousHandler = nullptr;
QtMessageHandler g_defaultHandler = nullptr;

void filteringHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (isOffscreenPlatformNoise(message) || isQtStartNoise(message)) return;
    // Qt's default handler would write with a blocking fprintf; a handler
    // installed before ours (a test's) still gets every message.
    if (g_previousHandler && g_previousHandler != g_defaultHandler) {
        g_previousHandler(type, context, message);
        return;
    }
    stderrLog().writeLine(qFormatLogMessage(type, context, message).toStdString());
}

} // namespace

void setNoOneAtScreen(bool on) { g_noOneAtScreen = on; }

bool noOneAtScreen() { return g_noOneAtScreen; }

void writeStderrLine(const std::string& ansiText)
{
    stderrLog().writeLine(toUtf8(ansiText));
}

bool isOffscreenPlatformNoise(const QString& message)
{
    return message.startsWith(QLatin1String("This plugin does not support")) ||
           message.contains(QLatin1String("propagateSizeHints"));
}

bool isQtStartNoise(const QString& message)
{
    // Qt's runtime folder (unset, foreign, loose permissions): Qt goes on
    // without it, and the program keeps nothing there; a caller's first
    // line should be ours.
    return message.startsWith(QLatin1String("QStandardPaths: ")) &&
           message.contains(QLatin1String("runtime"), Qt::CaseInsensitive);
}

void dropOffscreenPlatformNoise()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    // Installing nullptr puts Qt's default back, so that the second call
    // hands out the default itself and it can be told apart.
    g_previousHandler = qInstallMessageHandler(nullptr);
    g_defaultHandler = qInstallMessageHandler(&filteringHandler);
}

} // namespace rk::app
