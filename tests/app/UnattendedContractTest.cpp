// What a calling program relies on: an end signal stops a run after its
// row, a run nobody can watch ends by itself, the file dialog's start and
// language, the close glyph as shown, and the display check made before
// the application exists.
#include <QApplication>
#include <QFileDialog>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sys/socket.h>
#include <mutex>
#include <thread>
#include <sys/un.h>
#include <unistd.h>

#include "app/CloseGlyph.h"
#include "app/DisplayCheck.h"
#include "app/Startup.h"
#include "app/shell/Headless.h"
#include "tests/app/WindowTestSupport.h"

namespace rk::test {
namespace {

using app::LastRun;

// Switches "nobody at the screen" on for one test.
struct noOneAtScreen {
    noOneAtScreen() { app::setNoOneAtScreen(true); }
    ~noOneAtScreen() { app::setNoOneAtScreen(false); }
};

TEST_F(WindowTest, EndSignalDuringARunStopsAfterTheCurrentRowCommitsAndCloses)
{
    setup.rowsPerTable = 3;
    TestMainWindow& window = makeWindow();
    showAndActivate(window);
    bool signalled = false;
    // The signal is taken while the second row is executed; the run's event
    // processing after that row stops it, whether or not it pumps then.
    int rows = 0;
    setup.afterExec = [&](const std::string& sql) {
        if (sql.find("INSERT INTO IMPORT_RK5_REGIONEN") == std::string::npos || ++rows != 2) return;
        signalled = true;
        window.endSignal();
    };
    events.clear();
    EXPECT_THROW(window.onStartClicked(), rk::EAbort); // dropped silently by the error display
    EXPECT_TRUE(signalled);

    const auto second = std::find(events.begin(), events.end(), "EXEC INSERT IMPORT_RK5_REGIONEN") + 1;
    ASSERT_LT(second, events.end());
    EXPECT_EQ(*second, "EXEC INSERT IMPORT_RK5_REGIONEN");
    // After the second row: the run's own end commits, then the window closes.
    EXPECT_EQ(Events(second + 1, events.end()),
              (Events{"COMMIT", "IBDatabase1.Close"}));
    EXPECT_TRUE(app().terminated());
    // No job record.
    EXPECT_EQ(window.fake().target.lastValue("JOB_ID"), "<none>");
    EXPECT_EQ(window.lastRunOutcome(), LastRun::Failed);
    EXPECT_EQ(window.exitCode(), 2);
}

TEST_F(WindowTest, EndSignalOutsideARunEndsTheProgramEvenWhenTheCommitFails)
{
    // A failed commit keeps the window for a person to read the error; the
    // caller behind a signal is not one: the error is reported, the end follows.
    TestMainWindow& window = makeWindow();
    showAndActivate(window);
    window.fake().beginTransaction();
    setup.commitFails = true;
    events.clear();
    window.endSignal();
    // The commit failed, so the connection was not closed.
    EXPECT_EQ(events, Events{});
    EXPECT_TRUE(app().terminated());
    EXPECT_TRUE(app().endSignalled());
    EXPECT_EQ(window.exitCode(), 2);
}

TEST_F(WindowTest, FailedAutoRunWithNobodyAtTheScreenShowsTheErrorAndCloses)
{
    const noOneAtScreen nobody;
    setup.failingSql = "DELETE FROM";
    TestMainWindow& window = makeWindow({"-auto", "-nomessage"});
    showAndActivate(window);
    pump(1500, [&] { return app().terminated(); });
    EXPECT_TRUE(app().terminated());
    EXPECT_TRUE(window.errors.empty()); // shown by the error display itself, then closed
    EXPECT_EQ(window.fake().runStarts.size(), 1u);
    EXPECT_EQ(window.exitCode(), 2);
}

TEST_F(WindowTest, FileDialogStartsAtHomeForAMissingFolderAndIsCancelledWhenNobodyIsThere)
{
    TestMainWindow& window = makeWindow();
    const std::filesystem::path here = std::filesystem::temp_directory_path();
    // legend: initial folder given, folder the dialog shows
    const std::pair<std::string, QString> cases[] = {
        {"C:\\Programme\\", QDir::homePath()},
        {here.string(), QString::fromStdString(here.string())},
    };
    for (const auto& [given, shown] : cases) {
        QString seen;
        QTimer::singleShot(50, &window, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                seen = dialog->directory().absolutePath();
                dialog->reject();
            }
        });
        EXPECT_EQ(window.MainWindow::chooseTargetFile("Pfad", given, "Datenbank|*.fdb"), std::nullopt);
        EXPECT_EQ(seen, QDir(shown).absolutePath()) << given;
    }

