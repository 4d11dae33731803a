#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include "db/common/Ansi.h"

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
    for (const Case& c : cases) EXPECT_EQ(ReadStartOptions({c.argument}).JobId, rk::ansi(c.jobId)) << c.argument;
    // Bytes that are no UTF-8 are taken as single-byte text already.
    EXPECT_EQ(ReadStartOptions({"-id:M\xFCller"}).JobId, "-id:M\xFCller");
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
