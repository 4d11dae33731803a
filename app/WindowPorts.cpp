// The window's two ports for the transfer engine; see WindowPorts.h.
#include "app/WindowPorts.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/MainWindow.h"
#include "app/ProgressBar.h"
#include "app/RunStop.h"

namespace rk::app {

namespace {

ProgressBar& bar(const MainWindow& window, transfer::ProgressBarId id)
{
    return id == transfer::ProgressBarId::Rows ? *window.rowProgress() : *window.tableProgress();
}

} // namespace

// --- the run's port ----------------------------------------------------------

void TransferWindowPort::appendLog(const std::string& line) { m_window.appendLog(line); }

void TransferWindowPort::focusLog() { m_window.statusLog()->setFocus(Qt::OtherFocusReason); }

void TransferWindowPort::setStartEnabled(bool enabled) { m_window.startButton()->setEnabled(enabled); }

void TransferWindowPort::setQuitEnabled(bool enabled) { m_window.quitButton()->setEnabled(enabled); }

int TransferWindowPort::progressMax(transfer::ProgressBarId id) const { return bar(m_window, id).max(); }

void TransferWindowPort::setProgressMax(transfer::ProgressBarId id, int max) { bar(m_window, id).setMax(max); }

int TransferWindowPort::progressPosition(transfer::ProgressBarId id) const { return bar(m_window, id).position(); }

void TransferWindowPort::setProgressPosition(transfer::ProgressBarId id, int position)
{
    bar(m_window, id).setPosition(position);
}

void TransferWindowPort::repaintWindow() { m_window.repaint(); }

// The throttle keeps the window as responsive as a pump per row without a
// poll per row. An end signal is taken only inside event processing, but
// the check also runs when the processing is skipped, so a signal taken
// elsewhere stops the run too.
void TransferWindowPort::processEvents()
{
    m_stop.stopIfRequested();
    if (!m_throttle.due()) return;
    QCoreApplication::processEvents();
    m_throttle.pumped();
    m_stop.stopIfRequested();
}

// The signal is read where it arrives as well, so that it stops the run
// while no events are processed (between purge statements, say).
void TransferWindowPort::stopIfRequested() { m_stop.stopIfRequested(); }

// --- the target connection's port ---------------------------------------------

void ConnectWindowPort::clearLog() { m_window.clearLog(); }

void ConnectWindowPort::appendLog(const std::string& line) { m_window.appendLog(line); }

std::optional<std::string> ConnectWindowPort::chooseTargetFile(const std::string& title, const std::string& initialDir,
                                                               const std::string& filter)
{
    return m_window.chooseTargetFile(title, initialDir, filter);
}

void ConnectWindowPort::showMessage(transfer::MessageKind kind, const std::string& text)
{
    m_window.showMessage(text, kind == transfer::MessageKind::Error ? MsgKind::Error : MsgKind::Information);
}

void ConnectWindowPort::closeWindow() { m_window.closeWindow(); }

} // namespace rk::app
