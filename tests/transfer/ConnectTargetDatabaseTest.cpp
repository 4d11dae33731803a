// connectTargetDatabase over a recording window and the real attachment:
// the exact log lines, dialog settings and boxes for the command-line path,
// the dialog, its cancel, a failing open, and later runs in one process.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/db/firebird/TargetTestSupport.h"
#include "transfer/ConnectTargetDatabase.h"

namespace rk::target::test {
namespace {

using rk::test::FirebirdTestDatabase;
using transfer::connectTargetDatabase;
using transfer::MessageKind;
using Events = std::vector<std::string>;

class RecordingWindow : public transfer::ConnectWindow {
public:
    Events events;
    std::optional<std::string> dialogAnswer;

    void clearLog() override { events.push_back("clear"); }
    void appendLog(const std::string& line) override { events.push_back("log " + line); }
    std::optional<std::string> chooseTargetFile(const std::string& title, const std::string& initialDir,
                                             const std::string& filter) override
    {
        events.push_back("dialog " + title + " | " + initialDir + " | " + filter);
        return dialogAnswer;
    }
    void showMessage(MessageKind kind, const std::string& text) override
    {
        events.push_back((kind == MessageKind::Information ? "info " : "error ") + text);
    }
    void closeWindow() override { events.push_back("close"); }
};

class Connection : public transfer::TargetConnection {
public:
    explicit Connection(Attachment& db) : m_db(db) {}
    void setDatabaseName(const std::string& path) override { m_db.setDatabaseName(path); }
    void open() override { m_db.open(); }
    bool connected() const override { return m_db.connected(); }

private:
    Attachment& m_db;
};

bool existsOnDisk(const std::string& path) { return std::ifstream(path).good(); }

const std::string kFirst = "log " + ansi("Übertragung von Ravelkamp 5 Daten in die Datenbank der Version VI");
const std::string kOpening = "log " + ansi("RKVI: Datenbank wird geöffnet ...");
const std::string kOpened = "log " + ansi("RKVI: Datenbank geöffnet!");
const std::string kDialog =
    "dialog " + ansi("Pfad zur Ravelkamp VI Datenbank") + " | C:\\Programme\\ | Datenbank|*.fdb";
const std::string kNoConnection = "error " + ansi("Keine Verbindung zur RK VI Datenbank!");

class ConnectTest : public ::testing::Test {
protected:
    FirebirdTestDatabase db;
    FirebirdTestDatabase other{""};
    TargetObjects t{""};
    Connection connection{t.attachment};
    RecordingWindow window;

    void run(const std::vector<std::string>& args) { connectTargetDatabase(window, connection, args, existsOnDisk); }
};

TEST_F(ConnectTest, LastExistingCommandLineFileWins)
{
    run({"-auto", other.path(), "/no/such.fdb", db.path(), "-id:X"});
    EXPECT_EQ(window.events, (Events{"clear", kFirst, kOpening, kOpening, kOpened}));
    EXPECT_EQ(t.attachment.databaseName(), db.path());
    EXPECT_TRUE(t.attachment.connected());
}

TEST_F(ConnectTest, CommandLineOpenFailureReachesTheCaller)
{
    const std::string notADatabase = (db.folder() / "text.fdb").string();
    std::ofstream(notADatabase) << "hello";
    EXPECT_THROW(run({notADatabase}), EIBInterBaseError);
    EXPECT_EQ(window.events, (Events{"clear", kFirst, kOpening}));
    EXPECT_FALSE(t.attachment.connected());
}

TEST_F(ConnectTest, DialogChoiceOpens)
{
    window.dialogAnswer = db.path();
    run({"-auto"});
    EXPECT_EQ(window.events, (Events{"clear", kFirst, kDialog, kOpening, kOpened}));
    EXPECT_TRUE(t.attachment.connected());
}

TEST_F(ConnectTest, DialogCancelledWithoutConnection)
{
    run({});
    EXPECT_EQ(window.events, (Events{"clear", kFirst, kDialog, kNoConnection}));
    EXPECT_EQ(t.attachment.databaseName(), "");
}

TEST_F(ConnectTest, DialogChoiceThatFailsToOpenEndsTheProgram)
{
    window.dialogAnswer = (db.folder() / "missing.fdb").string();
    run({});
    EXPECT_EQ(window.events, (Events{"clear", kFirst, kDialog, kOpening, "info Kein Zugriff auf RK5 Daten.", "close",
                                     kNoConnection}));
}

TEST_F(ConnectTest, LaterRunsReuseTheOpenConnection)
{
    run({db.path()});
    // A transaction left open survives: the second run attaches nothing.
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (1)");
    t.statement.execute();
    window.events.clear();
    run({db.path()});
    EXPECT_EQ(window.events, (Events{"clear", kFirst, kOpening, kOpened}));
    EXPECT_TRUE(t.transaction.inTransaction());

    // Cancelling the dialog keeps using the connection, without a box.
    window.events.clear();
    run({});
    EXPECT_EQ(window.events, (Events{"clear", kFirst, kDialog, kOpened}));

    // Picking another file while connected is an error for the caller.
    window.events.clear();
    window.dialogAnswer = other.path();
    EXPECT_EQ(messageOf<EIBClientError>([&] { run({}); }),
              ansi("Operation kann nicht durchgeführt werden -- DB ist im Moment geöffnet."));
    EXPECT_EQ(window.events, (Events{"clear", kFirst, kDialog, kOpening}));
    EXPECT_EQ(t.attachment.databaseName(), db.path());
    t.commitIfActive();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_NUTZER"), "1");
}

} // namespace
} // namespace rk::target::test
