// The fixture of the end-to-end runs: a folder per test holding a small demo
// set under paradox/, the engine configuration that points the alias DBRK at
// it and Qt's private runtime folder; start() runs the built program there
// on Qt's offscreen platform in the German locale.
//
//   class MyRun : public rk::test::ProgramFolderTest {};
//   TEST_F(MyRun, X) { auto run = start({"-auto", "-nomessage", db.path()}); EXPECT_EQ(run->wait(60s), 0); }
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/e2e/ProgramRun.h"
#include "tests/support/FirebirdTestDatabase.h"
#include "tools/demo/DemoData.h"

namespace rk::test {

// Small, so a run takes well under a second; every table has rows.
inline const tools::demo::DemoCounts kCounts{3, 6, 20, 40, 25, 10, 3, 8, 6, 12, 5};
// The rows each staging table gets from them, by its name without IMPORT_RK5_.
inline const std::map<std::string, int> kExpectedRows = {
    {"REGIONEN", kCounts.regions},   {"GEBIETE", kCounts.areas},        {"GIPFEL", kCounts.summits},
    {"WEGE", kCounts.routes},        {"BEGEHUNGEN", kCounts.ascents},   {"NAMENSLISTE", kCounts.names},
    {"NUTZER", kCounts.users},       {"TAGESNOTIZ", kCounts.dayNotes},  {"ZETTELWEGE", kCounts.noteRoutes},
    {"EB", kCounts.firstAscenders},  {"BILDER", kCounts.pictures}};

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                ("rk_" + std::string(info->test_suite_name()) + "_" + std::to_string(::getpid()) + "_" + info->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir / "paradox");
        tools::demo::Manifest manifest{std::filesystem::path()};
        tools::demo::writeDemoSet(m_dir / "paradox", kCounts, manifest);
        std::ofstream(m_dir / "engine.conf") << "[DBRK]\nPATH=" << (m_dir / "paradox").string()
                                             << "\nDEFAULT DRIVER=PARADOX\n";
        // Qt wants its runtime folder private.
        std::filesystem::create_directories(m_dir / "run");
        std::filesystem::permissions(m_dir / "run", std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // The usual environment; `extra` adds to or overrides it (ProgramRun::kUnset removes).
    std::map<std::string, std::string> environment(const std::map<std::string, std::string>& extra = {}) const
    {
        std::map<std::string, std::string> all{{"RK_ENGINE_CONFIG", (m_dir / "engine.conf").string()},
                                               {"QT_QPA_PLATFORM", "offscreen"},
                                               {"LC_ALL", "de_DE.UTF-8"},
                                               {"XDG_RUNTIME_DIR", (m_dir / "run").string()}};
        for (const auto& [k, v] : extra) all[k] = v;
        return all;
    }

    std::unique_ptr<ProgramRun> start(std::vector<std::string> args, const std::map<std::string, std::string>& env = {},
                                      ProgramRun::ErrPipe errPipe = ProgramRun::ErrPipe::Read)
    {
        return std::make_unique<ProgramRun>(RK_PROGRAM, std::move(args), environment(env), errPipe);
    }

    static std::string count(const FirebirdTestDatabase& db, const std::string& table)
    {
        return db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_" + table).value_or("NULL");
    }

    static bool anyLineStarts(const std::vector<std::string>& lines, const std::string& prefix)
    {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
    }
    static bool anyLineStarts(const ProgramRun& run, const std::string& prefix)
    {
        return anyLineStarts(run.errLines(), prefix);
    }

    // The environment additions that send the program to the X display
    // `display` (ProgramRun::kUnset: none) and to no other platform.
    static std::map<std::string, std::string> onlyDisplay(const std::string& display)
    {
        return {{"QT_QPA_PLATFORM", ProgramRun::kUnset}, {"WAYLAND_DISPLAY", ProgramRun::kUnset}, {"DISPLAY", display}};
    }

    // An X server on `display` (":N") that takes connections; null when it
    // did not start in five seconds.
    static std::unique_ptr<ProgramRun> startXServer(const std::string& display, const std::string& screen)
    {
        const std::filesystem::path socket = "/tmp/.X11-unix/X" + display.substr(1);
        auto server = std::make_unique<ProgramRun>(
            "/usr/bin/Xvfb", std::vector<std::string>{display, "-nolisten", "tcp", "-screen", "0", screen},
            std::map<std::string, std::string>{});
        for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!std::filesystem::exists(socket)) return nullptr;
        return server;
    }

    std::filesystem::path m_dir;
};

} // namespace rk::test
