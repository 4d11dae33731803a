// The alias configuration file: sections, keys, relative paths, the file's
// location from the environment.
#include "db/paradox/EngineConfig.h"

#include "db/paradox/Connection.h"
#include "db/paradox/Session.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "tests/db/paradox/reader/TempDir.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/ExceptionMessage.h"

namespace rk::source {
namespace {

TEST(EngineConfig, SectionsAndKeysIgnoreCaseAndBlanks)
{
    const EngineConfig c = EngineConfig::parse("; RK5\n"
                                               "[DBRK]\r\n"
                                               "  path = /data/rk5 \r\n"
                                               "Default   Driver=PARADOX\n"
                                               "# comment\n"
                                               "[OTHER]\n"
                                               "TYPE=STANDARD\n"
                                               "junk without equals sign\n",
                                               "/etc/rk");
    const AliasConfig* a = c.findAlias("dbrk");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->name, "DBRK");
    EXPECT_EQ(a->param("PATH"), "/data/rk5");
    EXPECT_EQ(a->driver(), "PARADOX");
    ASSERT_NE(c.findAlias("Other"), nullptr);
    EXPECT_EQ(c.findAlias("Other")->driver(), "STANDARD");
    EXPECT_EQ(c.findAlias("Other")->param("PATH"), "");
    EXPECT_EQ(c.findAlias("X1"), nullptr);
}

TEST(EngineConfig, RelativePathIsTakenFromTheFilesFolder)
{
    const EngineConfig c = EngineConfig::parse("[DBRK]\nPATH=daten/../rk5\n", "/home/anna/.config/rk_vad2av");
    EXPECT_EQ(c.findAlias("DBRK")->param("PATH"), "/home/anna/.config/rk_vad2av/rk5");
}

TEST(EngineConfig, WithoutTypeOrDriverTheAliasIsStandard)
{
    EXPECT_EQ(EngineConfig::parse("[DBRK]\nPATH=/x\n").findAlias("DBRK")->driver(), "STANDARD");
}

TEST(EngineConfig, MissingFileIsAnEmptyConfiguration)
{
    const EngineConfig c = EngineConfig::load("/nonexistent/rk_vad2av/engine.conf");
    EXPECT_TRUE(c.aliases().empty());
    EXPECT_EQ(c.file(), "/nonexistent/rk_vad2av/engine.conf");
}

// The four variables that place the configuration file, restored after each test.
class ConfigEnvironment : public testing::Test {
    test::EnvGuard m_rk{"RK_ENGINE_CONFIG"}, m_xdgHome{"XDG_CONFIG_HOME"}, m_home{"HOME"}, m_xdgDirs{"XDG_CONFIG_DIRS"};
};

TEST_F(ConfigEnvironment, FileComesFromEnvironmentThenXdgThenHome)
{
    // legend: RK_ENGINE_CONFIG, XDG_CONFIG_HOME, HOME (null: unset) -> the file read, the user's own file
    const struct {
        const char *rk, *xdgHome, *home, *file, *userFile;
    } cases[] = {
        {"/opt/rk/engine.conf", "/xdg", "/home/anna", "/opt/rk/engine.conf", ""},
        {nullptr, "/xdg", "/home/anna", "/xdg/rk_vad2av/engine.conf", "/xdg/rk_vad2av/engine.conf"},
        {nullptr, "", "/home/anna", "/home/anna/.config/rk_vad2av/engine.conf",
         "/home/anna/.config/rk_vad2av/engine.conf"},
        {nullptr, nullptr, "/home/anna", "/home/anna/.config/rk_vad2av/engine.conf",
         "/home/anna/.config/rk_vad2av/engine.conf"},
    };
    const auto set = [](const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); };
    setenv("XDG_CONFIG_DIRS", "/nonexistent/xdg", 1);
    for (const auto& c : cases) {
        set("RK_ENGINE_CONFIG", c.rk);
        set("XDG_CONFIG_HOME", c.xdgHome);
        set("HOME", c.home);
        EXPECT_EQ(EngineConfig::defaultFile(), c.file) << c.file;
        EXPECT_EQ(EngineConfig::userFile(), c.userFile) << c.file;
    }
}

