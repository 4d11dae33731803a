// The first start of a person at the screen, under a real X server (xvfb-run)
// with the real window, the program's own boxes and Qt's folder dialog: no
// alias anywhere, an alias whose folder has gone, a cancelled choice, and an
// unattended run that never asks. A driver answers each dialog and box as a
// person would, from a script, and records what it saw.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>

#include "app/MainWindow.h"
#include "app/RealDatabaseParts.h"
#include "app/shell/Application.h"
#include "app/shell/MessageForm.h"
#include "db/common/Ansi.h"
#include "db/paradox/Session.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/db/paradox/reader/TempDir.h"
#include "tests/support/FirebirdTestDatabase.h"
#include "tools/demo/DemoData.h"

namespace rk::test {
namespace {

namespace fs = std::filesystem;

const std::string kTitle = "Ordner mit den Ravelkamp-5-Daten wählen";
// Every table the transfer reads, as a box names them when a folder has none.
const std::string kAllTables = "REGIONEN.DB, GEBIETE.DB, GESTEINE.DB, GIPFEL.DB, WEGE.DB, BEGEHUNGEN.DB, "
                               "NAMENSLISTE.DB, NUTZER.DB, TAGESNOTIZ.DB, ZETTELWEGE.DB, EB.DB, BILDER.DB, CURRENTUSER.DB";

std::string readAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Answers what comes up modally: the folder dialog by typing the next
// scripted folder and pressing its button ("" cancels with Escape), a box
// with OK.
class Person {
public:
    Person()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(40);
    }
    std::deque<std::string> folders;
    // "dialog <title> in <start folder>" and "box <text>" (UTF-8), in order.
    std::vector<std::string> seen;

private:
    void look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_handled || !modal->isVisible()) return;
        m_handled = modal;
        if (auto* box = qobject_cast<app::MessageForm*>(modal)) {
            seen.push_back("box " + toUtf8(box->text()));
            QTimer::singleShot(0, box, [box] { box->findChild<QPushButton*>("OK")->click(); });
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            seen.push_back("dialog " + dialog->windowTitle().toStdString() + " in " +
                           dialog->directory().absolutePath().toStdString());
            const std::string folder = folders.empty() ? "" : folders.front();
            if (!folders.empty()) folders.pop_front();
            QTimer::singleShot(100, dialog, [dialog, folder] {
                if (folder.empty()) return QTest::keyClick(dialog, Qt::Key_Escape);
                auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
                name->setFocus();
                name->clear();
                QTest::keyClicks(name, QString::fromStdString(folder));
                // The dialog's own button, not Enter, which a completion list could take.
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
            });
        } else {
            seen.push_back("other " + modal->windowTitle().toStdString());
        }
    }

    QTimer m_timer;
    QWidget* m_handled = nullptr;
};

class FirstStart : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        m_person = std::make_unique<Person>();
        m_session = std::make_unique<source::Session>();
        for (const char* n : {"RK_ENGINE_CONFIG", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "HOME"})
            m_saved.emplace_back(n, std::getenv(n) ? std::optional<std::string>(std::getenv(n)) : std::nullopt);
        unsetenv("RK_ENGINE_CONFIG");
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", system.c_str(), 1);
        fs::create_directories(home);
        tools::demo::Manifest none("");
        tools::demo::writeDemoSet(data, {3, 5, 8, 12, 6, 4, 2, 3, 3, 4, 3}, none);
        fs::create_directories(empty);
    }
    void TearDown() override
    {
        m_window.reset();
        m_session.reset();
        m_person.reset();
        ShellTest::TearDown();
        for (const auto& [n, v] : m_saved) v ? setenv(n.c_str(), v->c_str(), 1) : unsetenv(n.c_str());
        m_saved.clear();
    }

    // Start-up as the program does it: the window shown, its access check run.
    app::MainWindow& start(const app::Arguments& args)
    {
        m_window = std::make_unique<app::MainWindow>(
            args, [this](app::MainWindow& f) { return app::makeDatabaseParts(f, *m_session); });
        app().setMainWindow(m_window.get());
        m_window->show();
        m_window->activateWindow();
        QApplication::processEvents();
        return *m_window;
    }
    Person& person() { return *m_person; }

    TempDir tmp;
    fs::path home = tmp.path() / "home";
    fs::path system = tmp.path() / "etc";
    fs::path userFile = home / ".config" / "rk_vad2av" / "engine.conf";
    fs::path data = tmp.path() / "Daten RK5";
    fs::path empty = tmp.path() / "leer";

