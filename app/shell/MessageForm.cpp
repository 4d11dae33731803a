// MessageForm: building, laying out and running the program's boxes.
// The layout follows the message-box font: every length is a multiple of the
// font's base units, so a box looks the same at any font size.
#include "app/shell/MessageForm.h"

#include "app/shell/Application.h"
#include "app/shell/ErrorDisplay.h"
#include "app/shell/Headless.h"
#include "app/shell/MessageBox.h"
#include "db/common/Ansi.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace rk::app {

namespace {

constexpr int kIconSize = 32;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;

QString fromAnsi(const std::string& text) { return QString::fromStdString(toUtf8(text)); }

std::string withoutAmpersands(const std::string& caption)
{
    std::string out;
    for (char c : caption)
        if (c != '&') out += c;
    return out;
}

// The text is drawn with the very flags it was measured with, so it fills
// exactly the rectangle the layout gave it (QLabel's own wrapping differs).
class MessageLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), kTextFlags, text());
    }
};

bool writeSystemClipboard(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(text, QClipboard::Clipboard);
    return clipboard->text(QClipboard::Clipboard) == text;
}

detail::ClipboardWriter g_clipboardWriter = &writeSystemClipboard;
std::vector<MessageForm*> g_terminableBoxes;

} // namespace

int scaleRounded(int n, int num, int den)
{
    return static_cast<int>(std::lround(static_cast<double>(n) * num / den));
}

MessageBoxMetrics measureMessageBox(const QFont& font, const QString& text, const QStringList& captions,
                                    int screenWidth)
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics fm(font);
    MessageBoxMetrics m;
    m.baseX = fm.horizontalAdvance(letters) / 52;
    m.baseY = fm.height();
    m.text = fm.boundingRect(QRect(0, 0, screenWidth / 2, 0), kTextFlags, text).size();
    for (const QString& caption : captions) m.captionWidths.push_back(fm.horizontalAdvance(caption));
    return m;
}

MessageBoxLayout layOutMessageBox(const MessageBoxMetrics& m)
{
    MessageBoxLayout l;
    l.marginX = scaleRounded(8, m.baseX, 4);
    l.marginY = scaleRounded(8, m.baseY, 8);
    l.spacingX = scaleRounded(10, m.baseX, 4);
    l.spacingY = scaleRounded(10, m.baseY, 8);
    l.buttonWidth = scaleRounded(50, m.baseX, 4);
    for (int w : m.captionWidths) l.buttonWidth = std::max(l.buttonWidth, w + 8);
    l.buttonHeight = scaleRounded(14, m.baseY, 8);
    l.buttonGap = scaleRounded(4, m.baseX, 4);

    const int blockWidth = m.text.width() + kIconSize + l.spacingX;
    const int blockHeight = std::max(m.text.height(), kIconSize);
    const int n = static_cast<int>(m.captionWidths.size());
    const int rowWidth = n > 0 ? n * l.buttonWidth + (n - 1) * l.buttonGap : 0;

    l.client = QSize(std::max(blockWidth, rowWidth) + 2 * l.marginX,
                     blockHeight + l.buttonHeight + l.spacingY + 2 * l.marginY);
    l.image = QRect(l.marginX, l.marginY, kIconSize, kIconSize);
    l.message = QRect(l.marginX + kIconSize + l.spacingX, l.marginY, m.text.width(), m.text.height());

    const int top = blockHeight + l.marginY + l.spacingY;
    int left = (l.client.width() - rowWidth) / 2;
    for (int i = 0; i < n; ++i) {
        l.buttons.emplace_back(left, top, l.buttonWidth, l.buttonHeight);
        left += l.buttonWidth + l.buttonGap;
    }
    return l;
}

QPoint centeredPosition(QSize window, QSize screen)
{
    return QPoint(std::max(0, (screen.width() - window.width()) / 2),
                  std::max(0, (screen.height() - window.height()) / 2));
}

QFont messageBoxFont() { return QApplication::font("QMessageBox"); }

std::string messageBoxClipboardText(const std::string& title, const std::string& text,
                                    const std::vector<std::string>& captions)
{
    const std::string divider = std::string(27, '-') + "\r\n";
    std::string buttons;
    for (const std::string& caption : captions) buttons += withoutAmpersands(caption) + "   ";
    return divider + title + "\r\n" + divider + text + "\r\n" + divider + buttons + "\r\n" + divider;
}

MessageForm::MessageForm(const std::string& title, const std::string& text, QStyle::StandardPixmap icon,
                           const std::vector<std::string>& captions, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_title(title), m_text(text), m_captions(captions)
{
    setWindowTitle(fromAnsi(title));
    setFont(messageBoxFont());

    QStringList shownCaptions;
    for (const std::string& caption : captions) shownCaptions << fromAnsi(withoutAmpersands(caption));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 0;
    m_layout = layOutMessageBox(measureMessageBox(font(), fromAnsi(text), shownCaptions, screenWidth));

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image"));
    image->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(kIconSize, kIconSize));
    image->setGeometry(m_layout.image);

    auto* message = new MessageLabel(fromAnsi(text), this);
    message->setObjectName(QStringLiteral("Message"));
    message->setWordWrap(true);
    message->setGeometry(m_layout.message);

    for (size_t i = 0; i < captions.size(); ++i) {
        auto* button = new QPushButton(shownCaptions[static_cast<int>(i)], this);
        button->setObjectName(shownCaptions[static_cast<int>(i)]);
        button->setGeometry(m_layout.buttons[i]);
        button->installEventFilter(this); // the box sees key presses first
        connect(button, &QPushButton::clicked, this, [this] { finish(mrOk); });
        m_buttons.push_back(button);
    }
    if (!m_buttons.empty()) {
        m_buttons.front()->setDefault(true);
        m_buttons.front()->setFocus();
    }
    setFixedSize(m_layout.client);
}

