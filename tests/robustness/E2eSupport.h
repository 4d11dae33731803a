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
#include <string>
#include <vector>

#include <sys/types.h>

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

// The program started with QT_QPA_PLATFORM=offscreen, LC_ALL=de_DE.UTF-8 (or
// `localeName`) and
// RK_ENGINE_CONFIG pointing at `engineConfig`; standard output and error go
// to a file. The destructor kills it if it still runs.
class ChildProgram {
public:
    ChildProgram(const std::vector<std::string>& args, const std::filesystem::path& engineConfig,
                 const std::filesystem::path& outputFile, const std::string& localeName = "de_DE.UTF-8");
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    pid_t pid() const { return m_pid; }
    bool running();
    // Exit code; -1 for a timeout (the process is then killed), 128 + n
    // when signal n ended it.
    int wait(std::chrono::milliseconds timeout);
    void kill(int sig);

private:
    pid_t m_pid = -1;
    bool m_done = false;
    int m_code = -1;
};

struct ProgramResult {
    int exitCode = -1;   // -1: killed at the deadline
    std::string output;  // standard output and error, UTF-8
};

// Runs the program to its end (at most `timeout`) with the alias DBRK on
// `paradoxDir`; the engine configuration and the output go to `folder`.
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
