// Messages built from a status vector: texts joined by CR LF, one trailing
// period removed, SQLCODE and first error code kept, -551 as its own kind.
// The vectors are built by hand and read by the real client library.
#include <gtest/gtest.h>

#include "db/firebird/ClientLibrary.h"
#include "db/firebird/TargetErrors.h"
#include "tests/support/ExceptionMessage.h"

namespace rk::target {
namespace {

const ISC_STATUS kArgEnd = 0, kArgGds = 1, kArgString = 2;

template <class E>
std::optional<E> raised(const std::vector<ISC_STATUS>& status)
{
    return rk::test::caught<E>([&] { raiseStatus(ClientLibrary::instance(), status.data()); });
}

ISC_STATUS text(const char* s) { return reinterpret_cast<ISC_STATUS>(s); }

TEST(TargetErrors, TextsJoinedByCrLfOnceAndOneTrailingPeriodRemoved)
{
    // Two texts of one status vector and the message made of them.
    const char* const cases[][3] = {{"erste", "zweite..", "erste\r\nzweite."}, {"zeile\n", "neu", "zeile\nneu"}};
    for (const auto& c : cases) {
        const auto e = raised<EIBInterBaseError>(
            {kArgGds, isc_random, kArgString, text(c[0]), kArgGds, isc_random, kArgString, text(c[1]), kArgEnd});
        ASSERT_TRUE(e);
        EXPECT_EQ(e->message(), c[2]);
        EXPECT_EQ(e->ibErrorCode(), isc_random);
        EXPECT_STREQ(e->kindName(), "EIBInterBaseError");
    }
}

TEST(TargetErrors, MissingPrivilegeIsTheRoleKind)
{
    const auto e = raised<EIBInterBaseRoleError>(
        {kArgGds, isc_no_priv, kArgString, text("SELECT"), kArgString, text("TABLE"), kArgString, text("T"), kArgEnd});
    ASSERT_TRUE(e);
    EXPECT_EQ(e->sqlCode(), -551);
    EXPECT_EQ(e->ibErrorCode(), isc_no_priv);
    EXPECT_EQ(e->message(), "no permission for SELECT access to TABLE T");
}

TEST(TargetErrors, CheckStatusPassesSuccess)
{
    const ISC_STATUS ok[] = {kArgGds, 0, kArgEnd};
    EXPECT_NO_THROW(checkStatus(ClientLibrary::instance(), ok));
}

} // namespace
} // namespace rk::target
