// See Headless.h.
#include "app/shell/Headless.h"

#include <QtGlobal>
#include <cstdio>

#include "db/common/Ansi.h"

namespace rk::app {

namespace {

bool g_noOneAtScreen = false;
QtMessageHandler g_previousHandler = nullptr;

void filteringHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (isOffscreenPlatformNoise(message)) return;
    if (g_previousHandler) {
        g_previousHandler(type, context, message);
        return;
    }
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

} // namespace

void setNoOneAtScreen(bool on) { g_noOneAtScreen = on; }

bool noOneAtScreen() { return g_noOneAtScreen; }

void writeStderrLine(const std::string& ansiText)
{
    std::fprintf(stderr, "%s\n", toUtf8(ansiText).c_str());
    std::fflush(stderr);
}

bool isOffscreenPlatformNoise(const QString& message)
{
    return message.startsWith(QLatin1String("This plugin does not support")) ||
           message.contains(QLatin1String("propagateSizeHints"));
}

void dropOffscreenPlatformNoise()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    g_previousHandler = qInstallMessageHandler(&filteringHandler);
}

} // namespace rk::app
