// A folder chosen for the alias: the tables it must hold, and the section
// appended to the user's own configuration file without changing a byte of
// what the file held.
#include "db/paradox/AliasFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <tuple>

#include "db/common/Exception.h"
#include "db/paradox/EngineConfig.h"
#include "tests/db/paradox/reader/TempDir.h"
#include "tests/support/ExceptionMessage.h"

namespace rk::source {
namespace {

namespace fs = std::filesystem;

TEST(AliasFolder, TablesAreFoundWithoutRegardToCaseAndTheMissingOnesNamedInOrder)
{
    test::TempDir dir;
    std::ofstream(dir.path() / "gipfel.db") << "x";
    std::ofstream(dir.path() / "WEGE.DB") << "x";
    fs::create_directory(dir.path() / "EB.DB"); // a folder is no table
    const FolderCheck some = checkAliasFolder(dir.path(), {"GIPFEL", "EB", "WEGE", "BILDER"});
    EXPECT_EQ(some.state, FolderState::TablesMissing);
    EXPECT_EQ(some.missingTables, (std::vector<std::string>{"EB", "BILDER"}));
    EXPECT_EQ(checkAliasFolder(dir.path(), {"Gipfel", "wege"}).state, FolderState::Usable);
    EXPECT_EQ(checkAliasFolder(dir.path() / "fehlt", {"GIPFEL"}).state, FolderState::Missing);
    EXPECT_EQ(checkAliasFolder(dir.path() / "WEGE.DB", {"GIPFEL"}).state, FolderState::Missing);
}

TEST(AliasFolder, AppendedSectionKeepsTheFileAsItWasAndIsTheAliasRead)
{
    // legend, what the file held before (null: no file, nor its folder), keys kept from elsewhere
    using Keys = std::map<std::string, std::string>;
    const std::tuple<const char*, const char*, Keys> cases[] = {
        {"no file yet", nullptr, {}},
        {"another section, last line without a break", "; eigene Notiz\r\n[ANDERS]\nPATH=/srv/x", {}},
        {"an older DBRK section whose other keys stay", "[DBRK]\nPATH=/media/usb/alt\nCODEPAGE=437\n", {}},
        {"the code page of a system-wide alias goes along, its folder and driver do not", nullptr,
         {{"PATH", "/media/alt"}, {"DEFAULT DRIVER", "PARADOX"}, {"CODEPAGE", "437"}}},
    };
    for (const auto& [legend, before, keep] : cases) {
        test::TempDir dir;
        const fs::path file = dir.path() / "config" / "rk_vad2av" / "engine.conf";
        if (before) {
            fs::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << before;
        }
        const fs::path folder = dir.path() / "Daten RK5";
        appendAliasSection(file, "DBRK", folder, keep);
        const std::string after = test::readText(file);
        const std::string old = before ? before : "";
        EXPECT_EQ(after.substr(0, old.size()), old) << legend;
        const std::string added = (old.empty() || old.back() == '\n' ? "" : "\n") + std::string("[DBRK]\nPATH=") +
                                  folder.string() + "\nDEFAULT DRIVER=PARADOX\n" +
                                  (keep.empty() ? "" : "CODEPAGE=437\n");
        EXPECT_EQ(after.substr(old.size()), added) << legend;
        const EngineConfig config = EngineConfig::load(file);
        ASSERT_NE(config.findAlias("DBRK"), nullptr) << legend;
        EXPECT_EQ(config.findAlias("DBRK")->param("PATH"), folder.string()) << legend;
        EXPECT_EQ(config.findAlias("DBRK")->driver(), "PARADOX") << legend;
        if ((before && std::string(before).find("CODEPAGE") != std::string::npos) || !keep.empty()) {
            EXPECT_EQ(config.findAlias("DBRK")->param("CODEPAGE"), "437") << legend;
        }
    }
}

TEST(AliasFolder, WhatCannotBeWrittenIsRefusedAndNothingIsWritten)
{
    test::TempDir dir;
    const fs::path file = dir.path() / "engine.conf";
    EXPECT_THROW(appendAliasSection(file, "DBRK", dir.path() / "zwei\nZeilen"), EDatabaseError);
    EXPECT_FALSE(fs::exists(file));
    // Its folder cannot be made: a file stands in its place.
    std::ofstream(dir.path() / "blockiert") << "x";
    const fs::path blocked = dir.path() / "blockiert" / "engine.conf";
    EXPECT_EQ(test::messageOf<EDatabaseError>([&] { appendAliasSection(blocked, "DBRK", dir.path()); }),
              "Die Konfigurationsdatei " + blocked.string() + " konnte nicht geschrieben werden.");
}

} // namespace
} // namespace rk::source
