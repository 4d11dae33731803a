#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace rk::app {
namespace {

TEST(CommandLine, SwitchesAreExactAndCaseSensitive)
{
    EXPECT_FALSE(ReadStartOptions({"-NoMessage", "-nomessage ", "--nomessage"}).NoMessage);
    EXPECT_TRUE(ReadStartOptions({"x", "-nomessage"}).NoMessage);
    EXPECT_FALSE(HasAutoSwitch({"-Auto", "-AUTO", "-auto2"}));
    EXPECT_TRUE(HasAutoSwitch({"-nomessage", "-auto"}));
    EXPECT_TRUE(ReadStartOptions({"-ID:abc"}).JobId.empty());
}

TEST(CommandLine, JobIdKeepsShortArgumentsWholeAndLongOnesTheirLast32)
{
    EXPECT_EQ(ReadStartOptions({"-id:JOB42"}).JobId, "-id:JOB42");
    const std::string id32 = "0123456789abcdef0123456789ABCDEF";
    EXPECT_EQ(ReadStartOptions({"-id:" + id32}).JobId, id32);
    // exactly 32 characters, prefix included, is taken whole
    const std::string arg32 = "-id:" + id32.substr(0, 28);
    EXPECT_EQ(ReadStartOptions({arg32}).JobId, arg32);
    // text before the switch still makes it a job-id argument
    EXPECT_EQ(ReadStartOptions({"job-id:7"}).JobId, "job-id:7");
    EXPECT_EQ(ReadStartOptions({"-id:first", "-id:second"}).JobId, "-id:second");
    EXPECT_TRUE(ReadStartOptions({}).JobId.empty());
}

TEST(CommandLine, LastExistingFileIsTheTarget)
{
    const FileExists exists = [](const std::string& a) { return a == "a.fdb" || a == "b.fdb"; };
    EXPECT_EQ(ExistingFiles({"a.fdb", "-auto", "missing.fdb", "b.fdb"}, exists),
              (std::vector<std::string>{"a.fdb", "b.fdb"}));
    EXPECT_TRUE(ExistingFiles({"-auto"}, exists).empty());
}

TEST(CommandLine, FileTestRejectsFoldersAndMissingPaths)
{
    EXPECT_FALSE(FileExistsOnDisk("/"));
    EXPECT_FALSE(FileExistsOnDisk(""));
    EXPECT_FALSE(FileExistsOnDisk("/no/such/file.fdb"));
    EXPECT_TRUE(FileExistsOnDisk("/proc/self/status"));
}

TEST(CommandLine, HelpAndVersionOnlyInTheirLinuxSpelling)
{
    EXPECT_EQ(ReadInfoRequest({"--help"}), InfoRequest::Help);
    EXPECT_EQ(ReadInfoRequest({"-auto", "--version"}), InfoRequest::Version);
    EXPECT_EQ(ReadInfoRequest({"-help", "-h", "--Help"}), InfoRequest::None);
}

} // namespace
} // namespace rk::app
