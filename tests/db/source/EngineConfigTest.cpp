// The alias configuration file: sections, keys, relative paths, the file's
// location from the environment.
#include "db/source/EngineConfig.h"

#include <cstdlib>

#include <gtest/gtest.h>

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

// Restores one environment variable when the test ends.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : m_name(name)
    {
        if (const char* v = std::getenv(name)) m_old = v, m_had = true;
    }
    ~EnvGuard() { m_had ? setenv(m_name, m_old.c_str(), 1) : unsetenv(m_name); }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

TEST(EngineConfig, FileComesFromEnvironmentThenXdgThenHome)
{
    EnvGuard a("RK_ENGINE_CONFIG"), b("XDG_CONFIG_HOME"), c("HOME");
    setenv("RK_ENGINE_CONFIG", "/opt/rk/engine.conf", 1);
    setenv("XDG_CONFIG_HOME", "/xdg", 1);
    setenv("HOME", "/home/anna", 1);
    EXPECT_EQ(EngineConfig::defaultFile(), "/opt/rk/engine.conf");
    unsetenv("RK_ENGINE_CONFIG");
    EXPECT_EQ(EngineConfig::defaultFile(), "/xdg/rk_vad2av/engine.conf");
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(EngineConfig::defaultFile(), "/home/anna/.config/rk_vad2av/engine.conf");
}

} // namespace
} // namespace rk::source