MessageForm::~MessageForm()
{
    std::erase(g_terminableBoxes, this);
}

void MessageForm::finish(int result)
{
    if (m_result != 0) return;
    m_result = result;
    if (m_loop) m_loop->exit();
}

int MessageForm::execute(bool endsOnTerminate)
{
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    detail::logBoxIfHeadless(m_title, m_text);

    Application* app = Application::instance();
    if (endsOnTerminate && app && app->terminated()) return mrCancel;
    if (app && app->endSignalled()) return mrCancel;
    if (noOneAtScreen()) return mrOk; // the line above is the whole box

    const QPointer<QWidget> previous = QApplication::activeWindow(); // may go while the box is open

    // A stay-on-top main window would hide the box; the platform window's
    // flags change in place, so the widget keeps its own flags for later.
    QPointer<QWidget> mainWindow = app ? app->mainWindow() : nullptr;
    QWindow* mainHandle = mainWindow ? mainWindow->windowHandle() : nullptr;
    const bool dropOnTop = mainHandle && mainHandle->flags().testFlag(Qt::WindowStaysOnTopHint);
    if (dropOnTop) mainHandle->setFlags(mainHandle->flags() & ~Qt::WindowStaysOnTopHint);

    if (endsOnTerminate) g_terminableBoxes.push_back(this);
    struct Restore {
        MessageForm* box;
        QPointer<QWidget> main;
        bool onTop;
        ~Restore()
        {
            std::erase(g_terminableBoxes, box);
            if (onTop && main && main->windowHandle())
                main->windowHandle()->setFlags(main->windowHandle()->flags() | Qt::WindowStaysOnTopHint);
        }
    } restore{this, mainWindow, dropOnTop};

    QScreen* screen = m_onActiveScreen && previous ? previous->screen() : QGuiApplication::primaryScreen();
    setWindowModality(Qt::ApplicationModal);
    const auto centre = [this, screen] {
        if (!screen) return;
        const QRect area = screen->geometry();
        move(area.topLeft() + centeredPosition(frameGeometry().size(), area.size()));
    };
    centre();
    show();
    centre(); // the frame is known only once shown
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) raise(); // offscreen only warns
    activateWindow();
    if (!m_buttons.empty()) m_buttons.front()->setFocus();

    QEventLoop loop;
    m_loop = &loop;
    if (m_result == 0) loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
    if (m_result == 0) m_result = mrCancel; // the loop was told to stop from outside

    const bool wasActive = QApplication::activeWindow() == this;
    hide();
    if (wasActive && previous && previous.data() != this) previous->activateWindow();
    return m_result;
}

void MessageForm::copyToClipboard()
{
    QApplication::beep();
    const QString copy = fromAnsi(messageBoxClipboardText(m_title, m_text, m_captions));
    if (!g_clipboardWriter(copy)) throw EClipboardError(ansi("Zwischenablage kann nicht geöffnet werden"));
}

bool MessageForm::handleKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_C:
        if (mods != Qt::ControlModifier) return false;
        guarded([this] { copyToClipboard(); });
        return true;
    case Qt::Key_Escape: // OK is the cancel button too
    case Qt::Key_Return:
    case Qt::Key_Enter: // and the default button
        if (m_buttons.empty()) return false;
        m_buttons.front()->click();
        return true;
    default:
        return false;
    }
}

void MessageForm::keyPressEvent(QKeyEvent* event)
{
    if (handleKey(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) return; // never QDialog's reject()
    QDialog::keyPressEvent(event);
}

bool MessageForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent*>(event))) return true;
    return QDialog::eventFilter(watched, event);
}

void MessageForm::closeEvent(QCloseEvent* event)
{
    finish(mrCancel);
    event->accept();
}

namespace detail {

ClipboardWriter setClipboardWriter(ClipboardWriter writer)
{
    ClipboardWriter old = g_clipboardWriter;
    g_clipboardWriter = writer ? writer : &writeSystemClipboard;
    return old;
}

void endTerminableBoxes()
{
    const std::vector<MessageForm*> boxes = g_terminableBoxes;
    for (MessageForm* box : boxes) box->finish(mrCancel);
}

void logBoxIfHeadless(const std::string& title, const std::string& text)
{
    if (QCoreApplication::instance() && QGuiApplication::platformName() != QLatin1String("offscreen")) return;
    std::string line = title + ": ";
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue; // CR LF is one break
        line += (text[i] == '\r' || text[i] == '\n') ? ' ' : text[i];
    }
    writeStderrLine(line);
}

} // namespace detail

} // namespace rk::app
