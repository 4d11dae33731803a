// Shared helpers of the end-to-end tests; see E2eSupport.h.
#include "tests/robustness/E2eSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace rk::test {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "rk-e2e-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    // A test may have made files read-only; give them back first.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path programPath() { return std::filesystem::path(RK_BINARY_DIR) / "app" / "rk_vad2av"; }

std::filesystem::path writeEngineConfig(const std::filesystem::path& folder, const std::filesystem::path& paradoxDir)
{
    const auto file = folder / "engine.conf";
    std::ofstream(file) << "[DBRK]\nPATH=" << paradoxDir.string() << "\nDEFAULT DRIVER=PARADOX\n";
    return file;
}

ChildProgram::ChildProgram(const std::vector<std::string>& args, const std::filesystem::path& engineConfig,
                           const std::filesystem::path& outputFile, const std::string& localeName)
{
    const std::string program = programPath().string();
    // Qt wants a private runtime folder; one beside the output will do.
    const auto runtime = outputFile.parent_path() / "runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "LC_ALL=" + localeName,
                                    "RK_ENGINE_CONFIG=" + engineConfig.string(), "XDG_RUNTIME_DIR=" + runtime.string()};
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('='));
        if (key != "QT_QPA_PLATFORM" && key != "LC_ALL" && key != "RK_ENGINE_CONFIG" && key != "XDG_RUNTIME_DIR" &&
            key != "DISPLAY" && key != "WAYLAND_DISPLAY")
            env.push_back(entry);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) throw std::runtime_error("cannot create " + outputFile.string());
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out);
    if (m_pid < 0) throw std::runtime_error("fork failed");
}

ChildProgram::~ChildProgram()
{
    if (m_pid > 0 && !m_done) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
}

bool ChildProgram::running()
{
    if (m_done) return false;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
        m_done = true;
        m_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return true;
}

int ChildProgram::wait(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(SIGKILL);
            while (running()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return m_code;
}

void ChildProgram::kill(int sig)
{
    if (!m_done) ::kill(m_pid, sig);
}

ProgramResult runProgram(const std::filesystem::path& folder, const std::filesystem::path& paradoxDir,
                         const std::vector<std::string>& args, std::chrono::milliseconds timeout,
                         const std::string& localeName)
{
    const auto config = writeEngineConfig(folder, paradoxDir);
    const auto output = folder / "program-output.txt";
    ProgramResult result;
    {
        ChildProgram child(args, config, output, localeName);
        result.exitCode = child.wait(timeout);
    }
    result.output = readFile(output);
    return result;
}

long long isqlNumber(const std::filesystem::path& path, const std::string& sql)
{
    const std::string cmd = "echo '" + sql + ";' | isql-fb -q -user SYSDBA '" + path.string() + "' 2>&1";
    std::string out;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        ::pclose(p);
    }
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto b = line.find_first_not_of(' ');
        if (b == std::string::npos) continue;
        const auto e = line.find_last_not_of(" \r");
        const std::string word = line.substr(b, e - b + 1);
        if (word.find_first_not_of("-0123456789") == std::string::npos) return std::stoll(word);
    }
    return -1;
}

std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::map<std::string, std::string> snapshotFiles(const std::filesystem::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.is_regular_file()) files[e.path().filename().string()] = readFile(e.path());
    return files;
}

bool processUsesFile(pid_t pid, const std::string& suffix)
{
    const auto endsWith = [&](std::string name) {
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
        std::string s = suffix;
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
        return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
    };
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    for (std::string line; std::getline(maps, line);)
        if (endsWith(line)) return true;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        std::error_code ec2;
        const auto target = std::filesystem::read_symlink(e.path(), ec2);
        if (!ec2 && endsWith(target.string())) return true;
    }
    return false;
}

bool germanLocaleAvailable()
{
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    const bool ok = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    std::setlocale(LC_ALL, saved.c_str());
    return ok;
}

} // namespace rk::test