private:
    std::unique_ptr<Person> m_person;
    std::unique_ptr<source::Session> m_session;
    std::unique_ptr<app::MainWindow> m_window;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(FirstStart, WithoutAliasTheChosenFolderIsRecordedAndTheTransferRunsToItsEnd)
{
    FirebirdTestDatabase target;
    person().folders = {empty.string(), data.string()};
    app::MainWindow& window = start({target.path()});
    ASSERT_EQ(person().seen.size(), 3u);
    EXPECT_EQ(person().seen[0], "dialog " + kTitle + " in " + home.string());
    EXPECT_EQ(person().seen[1], "box Im gewählten Ordner fehlen Tabellen der Ravelkamp-5-Daten:\n" + empty.string() +
                                  "\nEs fehlen: " + kAllTables +
                                  "\n\nBitte wählen Sie den Ordner, in dem diese Tabellen liegen.");
    EXPECT_EQ(person().seen[2], "dialog " + kTitle + " in " + home.string());
    EXPECT_EQ(readAll(userFile), "[DBRK]\nPATH=" + data.string() + "\nDEFAULT DRIVER=PARADOX\n");
    EXPECT_FALSE(app().terminated());

    window.startButton()->click();
    EXPECT_EQ(target.scalar("SELECT COUNT(*) FROM IMPORT_RK5_WEGE"), "12");
    EXPECT_EQ(target.scalar("SELECT COUNT(*) FROM IMPORT_RK5_INFO"), "1");
    EXPECT_EQ(person().seen.size(), 3u); // no error box
}

TEST_F(FirstStart, AnExistingUserFileKeepsEveryByteAndGetsTheSection)
{
    fs::create_directories(userFile.parent_path());
    const std::string before = "; meine Notiz\n[ANDERS]\r\nPATH=/srv/anders";
    std::ofstream(userFile, std::ios::binary) << before;
    person().folders = {data.string()};
    start({});
    EXPECT_EQ(person().seen, std::vector<std::string>{"dialog " + kTitle + " in " + home.string()});
    EXPECT_EQ(readAll(userFile), before + "\n[DBRK]\nPATH=" + data.string() + "\nDEFAULT DRIVER=PARADOX\n");
    EXPECT_FALSE(app().terminated());
}

TEST_F(FirstStart, ASystemAliasWhoseFolderIsGoneOrLacksTablesStaysAndTheUsersFileGetsTheNewFolder)
{
    const fs::path systemFile = system / "rk_vad2av" / "engine.conf";
    const fs::path gone = tmp.path() / "USB-Stick";
    const std::string configLine = "\nKonfiguration: " + systemFile.string() + "\n\nBitte wählen Sie den Ordner neu.";
    // legend, the folder the system file names, what the box says first
    const std::tuple<const char*, fs::path, std::string> cases[] = {
        {"gone", gone,
         "box Der Ordner der Ravelkamp-5-Daten (Alias DBRK) ist nicht vorhanden:\n" + gone.string() +
             "\nIst ein USB-Stick nicht eingesteckt oder der Ordner umbenannt?" + configLine},
        {"lacks tables", empty,
         "box Im Ordner der Ravelkamp-5-Daten (Alias DBRK) fehlen Tabellen:\n" + empty.string() +
             "\nEs fehlen: " + kAllTables + configLine},
    };
    for (const auto& [legend, folder, box] : cases) {
        SCOPED_TRACE(legend);
        fs::create_directories(systemFile.parent_path());
        const std::string systemText = "[DBRK]\nPATH=" + folder.string() + "\nCODEPAGE=437\n";
        std::ofstream(systemFile, std::ios::binary) << systemText;
        person().folders = {data.string()};
        start({});
        EXPECT_EQ(person().seen, (std::vector<std::string>{box, "dialog " + kTitle + " in " + home.string()}));
        EXPECT_EQ(readAll(systemFile), systemText);
        EXPECT_EQ(readAll(userFile), "[DBRK]\nPATH=" + data.string() + "\nDEFAULT DRIVER=PARADOX\nCODEPAGE=437\n");
        EXPECT_FALSE(app().terminated());
        TearDown();
        fs::remove(userFile);
        SetUp();
    }
}

TEST_F(FirstStart, CancelledTheProgramEndsAsBeforeAndWritesNothing)
{
    app::MainWindow& window = start({});
    EXPECT_EQ(person().seen,
              (std::vector<std::string>{"dialog " + kTitle + " in " + home.string(), "box Kein Zugriff auf RK5 Daten."}));
    EXPECT_TRUE(app().terminated());
    EXPECT_EQ(window.exitCode(), app::processExitCode(app::LastRun::None, false));
    EXPECT_FALSE(fs::exists(userFile));
}

TEST_F(FirstStart, AnUnattendedRunNeverAsks)
{
    app::MainWindow& window = start({"-auto"});
    EXPECT_EQ(person().seen, std::vector<std::string>{"box Kein Zugriff auf RK5 Daten."});
    EXPECT_TRUE(app().terminated());
    EXPECT_EQ(window.exitCode(), app::processExitCode(app::LastRun::None, true));
    EXPECT_FALSE(fs::exists(userFile));
}

} // namespace
} // namespace rk::test
