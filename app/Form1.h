// Form1, the program's only window and the owner of every other object: the
// status log, the two progress bars, the buttons, the timer of the
// unattended run, and (through FormParts) the target and source objects.
// Every behaviour of the program is one of its handlers.
//
//   TForm1 form(arguments, [&](TForm1& f) { return MakeRealFormParts(f, session); });
//   form.show(); form.activateWindow(); app.Run();
//
// Handlers run their bodies through RunGuarded(), so an error is shown and
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
#include "app/EventThrottle.h"
#include "app/FormParts.h"
#include "app/RunRecord.h"
#include "app/shell/MessageBox.h"
#include "transfer/ConnectTargetDatabase.h"
#include "transfer/TransferPorts.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace rk::app {

class TProgressBar;

// The height of "0" in `font` as the layout's scaling measures it.
int TextHeightOf(const QFont& font);

// A filter in the "Name|pattern" form of the old dialogs, as Qt writes it.
QString QtFileFilter(const std::string& filter);

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

class TForm1 : public QWidget, public transfer::TransferWindow, public transfer::ConnectWindow {
public:
    using PartsFactory = std::function<std::unique_ptr<FormParts>(TForm1&)>;

    // Builds the controls, then the owned objects (an error there escapes:
    // the start-up fails), then runs FormCreate guarded.
    TForm1(Arguments arguments, const PartsFactory& makeParts);
    ~TForm1() override;

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void ButtonXClick();
    void Timer1Timer();
    // A press over the background, the log or a bar; `buttons` are those
    // held at the press.
    void RichEdit1MouseDown(Qt::MouseButtons buttons);

    // The close operation: FormClose at once, then the end of the program is
    // requested. An error of FormClose stops it before the request. The
    // window stays on screen until the main loop takes the request.
    void Close();

    // An end signal reached the process. Outside a run the window closes at
    // once; during a run the run stops after its current row (what it
    // inserted is committed), then the window closes.
    void EndSignal();
    bool RunInProgress() const { return m_inRun; }

    // The status log, Windows-1252 lines.
    const std::vector<std::string>& Lines() const { return m_lines; }

    // The file dialog OpenDialog1; `filter` as "Datenbank|*.fdb" (name and
    // pattern pairs). The chosen file, or nothing when cancelled.
    virtual std::optional<std::string> OpenDialog1Execute(const std::string& title, const std::string& initialDir,
                                                          const std::string& filter);
    // The program's own message box.
    virtual int ShowMessage(const std::string& text, MsgKind kind);

    // ConnectWindow, for ConnectTargetDatabase.
    void LogClear() override;
    std::optional<std::string> RunOpenDialog(const std::string& title, const std::string& initialDir,
                                             const std::string& filter) override;
    void ShowMessage(transfer::MessageKind kind, const std::string& text) override;
    void CloseWindow() override { Close(); }

    // TransferWindow (LogAppend serves both ports).
    void LogAppend(const std::string& line) override;
    void FocusLog() override;
    void SetButton1Enabled(bool enabled) override;
    void SetButton2Enabled(bool enabled) override;
    int ProgressMax(transfer::ProgressBarId bar) const override;
    void SetProgressMax(transfer::ProgressBarId bar, int max) override;
    int ProgressPosition(transfer::ProgressBarId bar) const override;
    void SetProgressPosition(transfer::ProgressBarId bar, int position) override;
    void Repaint() override;
    void ProcessMessages() override;

    // State a caller or a test reads.
    bool NoMessage() const { return m_noMessage; }
    const std::string& JobId() const { return m_jobId; }
    const Arguments& Args() const { return m_arguments; }
    const std::string& Caption() const { return m_caption; }
    bool AlphaBlend() const { return m_alphaBlend; }
    int AlphaBlendValue() const { return m_alphaBlendValue; }
    bool StaysOnTop() const;
    bool Timer1Enabled() const { return Timer1.isActive(); }
    bool Dragging() const { return m_dragging; }
    void SetTimer1Enabled(bool enabled);
    LastRun LastRunOutcome() const { return m_lastRun; }
    // The code the process ends with.
    int ExitCode() const { return ProcessExitCode(m_lastRun, HasAutoSwitch(m_arguments)); }
    // Ratio of the run-time text height to the designed 13 pixels, as
    // numerator over 13.
    int TextHeight() const { return m_textHeight; }
    FormParts& Parts() { return *m_parts; }

    // Controls, by their component names.
    TProgressBar* ProgressBar1 = nullptr;
    TProgressBar* ProgressBar2 = nullptr;
    QToolButton* ButtonX = nullptr;
    QPlainTextEdit* RichEdit1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QTimer Timer1;

protected:
    // Platform actions, recorded by tests.
    virtual void StartWindowDrag();
    virtual void RequestTerminate();
    virtual void RunGuarded(const std::function<void()>& body);

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Form1Layout.cpp: the controls as designed, scaled to the fonts found.
    void createControls();
    int scaled(int designed) const;
    void connectHandlers();

    void showLog();
    void setClientSize(int width, int height);
    void setStayOnTop();
    void setAlphaBlend(int value);
    void removeBorder();
    void centreOnPrimaryScreen();
    TProgressBar& bar(transfer::ProgressBarId id) const;
    // The close operation; should it fail, the error is shown and the end
    // is requested all the same.
    void closeForCaller();

    Arguments m_arguments;
    std::string m_caption;
    bool m_noMessage = false;
    std::string m_jobId;
    bool m_alphaBlend = false;
    int m_alphaBlendValue = 255;
    int m_textHeight = design::kTextHeight;
    // The drag by hand, where the platform offers no system move.
    bool m_dragging = false;
    QPoint m_pressGlobal;
    QPoint m_posAtPress;
    bool m_shown = false;
    bool m_activated = false;
    LastRun m_lastRun = LastRun::None;
    bool m_inRun = false;
    bool m_endSignalled = false;
    std::vector<std::string> m_lines;
    std::unique_ptr<FormParts> m_parts;
    EventThrottle m_pumpThrottle;
};

} // namespace rk::app
