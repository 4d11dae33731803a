// The window as the transfer engine sees it: the run's port (log, buttons,
// bars, event processing, the stop by an end signal) and the port of the
// target connection (log, file dialog, boxes, close). Both are thin: they
// translate the engine's calls into MainWindow's own and hold what only the
// run needs (the event throttle). MainWindow owns one of each.
//
//   transfer::TransferContext ctx{..., window.transferPort(), ...};
//   transfer::connectTargetDatabase(window.connectPort(), connection, args, fileExistsOnDisk);
#pragma once

#include "app/EventThrottle.h"
#include "transfer/ConnectTargetDatabase.h"
#include "transfer/TransferPorts.h"

namespace rk::app {

class MainWindow;
class RunStop;

class TransferWindowPort final : public transfer::TransferWindow {
public:
    TransferWindowPort(MainWindow& window, RunStop& stop) : m_window(window), m_stop(stop) {}

    void appendLog(const std::string& line) override;
    void focusLog() override;
    void setStartEnabled(bool enabled) override;
    void setQuitEnabled(bool enabled) override;
    int progressMax(transfer::ProgressBarId bar) const override;
    void setProgressMax(transfer::ProgressBarId bar, int max) override;
    int progressPosition(transfer::ProgressBarId bar) const override;
    void setProgressPosition(transfer::ProgressBarId bar, int position) override;
    void repaintWindow() override;
    // After every row: events are processed every few milliseconds.
    void processEvents() override;
    // Throws rk::EAbort during a run once an end signal has come.
    void stopIfRequested() override;

private:
    MainWindow& m_window;
    RunStop& m_stop;
    EventThrottle m_throttle;
};

class ConnectWindowPort final : public transfer::ConnectWindow {
public:
    explicit ConnectWindowPort(MainWindow& window) : m_window(window) {}

    void clearLog() override;
    void appendLog(const std::string& line) override;
    std::optional<std::string> chooseTargetFile(const std::string& title, const std::string& initialDir,
                                                const std::string& filter) override;
    void showMessage(transfer::MessageKind kind, const std::string& text) override;
    void closeWindow() override;

private:
    MainWindow& m_window;
};

} // namespace rk::app