TEST_F(ConfigEnvironment, PlacesAreTheUserFileThenEachSystemFolder)
{
    unsetenv("RK_ENGINE_CONFIG");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/anna", 1);
    unsetenv("XDG_CONFIG_DIRS");
    using P = std::vector<std::filesystem::path>;
    EXPECT_EQ(EngineConfig::searchPlaces(),
              (P{"/home/anna/.config/rk_vad2av/engine.conf", "/etc/xdg/rk_vad2av/engine.conf"}));
    // Empty and relative entries are no folders to look in.
    setenv("XDG_CONFIG_DIRS", "/srv/b::relative:/etc/a/", 1);
    EXPECT_EQ(EngineConfig::searchPlaces(), (P{"/home/anna/.config/rk_vad2av/engine.conf",
                                              "/srv/b/rk_vad2av/engine.conf", "/etc/a/rk_vad2av/engine.conf"}));
    unsetenv("HOME");
    EXPECT_EQ(EngineConfig::searchPlaces(), (P{"/srv/b/rk_vad2av/engine.conf", "/etc/a/rk_vad2av/engine.conf"}));
    setenv("RK_ENGINE_CONFIG", "/opt/rk.conf", 1);
    EXPECT_EQ(EngineConfig::searchPlaces(), P{"/opt/rk.conf"});
}

// Which existing file wins. Legend: files present among the user's (u), the
// first system folder's (1) and the second's (2); whether RK_ENGINE_CONFIG
// names a file of its own (e, which need not exist); the winner.
struct SearchCase {
    const char* legend;
    const char* present;
    bool env;
    const char* winner;
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.legend; }

class EngineConfigSearch : public ConfigEnvironment, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(EngineConfigSearch, FirstExistingPlaceWins)
{
    namespace fs = std::filesystem;
    const SearchCase& c = GetParam();
    const test::TempDir temp;
    const fs::path& root = temp.path();
    const std::map<char, fs::path> dirs = {{'u', root / "home"}, {'1', root / "sys1"}, {'2', root / "sys2"}};
    for (const char* p = c.present; *p; ++p) {
        fs::create_directories(dirs.at(*p) / "rk_vad2av");
        std::ofstream(dirs.at(*p) / "rk_vad2av" / "engine.conf") << "[DBRK]\nPATH=/x\n";
    }
    c.env ? setenv("RK_ENGINE_CONFIG", (root / "env.conf").c_str(), 1) : unsetenv("RK_ENGINE_CONFIG");
    setenv("XDG_CONFIG_HOME", dirs.at('u').c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (dirs.at('1').string() + ":" + dirs.at('2').string()).c_str(), 1);
    const fs::path winner = *c.winner == 'e' ? root / "env.conf" : dirs.at(*c.winner) / "rk_vad2av" / "engine.conf";
    EXPECT_EQ(EngineConfig::defaultFile(), winner) << c.legend;

    // The access check names what it read, or every place it looked at.
    const bool found = fs::exists(winner);
    const std::vector<fs::path> searched =
        found || c.env ? std::vector<fs::path>{winner}
                       : std::vector<fs::path>{dirs.at('u') / "rk_vad2av" / "engine.conf",
                                               dirs.at('1') / "rk_vad2av" / "engine.conf",
                                               dirs.at('2') / "rk_vad2av" / "engine.conf"};
    EXPECT_EQ(EngineConfig::loadDefault().searched(), searched) << c.legend;
    std::string line = "Konfiguration: ";
    for (size_t i = 0; i < searched.size(); ++i) line += (i ? ", " : "") + searched[i].string();
    if (!found) line += " (nicht gefunden)";
    Session session;
    Connection connection(session, "X1", "DBRK");
    const std::string message = test::messageOf<EDatabaseError>([&] { connection.open(); });
    EXPECT_EQ(message.substr(message.rfind('\n') + 1), line) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Order, EngineConfigSearch,
    ::testing::Values(SearchCase{"the environment variable wins over every file", "u12", true, "e"},
                      SearchCase{"the user's file wins over the system folders", "u12", false, "u"},
                      SearchCase{"system folders in their order", "12", false, "1"},
                      SearchCase{"a later system folder when the first has none", "2", false, "2"},
                      SearchCase{"nothing anywhere: the user's file, to be named as missing", "", false, "u"}));

} // namespace
} // namespace rk::source
