// MainWindow as a user sees it: places and sizes, colours, texts, keyboard focus,
// the window drag, the diagnostic listing and every way of closing it.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <thread>

#include "app/CloseGlyph.h"
#include "app/ProgressBar.h"
#include "tests/app/WindowTestSupport.h"

namespace rk::test {
namespace {

using app::MainWindow;

std::string utf8(const QString& s) { return s.toStdString(); }

// --- geometry -------------------------------------------------------------

struct Place {
    const char* name;
    int left, top, width, height;
};

// legend: component, designed left, top, width, height
const Place kDesignedPlaces[] = {
    {"ProgressBar2", 16, 4, 241, 13}, {"ButtonX", 264, 4, 23, 22},  {"ProgressBar1", 16, 20, 241, 13},
    {"RichEdit1", 16, 36, 265, 157},  {"Label1", 136, 194, 140, 12}, {"Button1", 16, 216, 129, 21},
    {"Button2", 156, 216, 129, 21},   {"Button3", 492, 196, 75, 25},
};

TEST_F(WindowTest, ControlsSitAtTheirDesignedPlacesScaledByTheTextHeight)
{
    MainWindow& window = makeWindow();
    const int h = window.textHeight();
    auto scaled = [h](int v) { return (v * h + 6) / 13; };
    for (const Place& p : kDesignedPlaces) {
        auto* w = window.findChild<QWidget*>(p.name);
        ASSERT_NE(w, nullptr) << p.name;
        EXPECT_EQ(w->geometry(), QRect(scaled(p.left), scaled(p.top), scaled(p.width), scaled(p.height))) << p.name;
    }
    EXPECT_EQ(h, app::textHeightOf(window.font()));
}

TEST_F(WindowTest, WindowIsNarrowedBorderlessAndCentredWithItsSizeAfterCreation)
{
    MainWindow& window = makeWindow();
    EXPECT_EQ(window.size(), QSize(298, (241 * window.textHeight() + 6) / 13));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(window.staysOnTop());
    // the column-list button lies outside the visible client area.
    EXPECT_GE(window.columnListButton()->x(), window.width());

    showAndActivate(static_cast<TestMainWindow&>(window));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.pos(), QPoint(std::max(0, (screen.width() - window.width()) / 2),
                                 std::max(0, (screen.height() - window.height()) / 2)));
}

// --- colours, fonts and texts ---------------------------------------------

TEST_F(WindowTest, ColoursFontsAndTextsAreTheDesignedOnes)
{
    MainWindow& window = makeWindow();
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(255, 251, 240));
    EXPECT_TRUE(window.autoFillBackground());
    EXPECT_EQ(window.statusLog()->palette().color(QPalette::Base), QColor(255, 251, 240));
    EXPECT_EQ(window.versionLabel()->palette().color(QPalette::WindowText), QColor(128, 128, 128));

    EXPECT_EQ(utf8(window.versionLabel()->text()), "Paradox Importfilter Version 1.0.5");
    EXPECT_EQ(utf8(window.startButton()->text()), "Übertragung starten");
    EXPECT_EQ(utf8(window.quitButton()->text()), "Beenden");
    EXPECT_EQ(utf8(window.columnListButton()->text()), "Button3");
    EXPECT_EQ(window.caption(), ansi("RK5 -> RK VI Datenübertragung"));

    // Both fonts are installed ones, at 8 pt for 96 dpi.
    const QStringList families = QFontDatabase::families();
    EXPECT_TRUE(families.contains(QFontInfo(window.font()).family())) << utf8(QFontInfo(window.font()).family());
    EXPECT_EQ(window.font().pixelSize(), 11);
    EXPECT_TRUE(families.contains(QFontInfo(window.versionLabel()->font()).family()));
    // The log's designed lines fit its width, as they did in the designed font.
    const int room = window.statusLog()->width() - 2 * window.statusLog()->frameWidth() -
                     2 * int(window.statusLog()->document()->documentMargin());
    for (const std::string& line : window.lines()) {
        const QString shown = QString::fromStdString(toUtf8(line)).trimmed(); // trailing blanks never wrap
        EXPECT_LE(QFontMetrics(window.font()).horizontalAdvance(shown), room) << line;
    }
    // The label's text fits its designed box in the narrow font.
    EXPECT_LE(QFontMetrics(window.versionLabel()->font()).horizontalAdvance(window.versionLabel()->text()), window.versionLabel()->width());
}

