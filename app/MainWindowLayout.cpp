// The controls of MainWindow at their designed places, and the fonts that stand
// in for the designed ones. The design assumes "MS Sans Serif" 8 pt, whose
// "0" is 13 pixels high at 96 dpi; with the font found here the designed
// positions and sizes (and the label's own font) are scaled by the ratio of
// the two heights, as the old framework did when a form was loaded.
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <cmath>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/CloseGlyph.h"
#include "app/MainWindow.h"
#include "app/ProgressBar.h"
#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"

namespace rk::app {

namespace {

// 8 pt at 96 dpi; given in pixels so the layout does not follow the
// platform's idea of the screen resolution.
constexpr int kDesignedFontPixels = 11;

const QColor kCream(255, 251, 240);
const QColor kLabelGray(128, 128, 128);

QString qtText(const char* utf8) { return QString::fromStdString(rk::toUtf8(rk::ansi(utf8))); }

QStringList installed(const QStringList& candidates)
{
    const QStringList families = QFontDatabase::families();
    QStringList found;
    for (const QString& c : candidates)
        if (families.contains(c, Qt::CaseInsensitive)) found << c;
    return found;
}

} // namespace

int textHeightOf(const QFont& font)
{
    // The old platform's cell height: ascent and descent each rounded up to
    // whole pixels, where Qt would round their sum.
    const QFontMetricsF metrics(font);
    return int(std::ceil(metrics.ascent()) + std::ceil(metrics.descent()));
}

namespace {

QFont sansAt(const QString& family, int pixels)
{
    QFont font;
    if (!family.isEmpty()) font.setFamily(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}

// "MS Sans Serif" 8 pt: of the sans families fontconfig offers, in order of
// likeness, the first whose text height at the designed size is the
// designed one, so the layout holds unscaled; else the first found, and the
// layout scales to it.
QFont windowFont()
{
    const QStringList found =
        installed({"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "Arimo", "DejaVu Sans"});
    for (const QString& family : found) {
        const QFont font = sansAt(family, kDesignedFontPixels);
        if (textHeightOf(font) == design::kTextHeight) return font;
    }
    return sansAt(found.isEmpty() ? QString() : found.front(), kDesignedFontPixels);
}

// "Helvetica Narrow" 8 pt: a narrow family if one is installed; else a sans
// compressed until `text` fits `width`, as the narrow cut would.
QFont labelFont(int pixels, const QString& text, int width)
{
    const QStringList narrow =
        installed({"Helvetica Narrow", "Arial Narrow", "Liberation Sans Narrow", "Nimbus Sans Narrow"});
    if (!narrow.isEmpty()) return sansAt(narrow.front(), pixels);
    const QStringList sans = installed({"Liberation Sans", "Arimo", "DejaVu Sans"});
    QFont font = sansAt(sans.isEmpty() ? QString() : sans.front(), pixels);
    for (int stretch = QFont::SemiCondensed; stretch >= 60; stretch -= 3) {
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(text) <= width) break;
    }
    return font;
}

// The seven lines shown until the first clear; trailing blanks belong to them.
const char* const kInitialLog[] = {
    "Dieses Zusatzprogramm überträgt Daten aus dem ",
    "Ravelkamp 5 in die Datenbank der Version VI.",
    "Dazu muss auf diesem Rechner sowohl das ",
    "Ravelkamp 5 als auch das Ravelkamp VI installiert ",
    "sein. ",
    "Bitte beenden sie beide Programme soweit sie noch ",
    "geöffnet sind. ",
};

} // namespace

int MainWindow::scaled(int designed) const
{
    // MulDiv: rounded to the nearest whole pixel.
    return (designed * m_textHeight + design::kTextHeight / 2) / design::kTextHeight;
}

void MainWindow::createControls()
{
    m_caption = rk::ansi("RK5 -> RK VI Datenübertragung");
    // The caption is never drawn (no title bar); the task-bar entry shows the
    // application title.
    setWindowTitle(QStringLiteral("RK_VAD2AV"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);

    const QFont font = windowFont();
    setFont(font);
    m_textHeight = textHeightOf(font);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kCream);
    pal.setColor(QPalette::Base, kCream);
    setPalette(pal);
    setAutoFillBackground(true);

    auto place = [this](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(scaled(left), scaled(top), scaled(width), scaled(height));
    };

    m_tableProgress = new ProgressBar(this);
    m_tableProgress->setObjectName(names::window::kTableProgress);
    place(m_tableProgress, 16, 4, 241, 13);

    m_closeGlyph = new GlyphButton(closeTileGlyph(), this);
    m_closeGlyph->setObjectName(names::window::kCloseGlyph);
    m_closeGlyph->setAutoRaise(false); // a push-button face, not flat
    m_closeGlyph->setFocusPolicy(Qt::NoFocus);
    place(m_closeGlyph, 264, 4, 23, 22);

    m_rowProgress = new ProgressBar(this);
    m_rowProgress->setObjectName(names::window::kRowProgress);
    place(m_rowProgress, 16, 20, 241, 13);

    m_statusLog = new QPlainTextEdit(this);
    m_statusLog->setObjectName(names::window::kStatusLog);
    m_statusLog->setReadOnly(true);
    m_statusLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_statusLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_statusLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_statusLog->setTabChangesFocus(true);
    m_statusLog->setContextMenuPolicy(Qt::NoContextMenu);
    m_statusLog->setFocusPolicy(Qt::StrongFocus);
    // The selection is hidden while the log lacks the focus.
    QPalette logPal = m_statusLog->palette();
    logPal.setColor(QPalette::Inactive, QPalette::Highlight, kCream);
    logPal.setColor(QPalette::Inactive, QPalette::HighlightedText, logPal.color(QPalette::Active, QPalette::Text));
    m_statusLog->setPalette(logPal);
    // A rich-edit control keeps its text close to the frame.
    m_statusLog->document()->setDocumentMargin(2);
    place(m_statusLog, 16, 36, 265, 157);

    m_versionLabel = new QLabel(qtText("Paradox Importfilter Version 1.0.5"), this);
    m_versionLabel->setObjectName(names::window::kVersionLabel);
    m_versionLabel->setFont(labelFont(scaled(kDesignedFontPixels), m_versionLabel->text(), scaled(140)));
    QPalette labelPal = m_versionLabel->palette();
    labelPal.setColor(QPalette::WindowText, kLabelGray);
    m_versionLabel->setPalette(labelPal);
    // A press on the label must not fall through to the window's drag.
    m_versionLabel->setAttribute(Qt::WA_NoMousePropagation);
    place(m_versionLabel, 136, 194, 140, 12);

    m_startButton = new QPushButton(qtText("Übertragung starten"), this);
    m_startButton->setObjectName(names::window::kStartButton);
    place(m_startButton, 16, 216, 129, 21);

    m_quitButton = new QPushButton(qtText("Beenden"), this);
    m_quitButton->setObjectName(names::window::kQuitButton);
    place(m_quitButton, 156, 216, 129, 21);

    // A diagnostic aid outside the visible area, reachable with Tab only.
    m_columnListButton = new QPushButton(QString::fromLatin1(names::window::kColumnListButton), this);
    m_columnListButton->setObjectName(names::window::kColumnListButton);
    place(m_columnListButton, 492, 196, 75, 25);

    for (QPushButton* b : {m_startButton, m_quitButton, m_columnListButton}) {
        b->setFocusPolicy(Qt::StrongFocus);
        b->setAutoDefault(false);
    }
    // A button ignores presses of other buttons than the left; they must
    // not fall through to the window's drag either.
    for (QWidget* w : std::initializer_list<QWidget*>{m_startButton, m_quitButton, m_columnListButton, m_closeGlyph})
        w->setAttribute(Qt::WA_NoMousePropagation);
    QWidget::setTabOrder(m_statusLog, m_startButton);
    QWidget::setTabOrder(m_startButton, m_columnListButton);
    QWidget::setTabOrder(m_columnListButton, m_quitButton);

    for (const char* line : kInitialLog) m_lines.push_back(rk::ansi(line));
    showLog();

    m_autoStartTimer.setSingleShot(true);
    // A coarse timer may fire 5 % early; the wait is half a second at least.
    m_autoStartTimer.setTimerType(Qt::PreciseTimer);
    m_autoStartTimer.setInterval(design::kTimerInterval);

    setClientSize(scaled(design::kClientWidth), scaled(design::kClientHeight));
}

void MainWindow::connectHandlers()
{
    connect(m_startButton, &QPushButton::clicked, this, [this] { runGuarded([this] { onStartClicked(); }); });
    connect(m_quitButton, &QPushButton::clicked, this, [this] { runGuarded([this] { onQuitClicked(); }); });
    connect(m_columnListButton, &QPushButton::clicked, this, [this] { runGuarded([this] { onColumnListClicked(); }); });
    connect(m_closeGlyph, &QToolButton::clicked, this, [this] { runGuarded([this] { onCloseGlyphClicked(); }); });
    connect(&m_autoStartTimer, &QTimer::timeout, this, [this] { runGuarded([this] { onAutoStartTimer(); }); });

    // The drag targets besides the background itself.
    m_statusLog->viewport()->installEventFilter(this);
    m_rowProgress->installEventFilter(this);
    m_tableProgress->installEventFilter(this);
}

} // namespace rk::app
