// The start options read from the command line: the switches exactly as
// written, the job id cut to its last 32 characters, the target file test,
// and the help and version switches.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include "db/common/Ansi.h"

namespace rk::app {
namespace {

TEST(CommandLine, SwitchesAreExactAndCaseSensitive)
{
    EXPECT_FALSE(readStartOptions({"-NoMessage", "-nomessage ", "--nomessage"}).noMessage);
    EXPECT_TRUE(readStartOptions({"x", "-nomessage"}).noMessage);
    EXPECT_FALSE(hasAutoSwitch({"-Auto", "-AUTO", "-auto2"}));
    EXPECT_TRUE(hasAutoSwitch({"-nomessage", "-auto"}));
    EXPECT_TRUE(readStartOptions({"x", "-auto"}).unattended);
    EXPECT_FALSE(readStartOptions({"-Auto"}).unattended);
    EXPECT_TRUE(readStartOptions({"-ID:abc"}).jobId.empty());
}

TEST(CommandLine, JobIdKeepsShortArgumentsWholeAndLongOnesTheirLast32)
{
    EXPECT_EQ(readStartOptions({"-id:JOB42"}).jobId, "-id:JOB42");
    const std::string id32 = "0123456789abcdef0123456789ABCDEF";
    EXPECT_EQ(readStartOptions({"-id:" + id32}).jobId, id32);
    // exactly 32 characters, prefix included, is taken whole
    const std::string arg32 = "-id:" + id32.substr(0, 28);
    EXPECT_EQ(readStartOptions({arg32}).jobId, arg32);
    // text before the switch still makes it a job-id argument
    EXPECT_EQ(readStartOptions({"job-id:7"}).jobId, "job-id:7");
    EXPECT_EQ(readStartOptions({"-id:first", "-id:second"}).jobId, "-id:second");
    EXPECT_TRUE(readStartOptions({}).jobId.empty());
}

// The argument arrives in UTF-8; the identifier is Windows-1252 text and the
// 32 characters are counted after the conversion.
TEST(CommandLine, JobIdIsConvertedBeforeItIsCut)
{
    std::string twentyU;
    for (int i = 0; i < 20; ++i) twentyU += "ü";
    struct Case {
        std::string argument;
        std::string jobId; // UTF-8, as written here
    };
    const Case cases[] = {
        {"-id:Müller-Lüdenscheid", "-id:Müller-Lüdenscheid"},
        {"-id:" + twentyU + "x", "-id:" + twentyU + "x"}, // 25 characters: whole
        {"-id:ab" + twentyU + "0123456789", "ab" + twentyU + "0123456789"}, // 36: the last 32
        {"-id:Şen€", "-id:?en€"}, // Ş has no Windows-1252 form
    };
    for (const Case& c : cases) EXPECT_EQ(readStartOptions({c.argument}).jobId, rk::ansi(c.jobId)) << c.argument;
    // Bytes that are no UTF-8 are taken as single-byte text already.
    EXPECT_EQ(readStartOptions({"-id:M\xFCller"}).jobId, "-id:M\xFCller");
}

TEST(CommandLine, FileTestRejectsFoldersAndMissingPaths)
{
    EXPECT_FALSE(fileExistsOnDisk("/"));
    EXPECT_FALSE(fileExistsOnDisk(""));
    EXPECT_FALSE(fileExistsOnDisk("/no/such/file.fdb"));
    EXPECT_TRUE(fileExistsOnDisk("/proc/self/status"));
}

TEST(CommandLine, HelpAndVersionOnlyInTheirLinuxSpelling)
{
    EXPECT_EQ(readInfoRequest({"--help"}), InfoRequest::Help);
    EXPECT_EQ(readInfoRequest({"-auto", "--version"}), InfoRequest::Version);
    EXPECT_EQ(readInfoRequest({"-help", "-h", "--Help"}), InfoRequest::None);
}

} // namespace
} // namespace rk::app
