// MainWindow, the program's only window and the owner of every other object: the
// status log, the two progress bars, the buttons, the timer of the
// unattended run, the window's ports for the transfer engine (WindowPorts.h)
// with the stop by an end signal (RunStop.h), and (through DatabaseParts)
// the target and source objects. Every behaviour of the program is one of
// its handlers.
//
//   MainWindow window(arguments, [&](MainWindow& w) { return makeDatabaseParts(w, session); });
//   window.show(); window.activateWindow(); app.run();
//
// Handlers run their bodies through runGuarded(), so an error is shown and
// the program goes on. The few platform actions a test cannot watch (the
// system move, boxes, the file dialog, the end of the application) are
// virtual so that tests can record them.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/DatabaseParts.h"
#include "app/RunRecord.h"
#include "app/RunStop.h"
#include "app/WindowPorts.h"
#include "app/shell/MessageBox.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace rk::app {

class ProgressBar;

// The height of "0" in `font` as the layout's scaling measures it.
int textHeightOf(const QFont& font);

// The window as designed for a "0" 13 pixels high at 96 dots per inch.
namespace design {
inline constexpr int kTextHeight = 13;
inline constexpr int kClientWidth = 701;
inline constexpr int kClientHeight = 241;
// Set in code, never scaled.
inline constexpr int kNarrowWidth = 298;
inline constexpr int kQuietHeight = 208;
inline constexpr int kCreateAlpha = 225;
inline constexpr int kActivateAlpha = 220;
inline constexpr int kTimerInterval = 500;
} // namespace design

class MainWindow : public QWidget {
public:
    using PartsFactory = std::function<std::unique_ptr<DatabaseParts>(MainWindow&)>;

    // Builds the controls, then the owned objects (an error there escapes:
    // the start-up fails), then runs applyStartOptions guarded.
    MainWindow(Arguments arguments, const PartsFactory& makeParts);
    ~MainWindow() override;

    // Handlers.
    // At creation: reads the start options; "-auto" keeps the window on top,
    // and with "-nomessage" also makes it translucent, short and blank.
    void applyStartOptions();
    // Before the first showing: opens the source connection; without access
    // the user is told and the window closes. A person at the screen may
    // first choose the folder of the old data (SourceAccess.cpp).
    void checkSourceAccess();
    // At the first activation, with "-auto": sets the quiet look again under
    // "-nomessage", then starts the auto-start timer.
    void armAutoStart();
    // The target's part of closing: commits an active transaction and closes
    // the target connection.
    void commitAndCloseTarget();
    // The transfer run.
    void onStartClicked();
    void onQuitClicked();
    // The column listing of the listing table.
    void onColumnListClicked();
    void onCloseGlyphClicked();
    // The unattended run: the transfer, a box unless "-nomessage", the close.
    void onAutoStartTimer();
    // A press over the background, the log or a bar; `buttons` are those
    // held at the press.
    void startDrag(Qt::MouseButtons buttons);

    // The close operation (also the connection port's): commitAndCloseTarget
    // at once, then the end of the program is requested. An error of
    // commitAndCloseTarget stops it before the request. The window stays on
    // screen until the main loop takes the request.
    void closeWindow();

    // An end signal reached the process. Outside a run the window closes at
    // once; during a run the run stops after its current row (what it
    // inserted is committed), then the window closes.
    void endSignal();

    // The status log, Windows-1252 lines; every appended line also goes
    // to standard error.
    const std::vector<std::string>& lines() const { return m_lines; }
    void appendLog(const std::string& line);
    void clearLog();

    // The file dialog for the target database (FileDialogs.h).
    virtual std::optional<std::string> chooseTargetFile(const std::string& title, const std::string& initialDir,
                                                        const std::string& filter);
    // The folder dialog for the old data's folder (FileDialogs.h).
    virtual std::optional<std::string> chooseSourceFolder(const std::string& title);
    // The program's own message box.
    virtual int showMessage(const std::string& text, MsgKind kind);
    // Somebody can answer a dialog: a real display, and no "-auto".
    bool personAtScreen() const;

