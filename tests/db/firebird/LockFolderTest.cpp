// The engine's lock folder for this account, and the German reasons put
// before the engine's errors.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "db/common/Ansi.h"
#include "db/firebird/FailureReason.h"
#include "db/firebird/LockFolder.h"
#include "tests/db/paradox/reader/TempDir.h"

namespace rk::target {
namespace {

namespace fs = std::filesystem;

TEST(LockFolder, OnlyServerModesThatTakeTheFileAloneCount)
{
    // legend: configuration text, takes the database file alone
    const std::pair<const char*, bool> cases[] = {
        {"", true},                                           // the engine's default: Super
        {"#ServerMode = Classic\n", true},                    // a comment
        {"ServerMode = Super\n", true},
        {"  servermode=ThreadedDedicated   # one engine\n", true},
        {"ServerMode = SuperClassic\n", false},
        {"ServerMode = Classic\n", false},
        {"ServerMode = ThreadedShared\n", false},
        {"ServerMode = Super\nServerMode = Classic\n", false}, // the last line counts
    };
    for (const auto& [text, alone] : cases) EXPECT_EQ(serverModeTakesFileAlone(text), alone) << text;
}

class LockFolderChoiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream(m_dir / "super.conf") << "ServerMode = Super\n";
        std::ofstream(m_dir / "shared.conf") << "ServerMode = SuperClassic\n";
        // A default folder no account can use: a plain file where the folder should be.
        std::ofstream(m_dir / "blocked") << "x";
    }
    std::string at(const char* name) const { return (m_dir / name).string(); }
    rk::test::TempDir m_dir;
};

TEST_F(LockFolderChoiceTest, AnAccountGetsItsOwnFolderOnlyWhereTheEngineTakesTheFileAlone)
{
    struct Case {
        const char* legend;
        const char* named;
        std::string defaultFolder;
        std::vector<std::string> configs;
        std::string folder;
        bool ownFolder;
    };
    const Case cases[] = {
        {"named by the caller", "/srv/locks", at("blocked"), {at("super.conf")}, "/srv/locks", false},
        {"default usable (not there yet)", nullptr, at("fresh"), {at("super.conf")}, at("fresh"), false},
        {"default unusable, Super", nullptr, at("blocked"), {at("super.conf")}, at("own"), true},
        {"default unusable, one engine shares", nullptr, at("blocked"), {at("super.conf"), at("shared.conf")},
         at("blocked"), false},
        {"default unusable, no configuration", nullptr, at("blocked"), {}, at("blocked"), false},
    };
    for (const Case& c : cases) {
        fs::remove_all(m_dir / "own");
        const LockFolderChoice choice = chooseLockFolder(c.named, c.defaultFolder, c.configs, at("own"));
        EXPECT_EQ(choice.folder, c.folder) << c.legend;
        EXPECT_EQ(choice.useInstead.has_value(), c.ownFolder) << c.legend;
        EXPECT_EQ(fs::is_directory(m_dir / "own"), c.ownFolder) << c.legend;
    }
    // The own folder is this account's alone.
    struct stat info {};
    ASSERT_EQ(::stat(at("own").c_str(), &info), -1);
    ASSERT_TRUE(makeOwnLockFolder(at("own")));
    ASSERT_EQ(::stat(at("own").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // One that others may write, or a link someone planted, is not taken.
    fs::permissions(m_dir / "own", fs::perms::group_write, fs::perm_options::add);
    EXPECT_FALSE(makeOwnLockFolder(at("own")));
    fs::create_directory_symlink(m_dir.path(), m_dir / "link");
    EXPECT_FALSE(makeOwnLockFolder(at("link")));
}

TEST(FailureReason, TheUsualEngineErrorsGetAGermanLine)
{
    // legend: the engine's text, the start of the German line ("" for none)
    const std::pair<const char*, const char*> cases[] = {
        {"no permission for read-write access to database /data/rk.fdb",
         "Die Zieldatenbank lässt sich nicht beschreiben"},
        {"I/O error during \"open\" operation; file /x.fdb is not a valid database", "Die angegebene Datei ist keine"},
        {"file /x.fdb is not a valid database; File size is less than expected", "Die angegebene Datei ist keine"},
        {"I/O error during \"lock\" operation for file \"/x.fdb\"; Database already opened with engine instance, "
         "incompatible with current",
         "Die Zieldatenbank ist von einem anderen Programm geöffnet"},
        {"Dynamic SQL Error; SQL error code = -204; Table unknown; IMPORT_RK5_GIPFEL",
         "In der Zieldatenbank fehlt eine Importtabelle"},
        {"Column unknown; REGION", "In der Zieldatenbank fehlt eine Importtabelle"},
        {"operating system directive access failed; Keine Berechtigung; /srv/other/.", ""}, // not the lock folder
        {"conversion error from string \"x\"", ""},
    };
    for (const auto& [text, german] : cases) {
        const auto reason = failureReason(text, "/tmp/firebird");
        EXPECT_EQ(reason.has_value(), *german != '\0') << text;
        if (reason) {
            EXPECT_TRUE(reason->starts_with(ansi(german))) << text << " -> " << toUtf8(*reason);
        }
    }
}

TEST(FailureReason, ARefusedLockFolderIsNamedWithOwnerGroupAndWhatTheAdministratorDoes)
{
    const rk::test::TempDir dir;
    const fs::path& folder = dir.path();
    const auto reason = failureReason("operating system directive access failed; Keine Berechtigung; " +
                                          folder.string() + "/.",
                                      folder.string());
    ASSERT_TRUE(reason.has_value());
    const std::string text = toUtf8(*reason);
    const std::string owner = ::getuid() == 0 ? "root" : "";
    EXPECT_TRUE(text.starts_with("Der Sperrordner der Datenbank-Engine " + folder.string() + " (Eigentümer " + owner))
        << text;
    EXPECT_NE(text.find("usermod -a -G "), std::string::npos) << text;
}

} // namespace
} // namespace rk::target