    const noOneAtScreen nobody;
    QTimer::singleShot(2000, &window, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) static_cast<QDialog*>(dialog)->reject();
    });
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(window.MainWindow::chooseTargetFile("Pfad", "/", "Datenbank|*.fdb"), std::nullopt);
    EXPECT_LT(t.elapsed(), 1000); // answered at once, not by the timer
}

TEST_F(WindowTest, FileDialogSpeaksTheUsersLanguage)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator translator;
    const bool loaded = app::loadQtTranslations(translator);
    QLocale::setDefault(QLocale::c());
    ASSERT_TRUE(loaded) << "Qt's German translations are not installed";
    QCoreApplication::installTranslator(&translator);
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QString::fromUtf8("Suchen in:"));
    QCoreApplication::removeTranslator(&translator);
}

TEST_F(WindowTest, CloseGlyphIsShownPixelForPixelOnTheButtonFace)
{
    TestMainWindow& window = makeWindow();
    window.show();
    auto* button = static_cast<app::GlyphButton*>(window.closeGlyph());
    ASSERT_EQ(button->size(), QSize(23, 22));
    const QImage shown = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), button->size()); // one device pixel per pixel here
    const QImage glyph = app::closeTileGlyph();
    const QPoint at = button->glyphOrigin();
    EXPECT_EQ(at, QPoint(0, 0));
    int compared = 0;
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x) {
            const QPoint p = at + QPoint(x, y);
            if (glyph.pixel(x, y) == glyph.pixel(0, glyph.height() - 1) || !shown.rect().contains(p)) continue;
            ++compared;
            EXPECT_EQ(QColor(shown.pixel(p)).name().toStdString(), QColor(glyph.pixel(x, y)).name().toStdString())
                << x << "," << y;
        }
    EXPECT_EQ(compared, 21 * 21 - 4); // the whole tile, outline and corners included
}

// --- the display check ------------------------------------------------------

// A Unix socket that listens for the life of the object. A silent one
// takes connections into its backlog and never answers (a stopped server);
// an answering one reads each client's first request, keeps it and answers
// one byte.
class ListeningSocket {
public:
    ListeningSocket(const std::string& path, bool answering) : m_path(path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        ::unlink(path.c_str());
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_fd, 4) != 0) m_fd = -1;
        if (m_fd >= 0 && answering) m_server = std::thread([this] { serve(); });
    }
    ~ListeningSocket()
    {
        if (m_fd >= 0) ::shutdown(m_fd, SHUT_RDWR);
        if (m_server.joinable()) m_server.join();
        if (m_fd >= 0) ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    bool ok() const { return m_fd >= 0; }
    // The first request received, once the check has returned.
    std::string request() const
    {
        const std::lock_guard lock(m_mutex);
        return m_request;
    }

private:
    void serve()
    {
        for (int client; (client = ::accept(m_fd, nullptr, nullptr)) >= 0; ::close(client)) {
            char buffer[64];
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n > 0) {
                const std::lock_guard lock(m_mutex);
                if (m_request.empty()) m_request.assign(buffer, size_t(n));
            }
            (void)!::send(client, "\x01", 1, MSG_NOSIGNAL);
        }
    }

    std::string m_path;
    int m_fd = -1;
    mutable std::mutex m_mutex;
    std::string m_request;
    std::thread m_server;
};

