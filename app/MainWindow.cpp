// The handlers of MainWindow: creation, showing and first activation, the
// transfer run and the unattended run, the diagnostic listing, the window
// drag and closing; its status log. See MainWindow.h.
#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "app/FileDialogs.h"
#include "app/ProgressBar.h"
#include "app/shell/Application.h"
#include "app/shell/ErrorDisplay.h"
#include "app/shell/Headless.h"
#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "db/firebird/FailureReason.h"
#include "locale/LocaleFormats.h"
#include "transfer/TransferRun.h"

namespace rk::app {

namespace {

QString qtText(const std::string& ansiText) { return QString::fromStdString(rk::toUtf8(ansiText)); }

} // namespace

MainWindow::MainWindow(Arguments arguments, const PartsFactory& makeParts) : m_arguments(std::move(arguments))
{
    createControls();
    m_parts = makeParts(*this);
    connectHandlers();
    runGuarded([this] { applyStartOptions(); });
}

MainWindow::~MainWindow() = default;

// --- creation, showing, activation -----------------------------------------

void MainWindow::applyStartOptions()
{
    setClientSize(design::kNarrowWidth, height());
    m_options = readStartOptions(m_arguments);
    if (!m_options.unattended) return;
    setStayOnTop();
    if (m_options.noMessage) {
        setAlphaBlend(design::kCreateAlpha);
        setClientSize(design::kNarrowWidth, design::kQuietHeight);
        setStayOnTop();
        clearLog();
    }
}

void MainWindow::armAutoStart()
{
    if (!m_options.unattended) return;
    if (m_options.noMessage) {
        setAlphaBlend(design::kActivateAlpha);
        setClientSize(width(), design::kQuietHeight);
        setStayOnTop();
    }
    setAutoStartTimerEnabled(true);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown || event->spontaneous()) return;
    m_shown = true;
    // checkSourceAccess comes before the window is on screen, so its box does too.
    runGuarded([this] { checkSourceAccess(); });
    centreOnPrimaryScreen();
}

bool MainWindow::event(QEvent* event)
{
    // Qt announces changed regional settings with LocaleChange; there is no
    // WM_WININICHANGE here, so this is where the formats are read again. A
    // run in progress takes the new set from its next batch of rows on.
    if (event->type() == QEvent::LocaleChange) locale::loadLocaleFormats();
    if (event->type() == QEvent::WindowActivate && !m_activated) {
        m_activated = true;
        m_statusLog->setFocus(Qt::ActiveWindowFocusReason);
        runGuarded([this] { armAutoStart(); });
    }
    return QWidget::event(event);
}

// --- the transfer and the unattended run -----------------------------------

void MainWindow::onStartClicked()
{
    transfer::TransferContext ctx{
        m_parts->targetStatement(),
        m_parts->targetTransaction(),
        m_parts->sourceQuery(),
        transferPort(),
        m_parts->clock(),
        [this] { m_parts->connectTarget(); },
        [this] { return m_parts->targetConnected(); },
        m_options.jobId,
    };
    try {
        const RunStop::Running running(m_runStop);
        const transfer::RunOutcome outcome = transfer::runTransfer(ctx);
        m_lastRun = outcome == transfer::RunOutcome::Completed ? LastRun::Completed : LastRun::NotConnected;
    } catch (const rk::Exception& error) {
        // The engine's text stays for support; the user first reads why in German.
        if (const auto reason = target::failureReason(error.message(), target::lockFolderInUse())) appendLog(*reason);
        m_lastRun = LastRun::Failed;
        if (!m_runStop.signalled()) throw;
    } catch (...) {
        m_lastRun = LastRun::Failed;
        if (!m_runStop.signalled()) throw;
    }
    if (m_runStop.signalled()) {
        // Stopped by an end signal: the run's own error path has committed
        // what it inserted; nothing after the run (box, job record) follows.
        closeForCaller();
        throw rk::EAbort(rk::ansi("Beendet durch Signal"));
    }
}

void MainWindow::endSignal()
{
    // Already taken where the run stopped (stopIfRequested): that stop closed the window.
    if (!m_runStop.signal()) return;
    if (!m_runStop.inRun()) closeForCaller();
}

void MainWindow::closeForCaller()
{
    try {
        closeWindow();
    } catch (const std::exception& error) {
        // Asked for by a caller (a signal), or nobody is at the screen: a
        // failed commit is reported, but the window does not stay for
        // someone who is not there.
        m_lastRun = LastRun::Failed;
        showErrorBox(error);
        requestTerminate();
    }
}

void MainWindow::setAutoStartTimerEnabled(bool enabled)
{
    // Enabling an enabled timer must not restart its wait.
    if (enabled && !m_autoStartTimer.isActive())
        m_autoStartTimer.start();
    else if (!enabled)
        m_autoStartTimer.stop();
}

