// Shared helpers of the end-to-end tests; see E2eSupport.h.
#include "tests/robustness/E2eSupport.h"

#include <algorithm>
#include <cstdio>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
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

std::unique_ptr<ProgramRun> startProgram(const std::filesystem::path& folder, const std::filesystem::path& paradoxDir,
                                         const std::vector<std::string>& args, const std::string& localeName)
{
    // Qt wants a private runtime folder.
    const auto runtime = folder / "runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    return std::make_unique<ProgramRun>(
        programPath().string(), args,
        std::map<std::string, std::string>{{"QT_QPA_PLATFORM", "offscreen"},
                                           {"LC_ALL", localeName},
                                           {"RK_ENGINE_CONFIG", writeEngineConfig(folder, paradoxDir).string()},
                                           {"XDG_RUNTIME_DIR", runtime.string()},
                                           {"DISPLAY", ProgramRun::kUnset},
                                           {"WAYLAND_DISPLAY", ProgramRun::kUnset}});
}

ProgramResult runProgram(const std::filesystem::path& folder, const std::filesystem::path& paradoxDir,
                         const std::vector<std::string>& args, std::chrono::milliseconds timeout,
                         const std::string& localeName)
{
    const auto run = startProgram(folder, paradoxDir, args, localeName);
    ProgramResult result;
    result.exitCode = run->wait(timeout);
    result.output = run->out();
    for (const std::string& line : run->errLines()) result.output += line + "\n";
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
