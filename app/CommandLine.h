// Reading the command line. Arguments are the words after the program name,
// already split by the shell; all matching is exact and case-sensitive.
//
//   -nomessage     noMessage := true (wherever it stands)
//   ...-id:...     jobId := the argument's last 32 characters (the whole
//                  argument, prefix included, when it is at most 32 long);
//                  a later one replaces an earlier one
//   -auto          unattended run
//   a file path    target database; the last existing file wins
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace rk::app {

using Arguments = std::vector<std::string>;
using FileExists = std::function<bool(const std::string&)>;

struct StartOptions {
    bool noMessage = false;
    std::string jobId;
    // "-auto": the unattended run.
    bool unattended = false;
};

// The first pass of window creation: every argument is tested for each.
StartOptions readStartOptions(const Arguments& args);

// The job identifier an "-id:" argument gives.
std::string jobIdOf(const std::string& argument);

bool hasAutoSwitch(const Arguments& args);

// True when `path` names an existing regular file (or a link to one).
bool fileExistsOnDisk(const std::string& path);

// "--help" and "--version" print and end before any window exists.
enum class InfoRequest { None, Help, Version };
InfoRequest readInfoRequest(const Arguments& args);

} // namespace rk::app
