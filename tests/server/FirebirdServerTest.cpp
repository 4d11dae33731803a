// The successor's Firebird server holds the target open while the built
// rk_vad2av runs with a plain path. The test starts a private Firebird 3
// server of Debian's package: its own root folder (firebird.conf with a free
// loopback port, its own security database with SYSDBA's password, the
// character sets), its own lock folder; an isql session holds the target
// through it. The program gets the same root as its client configuration,
// which is how the client learns the server's port: the embedded engine cannot
// open the held file, and the client's loopback route reaches the server.
#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "tests/e2e/ProgramFolderTest.h"
#include "tests/support/ChildProcess.h"

namespace rk::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* const kServer = "/usr/sbin/firebird";
const char* const kIsql = "/usr/bin/isql-fb";
const char* const kFirebirdLib = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
const char* const kProgramPassword = "quartzfen";

// Runs isql-fb on `sql` and returns its output.
std::string isql(const std::vector<std::string>& args, const std::string& sql,
                 const std::map<std::string, std::string>& env)
{
    std::vector<std::string> argv{kIsql, "-q"};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess c = ChildProcess::start(argv, env);
    c.write(sql);
    return c.finish();
}

// A free TCP port on the loopback interface (free when asked).
int freeLoopbackPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

// The local addresses listening on `port`, from /proc/net/tcp and tcp6.
std::vector<std::string> listeners(int port)
{
    std::vector<std::string> found;
    for (const char* file : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(file);
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            const size_t colon = local.rfind(':');
            if (state == "0A" && std::stoi(local.substr(colon + 1), nullptr, 16) == port)
                found.push_back(local.substr(0, colon));
        }
    }
    return found;
}

class PrivateFirebirdServer : public ::testing::Test {
protected:
    void TearDown() override
    {
        m_holder.stop(2s);
        m_server.stop(1s); // it does not end on SIGTERM while it runs its listener; SIGKILL follows
        if (!m_root.empty()) fs::remove_all(m_root);
    }

    // Makes the server's folder and starts it; false (with the reason) when
    // the server cannot run here.
    bool startServer(const std::string& sysdbaPassword, std::string& why)
    {
        if (::access(kServer, X_OK) != 0 || ::access(kIsql, X_OK) != 0) {
            why = std::string(kServer) + " or " + kIsql + " is missing (Debian packages firebird3.0-server, firebird3.0-utils)";
            return false;
        }
        m_root = fs::temp_directory_path() / ("rk_fbserver_" + std::to_string(::getpid()));
        fs::remove_all(m_root);
        fs::create_directories(m_root / "lock");
        fs::create_directories(m_root / "intl");
        // The character sets: the module must be a file of this folder (a link is refused).
        std::error_code ec;
        fs::copy_file(fs::path(kFirebirdLib) / "intl" / "libfbintl.so", m_root / "intl" / "libfbintl.so", ec);
        fs::copy_file(fs::path(kFirebirdLib) / "intl" / "fbintl.conf", m_root / "intl" / "fbintl.conf", ec);
        if (ec) {
            why = "the Firebird character set module cannot be copied: " + ec.message();
            return false;
        }
        m_port = freeLoopbackPort();
        std::ofstream(m_root / "firebird.conf") << "RemoteServicePort = " << m_port << "\n"
                                                << "RemoteBindAddress = 127.0.0.1\n"
                                                << "SecurityDatabase = " << (m_root / "security3.fdb").string() << "\n"
                                                << "UdfAccess = None\n";
        std::ofstream(m_root / "databases.conf");
        const std::string security = (m_root / "security3.fdb").string();
        isql({}, "CREATE DATABASE '" + security + "' USER 'SYSDBA';\n", serverEnv());
        isql({"-user", "SYSDBA", security}, "CREATE USER SYSDBA PASSWORD '" + sysdbaPassword + "';\nCOMMIT;\n",
             serverEnv());

        m_server = ChildProcess::start({kServer}, serverEnv());
        for (int i = 0; i < 100 && listeners(m_port).empty(); ++i) std::this_thread::sleep_for(100ms);
        if (listeners(m_port).empty()) {
            why = "the private Firebird server does not listen on port " + std::to_string(m_port);
            return false;
        }
        return true;
    }

