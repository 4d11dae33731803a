// The controls of Form1 at their designed places, and the fonts that stand
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
#include "app/Form1.h"
#include "app/ProgressBar.h"
#include "db/common/Ansi.h"

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

int TextHeightOf(const QFont& font)
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
        if (TextHeightOf(font) == design::kTextHeight) return font;
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

int TForm1::scaled(int designed) const
{
    // MulDiv: rounded to the nearest whole pixel.
    return (designed * m_textHeight + design::kTextHeight / 2) / design::kTextHeight;
}

void TForm1::createControls()
{
    m_caption = rk::ansi("RK5 -> RK VI Datenübertragung");
    // The caption is never drawn (no title bar); the task-bar entry shows the
    // application title.
    setWindowTitle(QStringLiteral("RK_VAD2AV"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);

    const QFont font = windowFont();
    setFont(font);
    m_textHeight = TextHeightOf(font);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kCream);
    pal.setColor(QPalette::Base, kCream);
    setPalette(pal);
    setAutoFillBackground(true);

    auto place = [this](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(scaled(left), scaled(top), scaled(width), scaled(height));
    };

    ProgressBar2 = new TProgressBar(this);
    ProgressBar2->setObjectName("ProgressBar2");
    place(ProgressBar2, 16, 4, 241, 13);

    ButtonX = new TGlyphButton(CloseTileGlyph(), this);
    ButtonX->setObjectName("ButtonX");
    ButtonX->setAutoRaise(false); // a push-button face, not flat
    ButtonX->setFocusPolicy(Qt::NoFocus);
    place(ButtonX, 264, 4, 23, 22);

    ProgressBar1 = new TProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    place(ProgressBar1, 16, 20, 241, 13);

    RichEdit1 = new QPlainTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setTabChangesFocus(true);
    RichEdit1->setContextMenuPolicy(Qt::NoContextMenu);
    RichEdit1->setFocusPolicy(Qt::StrongFocus);
    // The selection is hidden while the log lacks the focus.
    QPalette logPal = RichEdit1->palette();
    logPal.setColor(QPalette::Inactive, QPalette::Highlight, kCream);
    logPal.setColor(QPalette::Inactive, QPalette::HighlightedText, logPal.color(QPalette::Active, QPalette::Text));
    RichEdit1->setPalette(logPal);
    // A rich-edit control keeps its text close to the frame.
    RichEdit1->document()->setDocumentMargin(2);
    place(RichEdit1, 16, 36, 265, 157);

    Label1 = new QLabel(qtText("Paradox Importfilter Version 1.0.5"), this);
    Label1->setObjectName("Label1");
    Label1->setFont(labelFont(scaled(kDesignedFontPixels), Label1->text(), scaled(140)));
    QPalette labelPal = Label1->palette();
    labelPal.setColor(QPalette::WindowText, kLabelGray);
    Label1->setPalette(labelPal);
    // A press on the label must not fall through to the window's drag.
    Label1->setAttribute(Qt::WA_NoMousePropagation);
    place(Label1, 136, 194, 140, 12);

    Button1 = new QPushButton(qtText("Übertragung starten"), this);
    Button1->setObjectName("Button1");
    place(Button1, 16, 216, 129, 21);

    Button2 = new QPushButton(qtText("Beenden"), this);
    Button2->setObjectName("Button2");
    place(Button2, 156, 216, 129, 21);

    // A diagnostic aid outside the visible area, reachable with Tab only.
    Button3 = new QPushButton(QStringLiteral("Button3"), this);
    Button3->setObjectName("Button3");
    place(Button3, 492, 196, 75, 25);

    for (QPushButton* b : {Button1, Button2, Button3}) {
        b->setFocusPolicy(Qt::StrongFocus);
        b->setAutoDefault(false);
    }
    // A button ignores presses of other buttons than the left; they must
    // not fall through to the window's drag either.
    for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button2, Button3, ButtonX})
        w->setAttribute(Qt::WA_NoMousePropagation);
    QWidget::setTabOrder(RichEdit1, Button1);
    QWidget::setTabOrder(Button1, Button3);
    QWidget::setTabOrder(Button3, Button2);

    for (const char* line : kInitialLog) m_lines.push_back(rk::ansi(line));
    showLog();

    Timer1.setSingleShot(true);
    // A coarse timer may fire 5 % early; the wait is half a second at least.
    Timer1.setTimerType(Qt::PreciseTimer);
    Timer1.setInterval(design::kTimerInterval);

    setClientSize(scaled(design::kClientWidth), scaled(design::kClientHeight));
}

void TForm1::connectHandlers()
{
    connect(Button1, &QPushButton::clicked, this, [this] { RunGuarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { RunGuarded([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { RunGuarded([this] { Button3Click(); }); });
    connect(ButtonX, &QToolButton::clicked, this, [this] { RunGuarded([this] { ButtonXClick(); }); });
    connect(&Timer1, &QTimer::timeout, this, [this] { RunGuarded([this] { Timer1Timer(); }); });

    // The drag targets besides the background itself.
    RichEdit1->viewport()->installEventFilter(this);
    ProgressBar1->installEventFilter(this);
    ProgressBar2->installEventFilter(this);
}

} // namespace rk::app
