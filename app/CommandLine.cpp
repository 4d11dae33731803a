// Command-line reading, kept free of the window so it can be tested alone.
#include "app/CommandLine.h"

#include <sys/stat.h>

#include "db/common/Ansi.h"

namespace rk::app {

namespace {
constexpr size_t kJobIdLength = 32;
}

std::string jobIdOf(const std::string& argument)
{
    // The argument arrives in UTF-8; the identifier is the program's single-
    // byte text, so characters are counted after the conversion and a cut
    // never falls inside one. A character without a Windows-1252 form
    // becomes "?"; bytes that are no UTF-8 are taken as single-byte text.
    const std::string text = ansiFromMaybeUtf8(argument);
    if (text.size() <= kJobIdLength) return text;
    return text.substr(text.size() - kJobIdLength);
}

StartOptions readStartOptions(const Arguments& args)
{
    StartOptions options;
    for (const auto& arg : args) {
        if (arg == "-nomessage") options.noMessage = true;
        if (arg.find("-id:") != std::string::npos) options.jobId = jobIdOf(arg);
    }
    options.unattended = hasAutoSwitch(args);
    return options;
}

bool hasAutoSwitch(const Arguments& args)
{
    for (const auto& arg : args)
        if (arg == "-auto") return true;
    return false;
}

bool fileExistsOnDisk(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

InfoRequest readInfoRequest(const Arguments& args)
{
    for (const auto& arg : args) {
        if (arg == "--help") return InfoRequest::Help;
        if (arg == "--version") return InfoRequest::Version;
    }
    return InfoRequest::None;
}

} // namespace rk::app