    std::map<std::string, std::string> serverEnv() const
    {
        return {{"FIREBIRD", m_root.string()}, {"FIREBIRD_LOCK", (m_root / "lock").string()}};
    }

    // An isql session attached through the server that keeps the file open.
    void holdThroughServer(const std::string& path, const std::string& password)
    {
        m_holder = ChildProcess::start({kIsql, "-q", "-user", "SYSDBA", "-password", password,
                                 "127.0.0.1/" + std::to_string(m_port) + ":" + path},
                                serverEnv());
        m_holder.write("SELECT 'HOLD' || 'ING' AS H FROM RDB$DATABASE;\n");
        const std::string out = m_holder.readUntil("HOLDING", 20s);
        ASSERT_NE(out.find("HOLDING"), std::string::npos) << out;
    }

    // The program on the demo data; `clientConfig` gives it the server's
    // folder as its client configuration (and so the server's port).
    std::unique_ptr<ProgramRun> runProgram(const std::string& target, bool clientConfig = true)
    {
        m_data = m_root / "paradox";
        if (!fs::exists(m_data)) {
            fs::create_directories(m_data);
            tools::demo::Manifest manifest{fs::path()};
            tools::demo::writeDemoSet(m_data, kCounts, manifest);
            std::ofstream(m_root / "engine.conf") << "[DBRK]\nPATH=" << m_data.string() << "\n";
        }
        // Only the client's configuration is shared with the server, not its lock folder.
        std::map<std::string, std::string> env = {
            {"RK_ENGINE_CONFIG", (m_root / "engine.conf").string()},
            {"QT_QPA_PLATFORM", "offscreen"},
            {"LC_ALL", "de_DE.UTF-8"},
            {"XDG_RUNTIME_DIR", m_root.string()},
        };
        if (clientConfig) env["FIREBIRD"] = m_root.string();
        return std::make_unique<ProgramRun>(RK_PROGRAM, std::vector<std::string>{"-auto", "-nomessage", target}, env);
    }

    static bool isErrorBox(const std::string& line) { return line.rfind("RK_VAD2AV: ", 0) == 0; }

    // Counts through the server while it holds the file.
    std::string count(const std::string& path, const std::string& password, const std::string& table)
    {
        const std::string out = isql({"-user", "SYSDBA", "-password", password,
                                      "127.0.0.1/" + std::to_string(m_port) + ":" + path},
                                     "SELECT 'N=' || COUNT(*) FROM " + table + ";\n", serverEnv());
        const size_t at = out.find("N=");
        return at == std::string::npos ? out : out.substr(at + 2, out.find_first_of(" \n", at) - at - 2);
    }

    fs::path m_root, m_data;
    int m_port = 0;
    ChildProcess m_server, m_holder;
};

TEST_F(PrivateFirebirdServer, PlainPathReachesTheServerThatHoldsTheTarget)
{
    FirebirdTestDatabase db;
    std::string why;
    if (!startServer(kProgramPassword, why)) GTEST_SKIP() << "Firebird server test skipped: " << why;
    for (const std::string& address : listeners(m_port)) EXPECT_EQ(address, "0100007F") << "listens beyond loopback";
    ASSERT_NO_FATAL_FAILURE(holdThroughServer(db.path(), kProgramPassword));

    // The file is held: without the client configuration that names the
    // server's port, neither route opens it.
    auto blind = runProgram(db.path(), false);
    ASSERT_TRUE(blind->waitForLine(isErrorBox, 30s)) << ::testing::PrintToString(blind->errLines());
    // No server answers at the default port, so the embedded engine's error, naming the file, stays.
    const auto& lines = blind->errLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return isErrorBox(l) && l.find(db.path()) != std::string::npos;
    })) << ::testing::PrintToString(lines);
    blind->signal(SIGTERM); // the box may wait for an OK that nobody gives
    EXPECT_EQ(blind->wait(30s), 2);

    auto run = runProgram(db.path());
    ASSERT_EQ(run->wait(60s), 0) << ::testing::PrintToString(run->errLines());
    for (const auto& [table, n] : kExpectedRows)
        EXPECT_EQ(count(db.path(), kProgramPassword, "IMPORT_RK5_" + table), std::to_string(n)) << table;
    EXPECT_EQ(count(db.path(), kProgramPassword, "IMPORT_RK5_INFO"), "1");
}

