// rk_pxdump: the JSON text of each value kind, the header line, and the
// program itself on a fixture, a damaged file and --codepage.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sys/wait.h>

#include "db/common/Ansi.h"
#include "tests/db/paradox/reader/TempDir.h"
#include "tests/db/paradox/reader/WriteTable.h"
#include "tests/support/SharedFixtures.h"
#include "tools/pxdump/JsonDump.h"

namespace {

using namespace rk::source::paradox;
using rk::db::FieldValue;
using rk::tools::pxdump::valueJson;

struct JsonCase {
    FieldValue value;
    FieldType type;
    const char* json;
};

class PxDumpValue : public ::testing::TestWithParam<JsonCase> {};

TEST_P(PxDumpValue, PrintsTheDocumentedForm)
{
    EXPECT_EQ(valueJson(GetParam().value, GetParam().type), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PxDumpValue,
    ::testing::Values(
        JsonCase{{}, FieldType::Long, "null"}, JsonCase{{}, FieldType::Memo, "null"},
        JsonCase{int32_t(-2147483647), FieldType::Long, "-2147483647"},
        JsonCase{0.1, FieldType::Number, "0.1"}, JsonCase{-0.0, FieldType::Number, "-0"},
        JsonCase{1.7976931348623157e308, FieldType::Currency, "1.7976931348623157e+308"},
        JsonCase{true, FieldType::Logical, "true"}, JsonCase{false, FieldType::Logical, "false"},
        JsonCase{rk::db::BcdValue{true, {1, 2, 3, 4, 5}, 2}, FieldType::Bcd, "\"-123.45\""},
        JsonCase{rk::db::BcdValue{false, {5}, 3}, FieldType::Bcd, "\"0.005\""},
        JsonCase{rk::db::BcdValue{false, {0, 0}, 2}, FieldType::Bcd, "\"0.00\""},
        JsonCase{rk::db::BcdValue{false, {4, 2}, 0}, FieldType::Bcd, "\"42\""},
        JsonCase{rk::db::BcdValue{false, {1, 0xb}, 1}, FieldType::Bcd, "{\"invalid_bcd\":\"1b\"}"},
        // As the transfer reads them: four decimals at most, halves to even,
        // nibbles above 9 past the fifth decimal filler.
        JsonCase{rk::db::BcdValue{false, {1, 2, 3, 4, 5, 6, 7}, 6}, FieldType::Bcd, "\"1.2346\""},
        JsonCase{rk::db::BcdValue{true, {9, 9, 9, 9, 9, 5}, 5}, FieldType::Bcd, "\"-10.0000\""},
        JsonCase{rk::db::BcdValue{false, {1, 2, 3, 4, 5}, 5}, FieldType::Bcd, "\"0.1234\""},
        JsonCase{rk::db::BcdValue{false, {1, 2, 2, 9, 9, 9, 0xb, 0xe}, 8}, FieldType::Bcd, "\"0.1230\""},
        JsonCase{rk::db::BcdValue{true, {0, 0}, 2}, FieldType::Bcd, "\"0.00\""},
        JsonCase{rk::db::BcdValue{false, {1, 2, 3, 4, 0xb}, 5}, FieldType::Bcd, "{\"invalid_bcd\":\"1234b\"}"},
        JsonCase{rk::db::DateValue{1}, FieldType::Date, "\"0001-01-01\""},
        JsonCase{rk::db::DateValue{719163}, FieldType::Date, "\"1970-01-01\""},
        JsonCase{rk::db::DateValue{730006}, FieldType::Date, "\"1999-09-09\""},
        JsonCase{rk::db::DateValue{3652059}, FieldType::Date, "\"9999-12-31\""},
        JsonCase{rk::db::DateValue{3652060}, FieldType::Date, "{\"days\":3652060}"},
        JsonCase{rk::db::DateValue{-366}, FieldType::Date, "{\"days\":-366}"},
        JsonCase{rk::db::TimeValue{0}, FieldType::Time, "\"00:00:00.000\""},
        JsonCase{rk::db::TimeValue{86399999}, FieldType::Time, "\"23:59:59.999\""},
        JsonCase{rk::db::TimeValue{-5}, FieldType::Time, "{\"msecs\":-5}"},
        JsonCase{rk::db::TimestampValue{62135722800000.0}, FieldType::Timestamp, "\"1970-01-01 11:00:00.000\""},
        JsonCase{rk::db::TimestampValue{63190926671250.0}, FieldType::Timestamp, "\"2003-06-10 11:11:11.250\""},
        JsonCase{rk::db::TimestampValue{-31618800000.0}, FieldType::Timestamp, "{\"days\":-366,\"msecs\":3600000}"},
        JsonCase{rk::ansi("Grün \"x\" \\ €\t\x01"), FieldType::Alpha, "\"Grün \\\"x\\\" \\\\ €\\t\\u0001\""},
        JsonCase{std::string("a\nb"), FieldType::Memo, "\"a\\nb\""},
        JsonCase{std::string("abc"), FieldType::Graphic,
                 "{\"size\":3,\"sha256\":\"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\"}"},
        JsonCase{std::string(255, '\0'), FieldType::Bytes,
                 "{\"size\":255,\"sha256\":\"80bd5cb5a9ca35dcdea1d59b5f1778f4114f6215af38004a02a99a1d37383648\"}"},
        JsonCase{std::string(), FieldType::Ole,
                 "{\"size\":0,\"sha256\":\"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\"}"}));

TEST(PxDumpHeader, NamesTypesAndSizes)
{
    rk::test::TempDir dir;
    rk::tools::pxwrite::WriterOptions opt;
    opt.codePage = 850;
    rk::test::writeTable(dir / "KUNDE.DB",
                         {{rk::ansi("Straße"), FieldType::Alpha, 30}, {"Betrag", FieldType::Bcd, 4},
                          {"Nr", FieldType::AutoInc}},
                         {{std::string("A"), 1.5, int32_t(1)}}, opt);
    auto t = Table::open(dir / "KUNDE.DB");
    EXPECT_EQ(rk::tools::pxdump::headerLine(*t),
              "{\"table\":\"KUNDE.DB\",\"version\":\"7.x\",\"codepage\":850,\"codepage_from\":\"header\","
              "\"records\":1,\"fields\":["
              "{\"name\":\"Straße\",\"type\":\"alpha\",\"size\":30},{\"name\":\"Betrag\",\"type\":\"bcd\",\"size\":4},"
              "{\"name\":\"Nr\",\"type\":\"autoinc\",\"size\":4}]}");
}

struct ProgramRun {
    int exitCode;
    std::string out;
};

ProgramRun runPxDump(const std::string& args)
{
    const std::string cmd = std::string(RK_PXDUMP) + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return {-1, ""};
    std::string out;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    const int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// The dump of `file` with the options given, which must succeed.
std::string dumpOf(const std::filesystem::path& file, const std::string& options = "")
{
    const ProgramRun r = runPxDump(options + " '" + file.string() + "'");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    return r.out;
}

TEST(PxDumpProgram, DumpsAFixtureAsJsonLines)
{
    const auto file = rk::test::paradoxFixture("Paradox-Reader/testtab.DB");
    RK_REQUIRE_FIXTURE(file);
    const std::string out = dumpOf(file);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 6);  // header and five records
    EXPECT_NE(out.find("\n[4,\"DDD\",null,null,null,null,null,null,null,null,null,{\"size\":5,"), std::string::npos)
        << out;
    EXPECT_NE(out.find("\n[1,\"AAA\",111.11,111.11,111,111,\"111.11\",\"2011-11-11\",\"11:11:11.000\","
                         "\"2011-11-11 11:11:11.000\",true,"),
              std::string::npos)
        << out;
}

TEST(PxDumpProgram, CodePageOptionAppliesToFilesWithoutOne)
{
    const auto file = rk::test::paradoxFixture("paradoxdriver/VIDORDER.DB");
    RK_REQUIRE_FIXTURE(file);
    const std::string out = dumpOf(file, "--codepage 437");
    EXPECT_EQ(out.rfind("{\"table\":\"VIDORDER.DB\",\"version\":\"3.0\",\"codepage\":437,"
                          "\"codepage_from\":\"--codepage\",\"records\":50,",
                          0),
              0u)
        << out;
}

// The dump decodes from the table's code page straight to UTF-8, so text
// Windows-1252 lacks survives; --codepage overrides a mislabelled header.
TEST(PxDumpProgram, TextsDecodedFromTheTablesCodePage)
{
    rk::test::TempDir dir;
    const auto file = dir / "KYRILL.DB";
    rk::test::writeTable(file, {{"Name", FieldType::Alpha, 10}, {"Notiz", FieldType::Memo, 0}},
                         {{std::string("\xC0\xC1\xE0"), std::string("\xCC\xEE\xF1\xEA\xE2\xE0")}});
    // The header now says 1251; the bytes are the same.
    std::vector<uint8_t> bytes = rk::test::readBytes(file);
    bytes[0x6A] = 0xE3;
    bytes[0x6B] = 0x04;
    rk::test::writeBytes(file, bytes);

    std::string out = dumpOf(file);
    EXPECT_NE(out.find("\"codepage\":1251,"), std::string::npos) << out;
    EXPECT_NE(out.find("\n[\"АБа\",\"Москва\"]\n"), std::string::npos) << out;

    out = dumpOf(file, "--codepage 1252");
    EXPECT_NE(out.find("\"codepage\":1252,"), std::string::npos) << out;
    EXPECT_NE(out.find("\n[\"ÀÁà\",\"Ìîñêâà\"]\n"), std::string::npos) << out;
}

struct CodePageOptionCase {
    int codePage;
    const char* text;  // the bytes C0 D6 E4 F2 in it
};

class PxDumpCodePageOption : public ::testing::TestWithParam<CodePageOptionCase> {};

// Code pages that iconv names otherwise than "CP<number>"; the expected
// texts are the code pages' published tables.
TEST_P(PxDumpCodePageOption, NumbersIconvSpellsOtherwise)
{
    rk::test::TempDir dir;
    const auto file = dir / "TEXT.DB";
    rk::test::writeTable(file, {{"Name", FieldType::Alpha, 10}}, {{std::string("\xC0\xD6\xE4\xF2")}});
    const std::string out = dumpOf(file, "--codepage " + std::to_string(GetParam().codePage));
    EXPECT_NE(out.find("\"codepage\":" + std::to_string(GetParam().codePage) + ",\"codepage_from\":\"--codepage\""),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\n[\"" + std::string(GetParam().text) + "\"]\n"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Iconv, PxDumpCodePageOption,
                         ::testing::Values(CodePageOptionCase{1051, "âøð·"}, CodePageOptionCase{10000, "¿÷‰Ú"},
                                           CodePageOptionCase{20866, "южДР"}, CodePageOptionCase{28595, "Ржфђ"},
                                           CodePageOptionCase{28605, "ÀÖäò"}),
                         [](const auto& info) { return "cp" + std::to_string(info.param.codePage); });

TEST(PxDumpText, DoubleByteCodePageAndCutSequence)
{
    const rk::tools::pxdump::TextDecoder gbk(936);
    EXPECT_EQ(gbk("\xC4\xE3" "a\x81"), "你a\uFFFD"); // a lead byte without its second byte
    EXPECT_EQ(gbk(""), "");
}

TEST(PxDumpProgram, DamagedFileGivesMessageAndExitCode1)
{
    rk::test::TempDir dir;
    rk::test::writeBytes(dir / "KAPUTT.DB", std::vector<uint8_t>(100, 0x41));
    const ProgramRun r = runPxDump("'" + (dir / "KAPUTT.DB").string() + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "rk_pxdump: Die Datei '" + (dir / "KAPUTT.DB").string() + "' ist keine Paradox-Tabelle.\n");
    EXPECT_EQ(runPxDump("").exitCode, 2);
}

} // namespace
