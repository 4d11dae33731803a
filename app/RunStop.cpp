// The stop of a run by an end signal; see RunStop.h.
#include "app/RunStop.h"

#include "app/shell/Application.h"
#include "app/shell/EndSignalWatch.h"
#include "db/common/Ansi.h"
#include "db/common/Exception.h"

namespace rk::app {

namespace {

void markApplication()
{
    if (Application* app = Application::instance()) app->setEndSignalled();
}

} // namespace

bool RunStop::signal()
{
    if (m_signalled) return false;
    m_signalled = true;
    markApplication();
    return true;
}

void RunStop::stopIfRequested()
{
    if (!m_inRun) return;
    if (!m_signalled && endRequested()) {
        endRequestTaken();
        m_signalled = true;
        markApplication();
    }
    if (m_signalled) throw rk::EAbort(rk::ansi("Beendet durch Signal"));
}

} // namespace rk::app
