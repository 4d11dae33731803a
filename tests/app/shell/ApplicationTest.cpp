// The error display and the end of the program: errors escaping handlers and
// events are shown and the program goes on; after the quit request boxes end
// at once and the main loop stops once control is back in it.
#include "ShellTestSupport.h"

#include "app/shell/ErrorDisplay.h"
#include "app/shell/Headless.h"
#include "app/shell/MessageBox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

using namespace rk::app;
using rk::ansi;
using rk::test::BoxDriver;

namespace {

class ApplicationTest : public rk::test::ShellTest {
protected:
    // Runs the main loop with a safety stop, so a loop that never ends fails.
    void runMainLoop()
    {
        QTimer::singleShot(5000, &app(), [this] {
            m_stoppedBySafety = true;
            QCoreApplication::exit(99);
        });
        app().run();
    }
    bool m_stoppedBySafety = false;
};

void pressOk(MessageForm* box) { QTest::keyClick(box, Qt::Key_Return); }

// An object whose event handling fails, as a window's would without guarded.
class FailingReceiver : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) throw rk::EDatabaseError(ansi("Ereignis gescheitert"));
        return QObject::event(e);
    }
};

TEST_F(ApplicationTest, ErrorInAHandlerIsShownAndTheProgramGoesOn)
{
    BoxDriver driver(pressOk);
    QPushButton button("Button3");
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        guarded([&] {
            ++clicks;
            if (clicks == 1) throw rk::EDatabaseError(ansi("BILDER.DB: Tabelle fehlt"));
        });
    });
    QTimer::singleShot(0, &button, [&] { button.click(); });
    QTimer::singleShot(50, &button, [&] { button.click(); });
    QTimer::singleShot(100, &app(), [&] { app().terminate(); });
    runMainLoop();
    EXPECT_FALSE(m_stoppedBySafety);
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(driver.seen().size(), 1u);
    EXPECT_EQ(driver.seen()[0].title, "RK_VAD2AV");
    EXPECT_EQ(driver.seen()[0].text, "BILDER.DB: Tabelle fehlt.");
}

TEST_F(ApplicationTest, ErrorEscapingAnEventIsCaughtAsALastResort)
{
    BoxDriver driver(pressOk);
    FailingReceiver receiver;
    bool later = false;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QTimer::singleShot(50, &app(), [&] {
        later = true;
        app().terminate();
    });
    runMainLoop();
    EXPECT_TRUE(later);
    ASSERT_EQ(driver.seen().size(), 1u);
    EXPECT_EQ(driver.seen()[0].text, "Ereignis gescheitert.");
}

TEST_F(ApplicationTest, ErrorDisplayTextsByKind)
{
    BoxDriver driver(pressOk);
    ::testing::internal::CaptureStderr();
    guarded([] { throw rk::EAbort("still"); }); // dropped, no box
    guarded([] { throw std::runtime_error("kaputt"); });
    guarded([] { throw 42; });
    guarded([] {});
    const std::string log = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(driver.seen().size(), 2u);
    EXPECT_EQ(driver.seen()[0].text, "kaputt.");
    EXPECT_EQ(driver.seen()[1].text, "Unbekannter Fehler.");
    EXPECT_EQ(log, "RK_VAD2AV: kaputt.\nRK_VAD2AV: Unbekannter Fehler.\n");
}

TEST_F(ApplicationTest, AfterTheQuitRequestBoxesEndAtOnceButErrorsStillWait)
{
    BoxDriver driver(pressOk);
    EXPECT_FALSE(app().terminated());
    app().terminate();
    app().terminate(); // twice is harmless
    EXPECT_TRUE(app().terminated());
    EXPECT_EQ(showMessageBox(ansi("Übertragung beendet"), MsgKind::Information), mrCancel);
    EXPECT_TRUE(driver.seen().empty());
    showErrorBox(rk::EDatabaseError("Commit gescheitert"));
    ASSERT_EQ(driver.seen().size(), 1u); // the driver had to press OK
    EXPECT_EQ(driver.seen()[0].text, "Commit gescheitert.");
    EXPECT_FALSE(driver.timedOut());
    runMainLoop();
    EXPECT_FALSE(m_stoppedBySafety);
}

struct NoWaitCase {
    const char* legend;
    bool nobody, signalled;
    int result; // of every box, the error boxes' included
};

class NoWaitTest : public rk::test::ShellTest, public ::testing::WithParamInterface<NoWaitCase> {};

