// Command-line reading, kept free of the window so it can be tested alone.
#include "app/CommandLine.h"

#include <sys/stat.h>

namespace rk::app {

namespace {
constexpr size_t kJobIdLength = 32;
}

std::string JobIdOf(const std::string& argument)
{
    if (argument.size() <= kJobIdLength) return argument;
    return argument.substr(argument.size() - kJobIdLength);
}

StartOptions ReadStartOptions(const Arguments& args)
{
    StartOptions options;
    for (const auto& arg : args) {
        if (arg == "-nomessage") options.NoMessage = true;
        if (arg.find("-id:") != std::string::npos) options.JobId = JobIdOf(arg);
    }
    return options;
}

bool HasAutoSwitch(const Arguments& args)
{
    for (const auto& arg : args)
        if (arg == "-auto") return true;
    return false;
}

std::vector<std::string> ExistingFiles(const Arguments& args, const FileExists& exists)
{
    std::vector<std::string> files;
    for (const auto& arg : args)
        if (exists(arg)) files.push_back(arg);
    return files;
}

bool FileExistsOnDisk(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

InfoRequest ReadInfoRequest(const Arguments& args)
{
    for (const auto& arg : args) {
        if (arg == "--help") return InfoRequest::Help;
        if (arg == "--version") return InfoRequest::Version;
    }
    return InfoRequest::None;
}

} // namespace rk::app