TEST_F(WindowTest, InitialLogKeepsItsSevenLinesWithTrailingBlanks)
{
    MainWindow& window = makeWindow();
    const std::vector<std::string> expected = {
        ansi("Dieses Zusatzprogramm überträgt Daten aus dem "),
        ansi("Ravelkamp 5 in die Datenbank der Version VI."),
        ansi("Dazu muss auf diesem Rechner sowohl das "),
        ansi("Ravelkamp 5 als auch das Ravelkamp VI installiert "),
        ansi("sein. "),
        ansi("Bitte beenden sie beide Programme soweit sie noch "),
        ansi("geöffnet sind. "),
    };
    EXPECT_EQ(window.lines(), expected);
    EXPECT_TRUE(utf8(window.statusLog()->toPlainText()).starts_with("Dieses Zusatzprogramm überträgt Daten aus dem \n"));
    EXPECT_TRUE(window.statusLog()->isReadOnly());
}

// --- focus ----------------------------------------------------------------

TEST_F(WindowTest, LogHasTheFocusAtFirstActivationAndTabCyclesTheFourFocusableControls)
{
    TestMainWindow& window = makeWindow();
    showAndActivate(window);
    ASSERT_TRUE(window.isActiveWindow());
    EXPECT_EQ(QApplication::focusWidget(), window.statusLog());

    std::vector<QWidget*> order;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(order, (std::vector<QWidget*>{window.startButton(), window.columnListButton(), window.quitButton(), window.statusLog()}));

    for (QWidget* w : std::initializer_list<QWidget*>{window.closeGlyph(), window.versionLabel(), window.rowProgress(), window.tableProgress()})
        EXPECT_EQ(w->focusPolicy(), Qt::NoFocus) << utf8(w->objectName());
}

// --- drag -----------------------------------------------------------------