TEST_F(PrivateFirebirdServer, OtherSysdbaPasswordShowsTheServersMessageAndWritesNothing)
{
    FirebirdTestDatabase db;
    db.execute("INSERT INTO IMPORT_RK5_REGIONEN (REG_R, REGION) VALUES ('X', 'kept')");
    const std::string password = "anders12";
    std::string why;
    if (!startServer(password, why)) GTEST_SKIP() << "Firebird server test skipped: " << why;
    ASSERT_NO_FATAL_FAILURE(holdThroughServer(db.path(), password));

    auto run = runProgram(db.path());
    // The error box, written as "Title: text" on this platform.
    ASSERT_TRUE(run->waitForLine(isErrorBox, 30s)) << ::testing::PrintToString(run->errLines());
    std::string box;
    for (const std::string& l : run->errLines())
        if (isErrorBox(l)) box = l;
    // The server's refusal, not the embedded engine's "already opened" that
    // the client library alone would report.
    EXPECT_EQ(box, "RK_VAD2AV: Your user name and password are not defined. Ask your database administrator to set "
                   "up a Firebird login.");
    run->signal(SIGTERM); // the box may wait for an OK that nobody gives
    EXPECT_EQ(run->wait(30s), 2);
    EXPECT_EQ(count(db.path(), password, "IMPORT_RK5_REGIONEN"), "1");
    EXPECT_EQ(count(db.path(), password, "IMPORT_RK5_INFO"), "0");
}

TEST_F(PrivateFirebirdServer, AnEndSignalEndsAProgramBlockedInTheClientLibrary)
{
    // The holder's uncommitted DELETE makes the program's purge wait for it
    // inside the client library, where no event is processed.
    struct Case {
        const char* legend;
        int signals;
        const char* reason;
        std::chrono::seconds within;
    };
    const Case cases[] = {
        {"one signal, not taken", 1, "das Programm hat das Signal nicht rechtzeitig angenommen", 9s},
        {"a second signal", 2, "zweites Signal", 2s},
    };
    std::string why;
    for (const Case& c : cases) {
        FirebirdTestDatabase db;
        db.execute("INSERT INTO IMPORT_RK5_REGIONEN (REG_R, REGION) VALUES ('X', 'kept')");
        if (m_root.empty() && !startServer(kProgramPassword, why)) GTEST_SKIP() << "Firebird server test skipped: " << why;
        ASSERT_NO_FATAL_FAILURE(holdThroughServer(db.path(), kProgramPassword));
        m_holder.write("DELETE FROM IMPORT_RK5_REGIONEN;\nSELECT 'DEL' || 'ETED' FROM RDB$DATABASE;\n");
        ASSERT_NE(m_holder.readUntil("DELETED", 20s).find("DELETED"), std::string::npos);

        auto run = runProgram(db.path());
        ASSERT_TRUE(run->waitForLine([](const std::string& l) { return l == "Alte Übertragungsdateien löschen ..."; },
                                     30s))
            << ::testing::PrintToString(run->errLines());
        std::this_thread::sleep_for(500ms);
        const auto signalled = std::chrono::steady_clock::now();
        for (int i = 0; i < c.signals; ++i, std::this_thread::sleep_for(200ms)) run->signal(SIGTERM);
        EXPECT_EQ(run->wait(30s), 2) << c.legend;
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, c.within) << c.legend;
        ASSERT_FALSE(run->errLines().empty());
        const std::string& last = run->errLines().back();
        EXPECT_TRUE(last.starts_with("rk_vad2av: Ende erzwungen (") && last.find(c.reason) != std::string::npos)
            << c.legend << ": " << last;
        m_holder.write("ROLLBACK;\n"); // its DELETE is undone; the program's was never committed
        m_holder.stop(2s);
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_REGIONEN"), "1") << c.legend;
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_INFO"), "0") << c.legend;
    }
}

} // namespace
} // namespace rk::test