void MainWindow::onAutoStartTimer()
{
    setAutoStartTimerEnabled(false);
    try {
        onStartClicked();
    } catch (const rk::EAbort&) {
        throw;
    } catch (const std::exception& error) {
        if (!noOneAtScreen()) throw;
        // Nobody can act on the window an error leaves open: the error is
        // shown (its line on standard error), then the window closes.
        showErrorBox(error);
        closeForCaller();
        return;
    }
    if (!m_options.noMessage) showMessage(rk::ansi("Übertragung beendet"), MsgKind::Information);
    closeWindow();
}

// --- the diagnostic listing ------------------------------------------------

void MainWindow::onColumnListClicked()
{
    const std::vector<std::string> names = m_parts->columnListFieldNames();
    clearLog();
    std::string text;
    for (const std::string& name : names) text += ", " + upperAnsi(name);
    appendLog(text);
    appendLog("");
    for (const std::string& name : names) text += ", :" + upperAnsi(name);
    appendLog(text);
}

// --- closing ---------------------------------------------------------------

void MainWindow::onQuitClicked() { closeWindow(); }

void MainWindow::onCloseGlyphClicked() { closeWindow(); }

void MainWindow::commitAndCloseTarget()
{
    transfer::closeTarget(m_parts->targetTransaction(), [this] { m_parts->closeTarget(); });
}

void MainWindow::closeWindow()
{
    // No veto exists. A failing commitAndCloseTarget leaves the program running.
    commitAndCloseTarget();
    requestTerminate();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closed by the system (Alt+F4, the task bar): the same close operation;
    // the window itself stays until the main loop ends.
    event->ignore();
    runGuarded([this] { closeWindow(); });
}

// --- the window drag -------------------------------------------------------

void MainWindow::startDrag(Qt::MouseButtons buttons)
{
    if (buttons & Qt::LeftButton) beginWindowMove();
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    // Presses reach the window itself only over its background: the buttons
    // take theirs, and the label is kept from passing its own on.
    m_pressGlobal = event->globalPosition().toPoint();
    runGuarded([this, event] { startDrag(event->buttons()); });
    event->accept();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) return QWidget::mouseMoveEvent(event);
    move(m_posAtPress + (event->globalPosition().toPoint() - m_pressGlobal));
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging) return QWidget::mouseReleaseEvent(event);
    if (!(event->buttons() & Qt::LeftButton)) {
        m_dragging = false;
        releaseMouse();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const bool target = watched == m_statusLog->viewport() || watched == m_rowProgress || watched == m_tableProgress;
        auto* press = static_cast<QMouseEvent*>(event);
        if (target && (press->buttons() & Qt::LeftButton)) {
            // The log takes the focus from the press, as it would without the drag.
            if (watched == m_statusLog->viewport()) m_statusLog->setFocus(Qt::MouseFocusReason);
            m_pressGlobal = press->globalPosition().toPoint();
            runGuarded([this, press] { startDrag(press->buttons()); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::beginWindowMove()
{
    // The platform's own move, as a press on a title bar would start it;
    // where it has none (no window manager, say), the window follows the
    // mouse until the left button is released.
    if (QWindow* w = windowHandle(); w && w->startSystemMove()) return;
    m_posAtPress = pos();
    m_dragging = true;
    grabMouse();
}

// --- platform actions ------------------------------------------------------

void MainWindow::requestTerminate()
{
    if (Application* app = Application::instance()) app->terminate();
}

void MainWindow::runGuarded(const std::function<void()>& body) { guarded(body); }

int MainWindow::showMessage(const std::string& text, MsgKind kind) { return showMessageBox(text, kind); }

std::optional<std::string> MainWindow::chooseTargetFile(const std::string& title, const std::string& initialDir,
                                                        const std::string& filter)
{
    return chooseFileToOpen(this, title, initialDir, filter);
}

std::optional<std::string> MainWindow::chooseSourceFolder(const std::string& title) { return chooseFolder(title); }

// --- the status log -----------------------------------------------------------

void MainWindow::showLog()
{
    std::string text;
    for (const std::string& line : m_lines) {
        text += line;
        text += '\n';
    }
    m_statusLog->setPlainText(qtText(text));
}

void MainWindow::clearLog()
{
    m_lines.clear();
    showLog();
}

void MainWindow::appendLog(const std::string& line)
{
    // On every platform: a support person reads a run afterwards in the journal.
    writeStderrLine(line);
    m_lines.push_back(line);
    m_statusLog->appendPlainText(qtText(line));
}

// --- window state ----------------------------------------------------------

void MainWindow::setClientSize(int width, int height) { resize(width, height); }

bool MainWindow::staysOnTop() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

void MainWindow::setStayOnTop()
{
    if (staysOnTop()) return;
    // Changing the flags of a shown window hides it; show it again.
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (visible) show();
}

void MainWindow::setAlphaBlend(int value)
{
    m_alphaBlendValue = value;
    // Without a compositor the window simply stays opaque.
    setWindowOpacity(value / 255.0);
}

void MainWindow::centreOnPrimaryScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const int left = std::max(0, (area.width() - width()) / 2);
    const int top = std::max(0, (area.height() - height()) / 2);
    move(area.x() + left, area.y() + top);
}

} // namespace rk::app