TEST(DisplayCheck, OnlyAServerThatAnswersCounts)
{
    const std::string dir = std::filesystem::temp_directory_path() / ("rk_display_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    {
        ListeningSocket wayland(dir + "/wayland-test", true);
        ASSERT_TRUE(wayland.ok());
        EXPECT_TRUE(app::waylandDisplayAnswers("wayland-test", dir));
        EXPECT_TRUE(app::waylandDisplayAnswers(dir + "/wayland-test", ""));
        EXPECT_FALSE(app::waylandDisplayAnswers("wayland-none", dir));
        EXPECT_FALSE(app::waylandDisplayAnswers("wayland-test", ""));
        EXPECT_FALSE(app::waylandDisplayAnswers("", dir));
    }
    // legend: DISPLAY values with no server behind them, or malformed
    for (const char* display : {"", ":97", "unix:97.0", "localhost:97", "nohost", ":x"})
        EXPECT_FALSE(app::x11DisplayAnswers(display)) << display;

    // A server that takes the connection but never answers does not count,
    // and the check gives up on it within its time.
    const int number = 600 + ::getpid() % 300;
    const std::string x11 = "/tmp/.X11-unix/X" + std::to_string(number);
    std::filesystem::create_directories("/tmp/.X11-unix");
    // legend: (protocol, answering)
    for (const bool answering : {false, true}) {
        ListeningSocket x(x11, answering);
        ListeningSocket wayland(dir + "/wayland-0", answering);
        ASSERT_TRUE(x.ok() && wayland.ok());
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(app::x11DisplayAnswers(":" + std::to_string(number)), answering);
        EXPECT_EQ(app::waylandDisplayAnswers("wayland-0", dir), answering);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(answering ? 1 : 7));
        if (answering) {
            // X: the connection setup, least significant byte first, protocol 11;
            // Wayland: wl_display.get_registry.
            const std::string setup = x.request();
            ASSERT_EQ(setup.size(), 12u);
            EXPECT_EQ(setup[0], 'l');
            EXPECT_EQ(setup[2], 11);
            EXPECT_EQ(wayland.request().size(), 12u);
        }
    }
    std::filesystem::remove_all(dir);
}

TEST(DisplayCheck, WithoutADisplayOnlyAnUnattendedRunGoesOn)
{
    struct Saved {
        const char* name;
        std::optional<std::string> value;
    };
    std::vector<Saved> saved;
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        saved.push_back({name, v ? std::optional<std::string>(v) : std::nullopt});
        ::unsetenv(name);
    }
    ::setenv("DISPLAY", ":97", 1);
    struct Case {
        const char* platform; // null: unset
        bool unattended;
        app::DisplayChoice choice;
    };
    // legend: QT_QPA_PLATFORM, -auto, the choice
    const Case cases[] = {
        {nullptr, true, app::DisplayChoice::Offscreen}, {nullptr, false, app::DisplayChoice::NoDisplay},
        {"xcb", true, app::DisplayChoice::Offscreen},   {"wayland", false, app::DisplayChoice::NoDisplay},
        {"offscreen", false, app::DisplayChoice::AsIs}, {"vnc", true, app::DisplayChoice::AsIs},
    };
    for (const Case& c : cases) {
        if (c.platform)
            ::setenv("QT_QPA_PLATFORM", c.platform, 1);
        else
            ::unsetenv("QT_QPA_PLATFORM");
        EXPECT_EQ(app::chooseDisplay(c.unattended), c.choice) << (c.platform ? c.platform : "unset") << c.unattended;
    }
    for (const Saved& s : saved) {
        if (s.value)
            ::setenv(s.name, s.value->c_str(), 1);
        else
            ::unsetenv(s.name);
    }
}

TEST(QtNoise, OnlyThePlatformsOwnWarningsAndTheRuntimeFolderOnesAreLeftOut)
{
    struct Case {
        const char* message;
        bool offscreenNoise, startNoise;
    };
    // legend: message, dropped as the offscreen platform's, dropped as the start's
    const Case cases[] = {
        {"This plugin does not support setting window opacity", true, false},
        {"This plugin does not support raise()", true, false},
        {"QWidgetWindow(0x55d0, name=\"MainWindowWindow\") propagateSizeHints() is not implemented", true, false},
        {"QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-root'", false, true},
        {"QStandardPaths: wrong permissions on runtime directory /run/user/0", false, true},
        {"QStandardPaths: wrong permissions on runtime directory /tmp, 0777 instead of 0700", false, true},
        {"QStandardPaths: runtime directory '/run/user/0' is not owned by UID 1000, but a directory owned by 0", false,
         true},
        {"QStandardPaths: error creating runtime directory '/x' (Keine Berechtigung)", false, true},
        {"QStandardPaths: unrelated complaint about the cache folder", false, false},
        {"Could not connect to display", false, false},
        {"qt.qpa.xcb: could not connect to display", false, false},
    };
    for (const Case& c : cases) {
        const QString message = QString::fromUtf8(c.message);
        EXPECT_EQ(app::isOffscreenPlatformNoise(message), c.offscreenNoise) << c.message;
        EXPECT_EQ(app::isQtStartNoise(message), c.startNoise) << c.message;
    }
}

} // namespace
} // namespace rk::test