    // The window as the transfer run and the target connection see it; a
    // benchmark puts a port of its own in front of the run's.
    virtual transfer::TransferWindow& transferPort() { return m_transferPort; }
    transfer::ConnectWindow& connectPort() { return m_connectPort; }

    // State a caller or a test reads.
    const Arguments& args() const { return m_arguments; }
    const std::string& caption() const { return m_caption; }
    int alphaBlendValue() const { return m_alphaBlendValue; }
    bool staysOnTop() const;
    bool autoStartTimerEnabled() const { return m_autoStartTimer.isActive(); }
    bool dragging() const { return m_dragging; }
    LastRun lastRunOutcome() const { return m_lastRun; }
    // The code the process ends with.
    int exitCode() const { return processExitCode(m_lastRun, m_options.unattended); }
    // Ratio of the run-time text height to the designed 13 pixels, as
    // numerator over 13.
    int textHeight() const { return m_textHeight; }

    // The controls, for the ports and tests.
    ProgressBar* rowProgress() const { return m_rowProgress; }
    ProgressBar* tableProgress() const { return m_tableProgress; }
    QToolButton* closeGlyph() const { return m_closeGlyph; }
    QPlainTextEdit* statusLog() const { return m_statusLog; }
    QLabel* versionLabel() const { return m_versionLabel; }
    QPushButton* startButton() const { return m_startButton; }
    QPushButton* quitButton() const { return m_quitButton; }
    QPushButton* columnListButton() const { return m_columnListButton; }

protected:
    DatabaseParts& databaseParts() { return *m_parts; }

    // Platform actions, recorded by tests.
    virtual void beginWindowMove();
    virtual void requestTerminate();
    virtual void runGuarded(const std::function<void()>& body);

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // MainWindowLayout.cpp: the controls as designed, scaled to the fonts found.
    void createControls();
    int scaled(int designed) const;
    void connectHandlers();

    // SourceAccess.cpp: the access check's steps. The reason access
    // failed, or nothing when the source connection is open.
    std::optional<std::string> openSource();
    // A person puts the folder right; the reason that remains, if any.
    std::optional<std::string> setUpSource(SourceSetup& setup, std::optional<std::string> reason);

    void showLog();
    void setAutoStartTimerEnabled(bool enabled);
    void setClientSize(int width, int height);
    void setStayOnTop();
    void setAlphaBlend(int value);
    void centreOnPrimaryScreen();
    // The close operation; should it fail, the error is shown and the end
    // is requested all the same.
    void closeForCaller();

    // The controls; their object names are the outward ones (names::window).
    // The upper bar counts the tables of the run, the lower one the rows
    // of the current table.
    ProgressBar* m_tableProgress = nullptr;
    ProgressBar* m_rowProgress = nullptr;
    QToolButton* m_closeGlyph = nullptr;
    QPlainTextEdit* m_statusLog = nullptr;
    QLabel* m_versionLabel = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_quitButton = nullptr;
    // Outside the visible area and reached with Tab only: lists the listing
    // table's columns in the log, as a column list and as parameters, for
    // whoever writes the INSERT of a new staging table.
    QPushButton* m_columnListButton = nullptr;
    QTimer m_autoStartTimer;

    Arguments m_arguments;
    std::string m_caption;
    StartOptions m_options;
    int m_alphaBlendValue = 255;
    int m_textHeight = design::kTextHeight;
    // The drag by hand, where the platform offers no system move.
    bool m_dragging = false;
    QPoint m_pressGlobal;
    QPoint m_posAtPress;
    bool m_shown = false;
    bool m_activated = false;
    LastRun m_lastRun = LastRun::None;
    std::vector<std::string> m_lines;
    RunStop m_runStop;
    TransferWindowPort m_transferPort{*this, m_runStop};
    ConnectWindowPort m_connectPort{*this};
    std::unique_ptr<DatabaseParts> m_parts;
};

} // namespace rk::app
