// The access check when MainWindow is shown, the transfer from the button, and
// the unattended run: its window states, its one-shot timer, its final box,
// and the exit code a calling program gets.
#include <QApplication>
#include <QPushButton>

#include "tests/app/WindowTestSupport.h"

namespace rk::test {
namespace {

using app::LastRun;
using app::MsgKind;

const Box kEndBox{ansi("Übertragung beendet"), MsgKind::Information};

int countOf(const Events& events, const std::string& what) { return int(std::count(events.begin(), events.end(), what)); }

TEST_F(WindowTest, SourceCheckPassesSilentlyOrShowsItsBoxAndClosesTheWindow)
{
    const std::string noAccess = ansi("Kein Zugriff auf RK5 Daten.");
    struct Case {
        bool reachable;
        app::Arguments args;
        Events events;
        std::vector<Box> boxes;
        int exitCode; // an unattended run that could not start tells its caller so
    };
    // legend: source reachable, arguments, what the window did, its boxes, exit code
    const Case cases[] = {
        {true, {}, {"Database1.Open"}, {}, 0},
        {false, {"-auto"}, {"Database1.Open", "box " + noAccess, "IBDatabase1.Close"},
         {{noAccess, MsgKind::Information}}, 2},
    };
    for (const Case& c : cases) {
        setup.sourceReachable = c.reachable;
        events.clear();
        TestMainWindow& window = makeWindow(c.args);
        showAndActivate(window);
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(window.boxes, c.boxes);
        EXPECT_EQ(app().terminated(), !c.reachable);
        EXPECT_TRUE(window.errors.empty());
        EXPECT_EQ(window.exitCode(), c.exitCode);
    }
}

// --- window states ----------------------------------------------------------

struct StartCase {
    const char* legend;
    app::Arguments args;
    bool onTop;
    int alphaAfterCreate; // 255: no alpha blending
    int alphaAfterActivate;
    int heightAfterActivate; // 0: the designed height
    bool logCleared;
};

class StartStates : public WindowTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartStates, OptionsShapeTheWindow)
{
    const StartCase& c = GetParam();
    TestMainWindow& window = makeWindow(c.args);
    EXPECT_EQ(window.staysOnTop(), c.onTop);
    EXPECT_EQ(window.alphaBlendValue(), c.alphaAfterCreate);
    EXPECT_EQ(window.lines().empty(), c.logCleared);
    EXPECT_EQ(window.width(), 298);

    showAndActivate(window);
    EXPECT_EQ(window.alphaBlendValue(), c.alphaAfterActivate);
    const int designedHeight = (241 * window.textHeight() + 6) / 13;
    EXPECT_EQ(window.height(), c.heightAfterActivate ? c.heightAfterActivate : designedHeight);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(window.autoStartTimerEnabled(), c.onTop);
}

INSTANTIATE_TEST_SUITE_P(
    Options, StartStates,
    ::testing::Values(StartCase{"plain", {}, false, 255, 255, 0, false},
                      StartCase{"nomessage_alone", {"-nomessage"}, false, 255, 255, 0, false},
                      StartCase{"auto", {"-auto"}, true, 255, 255, 0, false},
                      StartCase{"auto_quiet", {"-auto", "-nomessage"}, true, 225, 220, 208, true},
                      StartCase{"quiet_first", {"-nomessage", "x", "-auto"}, true, 225, 220, 208, true},
                      StartCase{"wrong_case", {"-Auto", "-NOMESSAGE"}, false, 255, 255, 0, false}),
    [](const auto& info) { return std::string(info.param.legend); });

// --- the timer --------------------------------------------------------------

TEST_F(WindowTest, WithoutAutoTheTimerNeverFires)
{
    TestMainWindow& window = makeWindow({"-nomessage"});
    showAndActivate(window);
    pump(900);
    EXPECT_EQ(countOf(events, "ConnectTargetDatabase"), 0);
    EXPECT_FALSE(window.autoStartTimerEnabled());
    EXPECT_FALSE(app().terminated());
}

TEST_F(WindowTest, AutoRunsTheTransferOnceHalfASecondAfterFirstActivation)
{
    TestMainWindow& window = makeWindow({"-auto", "-id:JOB42"});
    const qint64 beforeShow = window.fake().sinceStart.elapsed();
    showAndActivate(window);
    ASSERT_TRUE(window.autoStartTimerEnabled());

    // Activating again, or enabling the armed timer, changes nothing.
    window.armAutoStart();
    QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &deactivate);
    QApplication::sendEvent(&window, &activate);

