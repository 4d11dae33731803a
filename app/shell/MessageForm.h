// The box window MessageForm and the rules that lay it out. showMessageBox,
// the error display and the start-up error box all build their box here:
// children Image (32 by 32 icon), Message (word-wrapped text) and one push
// button per caption (named after it, "OK"), sized from the message-box
// font's base units and centred on the screen.
#pragma once

#include "db/common/Exception.h"

#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <QStyle>
#include <string>
#include <vector>

class QEventLoop;
class QPushButton;

namespace rk::app {

// The clipboard refused the copy text.
RK_DECLARE_ERROR(EClipboardError, Exception);

// What the layout is computed from: the font's base units, the wrapped text
// size and the single-line width of each button caption.
struct MessageBoxMetrics {
    int baseX = 0; // average width of "A".."Z","a".."z", rounded down
    int baseY = 0; // height of that text
    QSize text;    // the message measured within half the screen width
    std::vector<int> captionWidths;
};

struct MessageBoxLayout {
    int marginX = 0, marginY = 0, spacingX = 0, spacingY = 0;
    int buttonWidth = 0, buttonHeight = 0, buttonGap = 0;
    QRect image;
    QRect message;
    std::vector<QRect> buttons;
    QSize client;
};

// n*num/den rounded to the nearest whole number, halves away from zero.
int scaleRounded(int n, int num, int den);

MessageBoxMetrics measureMessageBox(const QFont& font, const QString& text, const QStringList& captions,
                                    int screenWidth);
MessageBoxLayout layOutMessageBox(const MessageBoxMetrics& metrics);

// Top-left that centres a window on a screen: halves rounded toward zero,
// never negative.
QPoint centeredPosition(QSize window, QSize screen);

// The font boxes are laid out in: the application's message-box font.
QFont messageBoxFont();

// What Ctrl+C puts on the clipboard (Windows-1252, CR LF line ends).
std::string messageBoxClipboardText(const std::string& title, const std::string& text,
                                    const std::vector<std::string>& captions);

class MessageForm : public QDialog {
    Q_OBJECT
public:
    // title and text are Windows-1252; icon is SP_MessageBoxInformation or
    // SP_MessageBoxCritical. Captions are the buttons, each with result 1.
    MessageForm(const std::string& title, const std::string& text, QStyle::StandardPixmap icon,
                 const std::vector<std::string>& captions = {"OK"}, QWidget* parent = nullptr);
    ~MessageForm() override;

    const MessageBoxLayout& boxLayout() const { return m_layout; }
    const std::string& title() const { return m_title; }
    const std::string& text() const { return m_text; }

    // Centre on the screen of the window active before the box (the error
    // display) rather than on the primary screen.
    void setOnActiveScreen(bool on) { m_onActiveScreen = on; }

    // Runs the box modally in a nested event loop until it has a result.
    // With endsOnTerminate the box also ends (result 2) once the application's
    // end is requested, at once if it already was. Every box returns 2 at
    // once after an end signal, and 1 at once when noOneAtScreen().
    int execute(bool endsOnTerminate);

    // Ends a running box with this result (no effect once it has one).
    void finish(int result);

    // Ctrl+C: beep and put the copy text on the clipboard.
    void copyToClipboard();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(QKeyEvent* event);

    std::string m_title;
    std::string m_text;
    std::vector<std::string> m_captions;
    MessageBoxLayout m_layout;
    std::vector<QPushButton*> m_buttons;
    QEventLoop* m_loop = nullptr;
    int m_result = 0;
    bool m_onActiveScreen = false;
};

namespace detail {
// Writes a box to the clipboard; returns false when the clipboard refused.
// Replaceable so tests can refuse.
using ClipboardWriter = bool (*)(const QString& text);
ClipboardWriter setClipboardWriter(ClipboardWriter writer);

// Ends every box that ends on terminate (Application::Terminate calls it).
void endTerminableBoxes();

// In headless runs (platform "offscreen", or no application object yet):
// "<title>: <text>" as one line on stderr, UTF-8, line breaks as blanks.
void logBoxIfHeadless(const std::string& title, const std::string& text);
} // namespace detail

} // namespace rk::app
