// The access check when MainWindow is shown, the transfer from the button, and
// the unattended run: its window states, its one-shot timer, its final box,
// and the exit code a calling program gets.
#include <QApplication>
#include <QPushButton>

#include "tests/app/FormTestSupport.h"

namespace rk::test {
namespace {

using app::LastRun;
using app::MsgKind;

const Box kEndBox{ansi("Übertragung beendet"), MsgKind::Information};

int countOf(const Events& events, const std::string& what) { return int(std::count(events.begin(), events.end(), what)); }

TEST_F(FormTest, UnreachableSourceShowsItsBoxAndClosesTheWindow)
{
    setup.sourceReachable = false;
    TestMainWindow& form = makeForm({"-auto"});
    showAndActivate(form);
    EXPECT_EQ(form.boxes, (std::vector<Box>{{ansi("Kein Zugriff auf RK5 Daten."), MsgKind::Information}}));
    EXPECT_EQ(events, (Events{"Database1.Open", "box " + ansi("Kein Zugriff auf RK5 Daten."),
                              "IBDatabase1.Close"}));
    EXPECT_TRUE(application().terminated());
    EXPECT_TRUE(form.errors.empty());
    // An unattended run that could not start tells its caller so.
    EXPECT_EQ(form.exitCode(), 2);
}

TEST_F(FormTest, ReachableSourcePassesTheCheckSilently)
{
    TestMainWindow& form = makeForm();
    showAndActivate(form);
    EXPECT_EQ(events, (Events{"Database1.Open"}));
    EXPECT_TRUE(form.boxes.empty());
    EXPECT_FALSE(application().terminated());
    EXPECT_EQ(form.exitCode(), 0);
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

class StartStates : public FormTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartStates, OptionsShapeTheWindow)
{
    const StartCase& c = GetParam();
    TestMainWindow& form = makeForm(c.args);
    EXPECT_EQ(form.staysOnTop(), c.onTop);
    EXPECT_EQ(form.alphaBlend(), c.alphaAfterCreate != 255);
    EXPECT_EQ(form.alphaBlendValue(), c.alphaAfterCreate);
    EXPECT_EQ(form.lines().empty(), c.logCleared);
    EXPECT_EQ(form.width(), 298);

    showAndActivate(form);
    EXPECT_EQ(form.alphaBlendValue(), c.alphaAfterActivate);
    const int designedHeight = (241 * form.textHeight() + 6) / 13;
    EXPECT_EQ(form.height(), c.heightAfterActivate ? c.heightAfterActivate : designedHeight);
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form.autoStartTimerEnabled(), c.onTop);
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

TEST_F(FormTest, WithoutAutoTheTimerNeverFires)
{
    TestMainWindow& form = makeForm({"-nomessage"});
    showAndActivate(form);
    pump(900);
    EXPECT_EQ(countOf(events, "ConnectTargetDatabase"), 0);
    EXPECT_FALSE(form.autoStartTimerEnabled());
    EXPECT_FALSE(application().terminated());
}

TEST_F(FormTest, AutoRunsTheTransferOnceHalfASecondAfterFirstActivation)
{
    TestMainWindow& form = makeForm({"-auto", "-id:JOB42"});
    const qint64 beforeShow = form.fake().sinceStart.elapsed();
    showAndActivate(form);
    ASSERT_TRUE(form.autoStartTimerEnabled());

    // Activating again, or enabling the armed timer, changes nothing.
    form.armAutoStart();
    QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
    QApplication::sendEvent(&form, &deactivate);
    QApplication::sendEvent(&form, &activate);

    pump(2000, [&] { return application().terminated(); });
    pump(700);
    ASSERT_EQ(form.fake().runStarts.size(), 1u);
    EXPECT_GE(form.fake().runStarts[0] - beforeShow, 495);
    EXPECT_LT(form.fake().runStarts[0] - beforeShow, 1500);

    EXPECT_EQ(form.fake().target.lastValue("JOB_ID"), "-id:JOB42");
    EXPECT_EQ(form.boxes, (std::vector<Box>{kEndBox}));
    // The end box comes after the run's last commit, and the close after the box.
    const auto box = std::find(events.begin(), events.end(), "box " + kEndBox.text);
    ASSERT_NE(box, events.end());
    EXPECT_EQ(*(box - 1), "COMMIT");
    EXPECT_EQ(*(box + 1), "IBDatabase1.Close");
    EXPECT_EQ(events.back(), "IBDatabase1.Close");
    EXPECT_TRUE(application().terminated());
    EXPECT_FALSE(form.autoStartTimerEnabled());
    EXPECT_EQ(form.lastRunOutcome(), LastRun::Completed);
    EXPECT_EQ(form.exitCode(), 0);
}

TEST_F(FormTest, QuietAutoRunEndsWithoutABox)
{
    TestMainWindow& form = makeForm({"-nomessage", "-auto"});
    showAndActivate(form);
    pump(2000, [&] { return application().terminated(); });
    EXPECT_TRUE(application().terminated());
    EXPECT_TRUE(form.boxes.empty());
    EXPECT_EQ(form.exitCode(), 0);
}

TEST_F(FormTest, AutoRunWithoutTargetStillReportsAndCloses)
{
    setup.targetConnects = false;
    TestMainWindow& form = makeForm({"-auto"});
    showAndActivate(form);
    pump(2000, [&] { return application().terminated(); });
    EXPECT_EQ(form.boxes, (std::vector<Box>{kEndBox}));
    EXPECT_TRUE(application().terminated());
    EXPECT_EQ(form.lastRunOutcome(), LastRun::NotConnected);
    EXPECT_EQ(form.exitCode(), 2);
}

TEST_F(FormTest, FailedAutoRunShowsTheErrorAndKeepsTheWindowOpen)
{
    setup.failingSql = "DELETE FROM";
    TestMainWindow& form = makeForm({"-auto", "-nomessage"});
    showAndActivate(form);
    pump(1500, [&] { return !form.errors.empty(); });
    pump(700);
    EXPECT_EQ(form.errors, (std::vector<std::string>{"exec failed"}));
    EXPECT_TRUE(form.boxes.empty());
    EXPECT_FALSE(application().terminated());
    EXPECT_TRUE(form.startButton()->isEnabled());
    EXPECT_TRUE(form.quitButton()->isEnabled());
    EXPECT_EQ(form.fake().runStarts.size(), 1u);
    EXPECT_EQ(form.exitCode(), 2);

    // A later good run by the button makes the process succeed after all.
    setup.failingSql.clear();
    QTest::mouseClick(form.startButton(), Qt::LeftButton);
    EXPECT_EQ(form.lastRunOutcome(), LastRun::Completed);
    EXPECT_EQ(form.exitCode(), 0);
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

TEST_F(FormTest, ButtonRunWithoutTargetLeavesTheButtonsAndRecordsNoConnection)
{
    setup.targetConnects = false;
    TestMainWindow& form = makeForm();
    showAndActivate(form);
    events.clear();
    QTest::mouseClick(form.startButton(), Qt::LeftButton);
    EXPECT_EQ(events, (Events{"ConnectTargetDatabase"}));
    EXPECT_EQ(form.lastRunOutcome(), LastRun::NotConnected);
    EXPECT_EQ(form.exitCode(), 2);
    EXPECT_TRUE(form.startButton()->isEnabled());
}

} // namespace
} // namespace rk::test