    pump(2000, [&] { return app().terminated(); });
    pump(700);
    ASSERT_EQ(window.fake().runStarts.size(), 1u);
    EXPECT_GE(window.fake().runStarts[0] - beforeShow, 495);
    EXPECT_LT(window.fake().runStarts[0] - beforeShow, 1500);

    EXPECT_EQ(window.fake().target.lastValue("JOB_ID"), "-id:JOB42");
    EXPECT_EQ(window.boxes, (std::vector<Box>{kEndBox}));
    // The end box comes after the run's last commit, and the close after the box.
    const auto box = std::find(events.begin(), events.end(), "box " + kEndBox.text);
    ASSERT_NE(box, events.end());
    EXPECT_EQ(*(box - 1), "COMMIT");
    EXPECT_EQ(*(box + 1), "IBDatabase1.Close");
    EXPECT_EQ(events.back(), "IBDatabase1.Close");
    EXPECT_TRUE(app().terminated());
    EXPECT_FALSE(window.autoStartTimerEnabled());
    EXPECT_EQ(window.lastRunOutcome(), LastRun::Completed);
    EXPECT_EQ(window.exitCode(), 0);
}

TEST_F(WindowTest, AutoRunsEndByThemselvesQuietOrWithoutTargetToo)
{
    struct Case {
        const char* legend;
        app::Arguments args;
        bool targetConnects;
        std::vector<Box> boxes;
        LastRun last;
        int exitCode;
    };
    const Case cases[] = {
        {"quiet: no box", {"-nomessage", "-auto"}, true, {}, LastRun::Completed, 0},
        {"no target: still the box", {"-auto"}, false, {kEndBox}, LastRun::NotConnected, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        setup.targetConnects = c.targetConnects;
        TestMainWindow& window = makeWindow(c.args);
        showAndActivate(window);
        pump(2000, [&] { return app().terminated(); });
        EXPECT_TRUE(app().terminated());
        EXPECT_EQ(window.boxes, c.boxes);
        EXPECT_EQ(window.lastRunOutcome(), c.last);
        EXPECT_EQ(window.exitCode(), c.exitCode);
        TearDown();
        SetUp();
    }
}

TEST_F(WindowTest, FailedAutoRunShowsTheErrorAndKeepsTheWindowOpen)
{
    setup.failingSql = "DELETE FROM";
    TestMainWindow& window = makeWindow({"-auto", "-nomessage"});
    showAndActivate(window);
    pump(1500, [&] { return !window.errors.empty(); });
    pump(700);
    EXPECT_EQ(window.errors, (std::vector<std::string>{"exec failed"}));
    EXPECT_TRUE(window.boxes.empty());
    EXPECT_FALSE(app().terminated());
    EXPECT_TRUE(window.startButton()->isEnabled());
    EXPECT_TRUE(window.quitButton()->isEnabled());
    EXPECT_EQ(window.fake().runStarts.size(), 1u);
    EXPECT_EQ(window.exitCode(), 2);

    // A later good run by the button makes the process succeed after all.
    setup.failingSql.clear();
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    EXPECT_EQ(window.lastRunOutcome(), LastRun::Completed);
    EXPECT_EQ(window.exitCode(), 0);
}

// --- the exit code ------------------------------------------------------------

TEST(ExitCode, FollowsTheLastRunAndTheUnattendedMode)
{
    struct Case {
        LastRun last;
        bool unattended;
        int code;
    };
    // legend: last run, started with -auto, exit code
    const Case cases[] = {
        {LastRun::None, false, 0},         {LastRun::None, true, 2},      {LastRun::Completed, false, 0},
        {LastRun::Completed, true, 0},     {LastRun::NotConnected, false, 2}, {LastRun::NotConnected, true, 2},
        {LastRun::Failed, false, 2},       {LastRun::Failed, true, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(app::processExitCode(c.last, c.unattended), c.code) << int(c.last) << " " << c.unattended;
}

TEST_F(WindowTest, ButtonRunWithoutTargetLeavesTheButtonsAndRecordsNoConnection)
{
    setup.targetConnects = false;
    TestMainWindow& window = makeWindow();
    showAndActivate(window);
    events.clear();
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    EXPECT_EQ(events, (Events{"ConnectTargetDatabase"}));
    EXPECT_EQ(window.lastRunOutcome(), LastRun::NotConnected);
    EXPECT_EQ(window.exitCode(), 2);
    EXPECT_TRUE(window.startButton()->isEnabled());
}

} // namespace
} // namespace rk::test