void press(QWidget* w, Qt::MouseButton button, Qt::MouseButtons held)
{
    const QPointF local(2, 2);
    QMouseEvent event(QEvent::MouseButtonPress, local, w->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

TEST_F(WindowTest, LeftButtonDragsFromBackgroundLogAndBarsOnly)
{
    TestMainWindow& window = makeWindow();
    showAndActivate(window);
    struct Target {
        QWidget* widget;
        bool drags;
    };
    // legend: where the press lands, whether it may move the window
    const Target targets[] = {
        {&window, true},           {window.statusLog()->viewport(), true}, {window.rowProgress(), true},
        {window.tableProgress(), true}, {window.versionLabel(), false},             {window.startButton(), false},
        {window.quitButton(), false},   {window.closeGlyph(), false},
    };
    for (const Target& t : targets) {
        window.drags = 0;
        press(t.widget, Qt::RightButton, Qt::RightButton);
        EXPECT_EQ(window.drags, 0) << "right button on " << utf8(t.widget->objectName());
        press(t.widget, Qt::LeftButton, Qt::LeftButton);
        // the right button pressed while the left is held counts as well
        press(t.widget, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
        EXPECT_EQ(window.drags, t.drags ? 2 : 0) << utf8(t.widget->objectName());
    }
}

TEST_F(WindowTest, WithoutASystemMoveTheWindowFollowsTheMouseUntilRelease)
{
    // The offscreen platform has no system move, so the drag by hand runs.
    TestMainWindow& window = makeWindow();
    window.realDrag = true;
    showAndActivate(window);
    const QPoint start = window.pos();
    auto send = [&](QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(w->mapFromGlobal(global)), QPointF(global), button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    const QPoint at = window.rowProgress()->mapToGlobal(QPoint(5, 5));
    send(window.rowProgress(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    ASSERT_TRUE(window.dragging());
    send(&window, QEvent::MouseMove, at + QPoint(30, -10), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), start + QPoint(30, -10));
    send(&window, QEvent::MouseButtonRelease, at + QPoint(30, -10), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(window.dragging());
    send(&window, QEvent::MouseMove, at + QPoint(90, 90), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(30, -10));
}

// --- diagnostic listing ---------------------------------------------------

TEST_F(WindowTest, DiagnosticListingIsBuiltAfreshEachTime)
{
    // legend: the listing table's fields, the log after each click
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{"Nr", "reg", ansi("Zähler")},
         {ansi(", NR, REG, ZÄHLER"), "", ansi(", NR, REG, ZÄHLER, :NR, :REG, :ZÄHLER")}},
        {{}, {"", "", ""}},
    };
    for (const auto& [fields, expected] : cases) {
        setup.columnListFields = fields;
        TestMainWindow& window = makeWindow();
        events.clear();
        QTest::mouseClick(window.columnListButton(), Qt::LeftButton);
        EXPECT_EQ(window.lines(), expected);
        QTest::mouseClick(window.columnListButton(), Qt::LeftButton);
        EXPECT_EQ(window.lines(), expected);
        EXPECT_EQ(std::count(events.begin(), events.end(), "Table1.Open"), 2);
        EXPECT_TRUE(window.errors.empty());
    }
}

// --- closing --------------------------------------------------------------

enum class CloseWay { CloseGlyph, QuitButton, System };

class Closing : public WindowTest, public ::testing::WithParamInterface<CloseWay> {
protected:
    void closeBy(TestMainWindow& window, CloseWay way)
    {
        switch (way) {
        case CloseWay::CloseGlyph: QTest::mouseClick(window.closeGlyph(), Qt::LeftButton); break;
        case CloseWay::QuitButton: QTest::mouseClick(window.quitButton(), Qt::LeftButton); break;
        case CloseWay::System: window.close(); break; // what Alt+F4 or the task bar sends
        }
    }
};

TEST_P(Closing, CommitsTheOpenTransactionClosesTheTargetAndEndsTheProgram)
{
    TestMainWindow& window = makeWindow();
    showAndActivate(window);
    window.fake().beginTransaction();
    events.clear();

    closeBy(window, GetParam());
    EXPECT_EQ(events, (Events{"COMMIT", "IBDatabase1.Close"}));
    EXPECT_TRUE(app().terminated());
    // The window stays until the main loop takes the request.
    EXPECT_TRUE(window.isVisible());

    // Closing again repeats the close handler, now without a transaction.
    events.clear();
    closeBy(window, GetParam());
    EXPECT_EQ(events, (Events{"IBDatabase1.Close"}));
}

TEST_P(Closing, AFailedCommitKeepsTheProgramRunning)
{
    TestMainWindow& window = makeWindow();
    showAndActivate(window);
    window.fake().beginTransaction();
    setup.commitFails = true;

    closeBy(window, GetParam());
    EXPECT_EQ(window.errors, (std::vector<std::string>{"commit failed"}));
    EXPECT_FALSE(app().terminated());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.fake().inTransaction());
}

TEST_F(WindowTest, ClosingDuringARunCommitsTheRowsSoFarAndTheRunGoesOn)
{
    setup.rowsPerTable = 3;
    TestMainWindow& window = makeWindow();
    showAndActivate(window);
    bool clicked = false;
    // The click lands in the run's message pumping after the first row: that
    // row takes longer than the pumping's interval.
    setup.afterExec = [&](const std::string& sql) {
        if (clicked || sql.find("INSERT INTO IMPORT_RK5_REGIONEN") == std::string::npos) return;
        clicked = true;
        QTimer::singleShot(0, window.closeGlyph(), [&] { QTest::mouseClick(window.closeGlyph(), Qt::LeftButton); });
        std::this_thread::sleep_for(app::EventThrottle::kInterval + std::chrono::milliseconds(1));
    };
    events.clear();
    QTest::mouseClick(window.startButton(), Qt::LeftButton);

    const auto first = std::find(events.begin(), events.end(), "EXEC INSERT IMPORT_RK5_REGIONEN");
    ASSERT_NE(first, events.end());
    EXPECT_EQ(Events(first, first + 4), (Events{"EXEC INSERT IMPORT_RK5_REGIONEN", "COMMIT", "IBDatabase1.Close",
                                               "EXEC INSERT IMPORT_RK5_REGIONEN"}));
    EXPECT_TRUE(app().terminated());
    // The run still ends normally, with its job record.
    EXPECT_NE(std::find(events.begin(), events.end(), "EXEC INSERT IMPORT_RK5_INFO"), events.end());
    EXPECT_EQ(window.fake().target.lastValue("JOB_ID"), "");
    EXPECT_EQ(window.lastRunOutcome(), app::LastRun::Completed);
    EXPECT_TRUE(window.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(AllWays, Closing, ::testing::Values(CloseWay::CloseGlyph, CloseWay::QuitButton, CloseWay::System));

// --- progress bars and glyph ----------------------------------------------

TEST_F(WindowTest, ProgressBarsRefuseANegativeMaximumAndHoldPositionsInRange)
{
    MainWindow& window = makeWindow();
    app::ProgressBar& bar = *window.rowProgress();
    EXPECT_EQ(bar.max(), 100);
    try {
        window.transferPort().setProgressMax(transfer::ProgressBarId::Rows, -1);
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.message(), ansi("Eigenschaft TProgressBar außerhalb des gültigen Bereichs"));
    }
    EXPECT_EQ(bar.max(), 100);

    bar.setPosition(150);
    EXPECT_EQ(bar.position(), 100);
    bar.setPosition(-3);
    EXPECT_EQ(bar.position(), 0);
    bar.setPosition(40);
    bar.setMax(13);
    EXPECT_EQ(bar.position(), 13);
    // An empty table: an empty bar, not Qt's busy indicator.
    bar.setMax(0);
    EXPECT_EQ(bar.position(), 0);
    EXPECT_GT(bar.maximum(), bar.minimum());
    EXPECT_EQ(bar.value(), 0);
}

TEST_F(WindowTest, PaintedFillOfABarLagsTheRowPositionByLessThanAPixel)
{
    MainWindow& window = makeWindow();
    app::ProgressBar& bar = *window.rowProgress();
    ASSERT_EQ(bar.width(), 241);
    bar.setMax(200000);
    bar.setPosition(0);
    for (int row = 1; row <= 200000; ++row) {
        bar.setPosition(row);
        if (row % 997 == 0) {
            ASSERT_LT(int64_t(bar.position() - bar.value()) * bar.width(), 200000) << row;
        }
    }
    EXPECT_EQ(bar.value(), 200000);
    bar.setPosition(0);
    EXPECT_EQ(bar.value(), 0);
}

TEST(CloseGlyph, CoralTileWithWhiteCrossOnTransparentGreen)
{
    const QImage glyph = app::closeTileGlyph();
    ASSERT_EQ(glyph.size(), QSize(23, 23));
    EXPECT_EQ(glyph.pixel(0, 22), qRgb(0, 255, 0));
    EXPECT_EQ(glyph.pixel(11, 1), qRgb(166, 57, 68));   // outline, top edge
    EXPECT_EQ(glyph.pixel(11, 2), qRgb(242, 184, 158)); // highlight inside the outline
    EXPECT_EQ(glyph.pixel(11, 11), qRgb(255, 255, 255)); // centre of the cross
    EXPECT_EQ(glyph.pixel(8, 6), qRgb(70, 30, 26));      // edge of a stroke
    const QColor top = glyph.pixelColor(3, 3), bottom = glyph.pixelColor(3, 19);
    EXPECT_GT(top.red(), bottom.red()); // shaded from light to dark

    const QImage shown = app::transparentByBottomLeft(glyph);
    int visible = 0;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 23; ++x) {
            const QRgb p = shown.pixel(x, y);
            if (qAlpha(p) == 0) continue;
            ++visible;
            EXPECT_NE(qRgb(qRed(p), qGreen(p), qBlue(p)), qRgb(0, 255, 0)) << x << "," << y;
        }
    EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(shown.pixel(1, 1)), 0); // rounded corner
    EXPECT_EQ(visible, 21 * 21 - 4);
}

} // namespace
} // namespace rk::test
