// See LockFolder.h.
#include "db/firebird/LockFolder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "db/common/Ansi.h"

namespace rk::target {

namespace {

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

bool lockFolderUsable(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(folder, ec);
    if (status.type() == fs::file_type::not_found) return true;
    if (status.type() != fs::file_type::directory) return false;
    if (::access(folder.c_str(), R_OK | W_OK | X_OK) != 0) return false;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        if (::access(entry.path().c_str(), R_OK | W_OK) != 0) return false;
    }
    return !ec;
}

bool serverModeTakesFileAlone(const std::string& configText)
{
    std::istringstream lines(configText);
    std::string line;
    std::string mode = "super"; // the engine's default
    while (std::getline(lines, line)) {
        line = trimmed(line.substr(0, line.find('#')));
        const size_t equals = line.find('=');
        if (equals == std::string::npos || lowerAscii(trimmed(line.substr(0, equals))) != "servermode") continue;
        mode = lowerAscii(trimmed(line.substr(equals + 1)));
    }
    return mode == "super" || mode == "threadeddedicated";
}

std::vector<std::string> findEngineConfigs()
{
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    if (const char* root = std::getenv("FIREBIRD"); root && *root) {
        const fs::path file = fs::path(root) / "firebird.conf";
        if (fs::exists(file)) found.push_back(file.string());
        return found;
    }
    std::error_code ec;
    for (const fs::path base : {"/etc/firebird", "/usr/lib/x86_64-linux-gnu/firebird", "/usr/lib/firebird"})
        for (const fs::directory_entry& version : fs::directory_iterator(base, ec))
            if (fs::exists(version.path() / "firebird.conf")) found.push_back((version.path() / "firebird.conf").string());
    if (fs::exists("/opt/firebird/firebird.conf")) found.push_back("/opt/firebird/firebird.conf");
    return found;
}

LockFolderChoice chooseLockFolder(const char* named, const std::string& defaultFolder,
                                  const std::vector<std::string>& engineConfigs, const std::string& ownFolder)
{
    if (named && *named) return {named, std::nullopt};
    const std::string& folder = defaultFolder;
    if (lockFolderUsable(folder)) return {folder, std::nullopt};
    // Without a configuration to read, nothing says the engine takes the
    // file for itself: the shared folder stays.
    if (engineConfigs.empty()) return {folder, std::nullopt};
    for (const std::string& config : engineConfigs)
        if (!serverModeTakesFileAlone(readText(config))) return {folder, std::nullopt};
    if (!makeOwnLockFolder(ownFolder)) return {folder, std::nullopt};
    return {ownFolder, ownFolder};
}

std::string ownLockFolderPath()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        struct stat info {};
        if (::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid())
            return std::string(runtime) + "/firebird";
    }
    return "/tmp/firebird-" + std::to_string(::getuid());
}

bool makeOwnLockFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    // lstat: a link planted by someone else is not ours.
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string lockFolderProblemText(const std::string& folder)
{
    struct stat info {};
    std::string ownerName = "?";
    std::string groupName = "?";
    if (::stat(folder.c_str(), &info) == 0) {
        const passwd* user = ::getpwuid(info.st_uid);
        const struct group* grp = ::getgrgid(info.st_gid);
        ownerName = user ? user->pw_name : std::to_string(info.st_uid);
        groupName = grp ? grp->gr_name : std::to_string(info.st_gid);
    }
    return ansiFormat(("Der Sperrordner der Datenbank-Engine %s (Eigentümer %s, Gruppe %s) ist für dieses "
                           "Konto nicht zugänglich. Der Administrator nimmt das Konto in die Gruppe %s auf "
                           "(usermod -a -G %s KONTO, danach neu anmelden) oder gibt mit FIREBIRD_LOCK einen "
                           "gemeinsamen Ordner für alle Konten vor."),
                      folder, ownerName, groupName, groupName, groupName);
}

} // namespace rk::target
