// Loading the client library: a missing file, a library without the entry
// points, and the environment override that the first target object obeys.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/firebird/ClientLibrary.h"
#include "db/firebird/Attachment.h"
#include "db/firebird/TargetErrors.h"
#include "tests/support/ExceptionMessage.h"

namespace rk::target {
namespace {

TEST(ClientLibrary, MissingFileIsTheClientError)
{
    const auto e = rk::test::caught<EIBClientError>([] { ClientLibrary::load("/nonexistent/libfbclient.so.2"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->message(), "InterBase-DLL gds32.dll wurde im Pfad nicht gefunden");
    EXPECT_EQ(e->clientError(), ClientError::GDS32NotFound);
    EXPECT_STREQ(e->kindName(), "EIBClientError");
}

TEST(ClientLibrary, MissingEntryPointIsASystemError)
{
    // A real library that has none of the client's functions.
    const std::string message = rk::test::messageOf<EOSError>([] { ClientLibrary::load("libm.so.6"); });
    const std::string prefix = "Systemfehler.  Code: 127.\r\n";
    EXPECT_EQ(message.substr(0, prefix.size()), prefix);
    EXPECT_NE(message.find("isc_attach_database"), std::string::npos) << message;
}

TEST(ClientLibrary, TheInstalledLibraryResolves)
{
    const ClientLibrary lib = ClientLibrary::load(ClientLibrary::defaultFileName());
    EXPECT_NE(lib.attachDatabase, nullptr);
    EXPECT_NE(lib.encodeTimestamp, nullptr);
}

// The first target object loads the library named by the environment; a
// child process starts fresh, so the override takes effect there.
TEST(ClientLibraryDeathTest, FirstTargetObjectFailsWithoutTheLibrary)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("RK_FBCLIENT_LIBRARY", "/nonexistent/libfbclient.so.2", 1);
            try {
                Attachment database(names::kTargetConnection);
            } catch (const EIBClientError& e) {
                std::fprintf(stderr, "%s\n", e.message().c_str());
                std::exit(3);
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(3), "InterBase-DLL gds32.dll wurde im Pfad nicht gefunden");
}

} // namespace
} // namespace rk::target