TEST_P(NoWaitTest, NoBoxWaitsAndEachLeavesItsLine)
{
    const NoWaitCase& c = GetParam();
    // Nobody is there to press anything: a box that waited would fail by the driver's time-out.
    BoxDriver driver([](MessageForm*) {});
    setNoOneAtScreen(c.nobody);
    if (c.signalled) app().setEndSignalled();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(showMessageBox(ansi("Übertragung beendet"), MsgKind::Information), c.result);
    MessageForm error("RK_VAD2AV", "Commit gescheitert.", QStyle::SP_MessageBoxCritical);
    EXPECT_EQ(error.execute(false), c.result);
    const std::string log = ::testing::internal::GetCapturedStderr();
    setNoOneAtScreen(false);
    EXPECT_EQ(log, "Informationen: \xC3\x9C" "bertragung beendet\nRK_VAD2AV: Commit gescheitert.\n");
    EXPECT_TRUE(driver.seen().empty()); // never shown
    EXPECT_FALSE(driver.timedOut());
    EXPECT_FALSE(app().terminated());
}

// legend: who cannot answer, result of every box
INSTANTIATE_TEST_SUITE_P(Unanswered, NoWaitTest,
                         ::testing::Values(NoWaitCase{"NobodyAtTheScreen", true, false, mrOk},
                                           NoWaitCase{"EndSignal", false, true, mrCancel}),
                         [](const auto& info) { return std::string(info.param.legend); });

TEST_F(ApplicationTest, QuitRequestWhileABoxIsOpenEndsIt)
{
    BoxDriver driver([this](MessageForm*) { QTimer::singleShot(0, &app(), [this] { app().terminate(); }); });
    EXPECT_EQ(showMessageBox("Text", MsgKind::Information), mrCancel);
    EXPECT_EQ(driver.seen().size(), 1u);
    EXPECT_FALSE(driver.timedOut());
}

TEST_F(ApplicationTest, MainLoopStopsOnlyOnceTheOutermostHandlerReturns)
{
    BoxDriver driver(pressOk);
    std::vector<std::string> steps;
    bool tooLate = false;
    QTimer::singleShot(0, &app(), [&] {
        app().terminate();
        steps.push_back("closed");
        QCoreApplication::processEvents(); // the run's pumping takes the request
        steps.push_back("pumped");
        steps.push_back(showMessageBox("Ende", MsgKind::Information) == mrCancel ? "box 2" : "box waited");
        showErrorBox(rk::EDatabaseError("Fehler am Ende")); // an error box still waits for OK
        steps.push_back("error shown");
        QTimer::singleShot(0, &app(), [&] { tooLate = true; });
    });
    runMainLoop();
    EXPECT_FALSE(m_stoppedBySafety);
    EXPECT_EQ(steps, (std::vector<std::string>{"closed", "pumped", "box 2", "error shown"}));
    ASSERT_EQ(driver.seen().size(), 1u);
    EXPECT_EQ(driver.seen()[0].text, "Fehler am Ende.");
    EXPECT_FALSE(tooLate); // nothing after the handler ran in the main loop
}

// The chosen target file cannot be opened in an unattended run: the
// information box waits for OK, the window is closed, and the boxes after it
// flash up and end at once; then the program ends.
TEST_F(ApplicationTest, OrderOfBoxesWhenTheTargetCannotBeOpened)
{
    BoxDriver driver(pressOk);
    std::vector<int> results;
    int closes = 0;
    const auto close = [&] {
        ++closes; // the window's close operation would run here
        app().terminate();
    };
    QTimer::singleShot(0, &app(), [&] {
        results.push_back(showMessageBox(ansi("Kein Zugriff auf RK5 Daten."), MsgKind::Information));
        close();
        results.push_back(showMessageBox(ansi("Keine Verbindung zur RK VI Datenbank!"), MsgKind::Error));
        results.push_back(showMessageBox(ansi("Übertragung beendet"), MsgKind::Information));
        close();
    });
    ::testing::internal::CaptureStderr();
    runMainLoop();
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(m_stoppedBySafety);
    EXPECT_EQ(results, (std::vector<int>{mrOk, mrCancel, mrCancel}));
    EXPECT_EQ(closes, 2);
    ASSERT_EQ(driver.seen().size(), 1u);
    EXPECT_EQ(log, "Informationen: Kein Zugriff auf RK5 Daten.\n"
                   "Fehler: Keine Verbindung zur RK VI Datenbank!\n"
                   "Informationen: \xC3\x9c" "bertragung beendet\n");
}

TEST_F(ApplicationTest, StartupErrorBox)
{
    BoxDriver driver(pressOk);
    showStartupErrorBox(rk::EDatabaseError(ansi("gds32.dll kann nicht geladen werden")));
    ASSERT_EQ(driver.seen().size(), 1u);
    EXPECT_EQ(driver.seen()[0].title, "Anwendungsfehler");
    const std::string& text = driver.seen()[0].text;
    const std::string head = "Exception EDatabaseError in Modul rk_app_shell_tests bei ";
    const std::string tail = ".\r\ngds32.dll kann nicht geladen werden.\r\n";
    ASSERT_GT(text.size(), head.size() + tail.size());
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    const std::string address = text.substr(head.size(), text.size() - head.size() - tail.size());
    EXPECT_GE(address.size(), 8u);
    EXPECT_EQ(address.find_first_not_of("0123456789ABCDEF"), std::string::npos) << address;
}

} // namespace
