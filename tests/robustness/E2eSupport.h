// What the end-to-end proof and the robustness tests share: a temporary
// folder, the built rk_vad2av run as a calling program runs it (unattended,
// offscreen, German locale, the alias DBRK pointed at a folder), snapshots
// of source files, and the demo generator's manifest read back.
//
//   rk::test::TempFolder tmp;
//   auto paradox = tmp.path() / "paradox";
//   rk::test::ProgramResult r = rk::test::runProgram(tmp.path(), paradox, {"-auto", "-nomessage", db.path()});
//   EXPECT_EQ(r.exitCode, 0) << r.output;
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

#include "tests/e2e/ProgramRun.h"

namespace rk::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The built program (RK_BINARY_DIR/app/rk_vad2av).
std::filesystem::path programPath();

// Writes `folder`/engine.conf with the alias DBRK naming `paradoxDir`.
std::filesystem::path writeEngineConfig(const std::filesystem::path& folder, const std::filesystem::path& paradoxDir);

// The program started with QT_QPA_PLATFORM=offscreen, no display, LC_ALL=
// de_DE.UTF-8 (or `localeName`) and the alias DBRK on `paradoxDir`; the
// engine configuration and Qt's runtime folder go to `folder`.
std::unique_ptr<ProgramRun> startProgram(const std::filesystem::path& folder, const std::filesystem::path& paradoxDir,
                                         const std::vector<std::string>& args,
                                         const std::string& localeName = "de_DE.UTF-8");

struct ProgramResult {
    int exitCode = -1;   // -1: killed at the deadline
    std::string output;  // standard output, then standard error, UTF-8
};

// Runs the program as startProgram does to its end (at most `timeout`).
ProgramResult runProgram(const std::filesystem::path& folder, const std::filesystem::path& paradoxDir,
                         const std::vector<std::string>& args,
                         std::chrono::milliseconds timeout = std::chrono::seconds(120),
                         const std::string& localeName = "de_DE.UTF-8");

// The first number isql-fb prints for `sql` on the database file `path`
// (for counts on files the test did not create itself); -1 when none.
long long isqlNumber(const std::filesystem::path& path, const std::string& sql);

// Every regular file of a folder with its bytes, by file name.
std::map<std::string, std::string> snapshotFiles(const std::filesystem::path& dir);

std::string readFile(const std::filesystem::path& file);

// True when the program has a file of `dir` whose name ends in `suffix`
// (case-insensitive) open or mapped.
bool processUsesFile(pid_t pid, const std::string& suffix);

// True when `de_DE.UTF-8` can be set, else the tests that need it skip.
bool germanLocaleAvailable();

} // namespace rk::test
