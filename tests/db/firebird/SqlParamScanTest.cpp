// The two scans of a statement text: the parameter list and the text sent
// to the server with its placeholder names.
#include <gtest/gtest.h>

#include "db/common/Ansi.h"
#include "db/firebird/SqlParamScan.h"
#include "db/firebird/TargetErrors.h"
#include "tests/db/firebird/TargetTestSupport.h"

namespace rk::target {
namespace {

using Names = std::vector<std::string>;

struct ParamCase {
    const char* text;
    Names names;
};

class ParamScan : public ::testing::TestWithParam<ParamCase> {};

TEST_P(ParamScan, Names)
{
    EXPECT_EQ(scanParamNames(GetParam().text), GetParam().names) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParamScan,
    ::testing::Values(
        ParamCase{"INSERT INTO T (REG_R,REGION) VALUES (:REG_R,:REGION)\r\n", {"REG_R", "REGION"}},
        ParamCase{"VALUES (:A, :B ,:C) ", {"A", "B", "C"}},
        ParamCase{"WHERE A=:X AND B='1:2'", {"X"}},
        // Any quote closes a literal opened by another.
        ParamCase{"WHERE A='x\" AND B=:Y", {"Y"}},
        ParamCase{"WHERE A=`q` AND B=:Z;", {"Z"}},
        // A doubled colon is a literal colon.
        ParamCase{"SELECT '::' || A::B FROM T WHERE C=:D", {"D"}},
        // Only blank , ; ) CR LF end a name.
        ParamCase{"A=:X+1\tOR B=:Y(2)", {"X+1\tOR", "Y(2"}},
        // A quoted name keeps its delimiters and loses its quotes.
        ParamCase{"A=:\"my name\" AND B=:n2", {"my name", "n2"}},
        // Repeated names give repeated entries; case is kept.
        ParamCase{"A=:x OR B=:X", {"x", "X"}},
        // Comments are not known here.
        ParamCase{"/* :C */ SELECT 1", {"C"}},
        ParamCase{"A = :", {""}},
        ParamCase{"DELETE FROM IMPORT_RK5_EB", {}}));

struct PlaceholderCase {
    const char* text;
    const char* server;
    Names names;
};

class PlaceholderScan : public ::testing::TestWithParam<PlaceholderCase> {};

TEST_P(PlaceholderScan, ServerText)
{
    const ServerStatement s = scanPlaceholders(GetParam().text);
    EXPECT_EQ(s.text, GetParam().server);
    EXPECT_EQ(s.names, GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaceholderScan,
    ::testing::Values(
        PlaceholderCase{"VALUES (:REG_R, :b$1 ,:c)\r\n", "VALUES (?, ? ,?)\r\n", {"REG_R", "B$1", "C"}},
        PlaceholderCase{"WHERE A=:X AND B='1:2'", "WHERE A=? AND B='1:2'", {"X"}},
        PlaceholderCase{"WHERE A='it''s :no' AND B=:Y", "WHERE A='it''s :no' AND B=?", {"Y"}},
        PlaceholderCase{"/* :no */ A=:X", "/* :no */ A=?", {"X"}},
        PlaceholderCase{"A=:\"Mixed Name\"", "A=?", {"MIXED NAME"}},
        PlaceholderCase{"A=?n", "A=?", {"N"}},
        // The backquote is no quote here.
        PlaceholderCase{"A=`:X`", "A=`?`", {"X"}}));

struct ParseFailure {
    const char* text;
    const char* reason;
};

class PlaceholderRefused : public ::testing::TestWithParam<ParseFailure> {};

TEST_P(PlaceholderRefused, Message)
{
    EXPECT_EQ(test::messageOf<EIBClientError>([] { scanPlaceholders(GetParam().text); }),
              ansi("Fehler bei der SQL-Auswertung:\r\n\r\n") + ansi(GetParam().reason))
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaceholderRefused,
    ::testing::Values(ParseFailure{"SELECT A::B FROM T", "Parametername erwartet"},
                      ParseFailure{"VALUES (?)", "Parametername erwartet"},
                      ParseFailure{"A = : B", "Parametername erwartet"},
                      ParseFailure{"A = :", "Parametername erwartet"},
                      ParseFailure{"A = 'open", "EOF im String gefunden"},
                      ParseFailure{"A = \"open", "EOF im String gefunden"},
                      ParseFailure{"A = 1 /* open", "EOF im Kommentar gefunden"}));

} // namespace
} // namespace rk::target
