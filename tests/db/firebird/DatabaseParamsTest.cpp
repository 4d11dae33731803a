// The database parameter block: the fixed lines' 31 bytes, the kinds of
// items, and the names that are skipped, unknown, unsupported or too long
// and the numbers that are none.
#include <gtest/gtest.h>

#include "db/common/Ansi.h"
#include "db/firebird/DatabaseParams.h"
#include "db/firebird/Attachment.h"
#include "db/firebird/TargetErrors.h"

namespace rk::target {
namespace {

std::string bytes(std::initializer_list<int> b)
{
    std::string s;
    for (int x : b) s += static_cast<char>(x);
    return s;
}

struct DpbCase {
    const char* legend;
    std::vector<std::string> lines;
    std::string expected;
};

class DpbBytes : public ::testing::TestWithParam<DpbCase> {};

TEST_P(DpbBytes, Build)
{
    EXPECT_EQ(buildDpb(GetParam().lines), GetParam().expected) << GetParam().legend;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DpbBytes,
    ::testing::Values(
        DpbCase{"the fixed lines, 31 bytes in line order", defaultTargetParams(),
                bytes({1, 48, 9}) + "ISO8859_1" + bytes({28, 6}) + "sysdba" + bytes({29, 9}) + "quartzfen"},
        DpbCase{"prefix and upper case both name user_name", {"isc_dpb_user_name=a", "USER_NAME=b", "ISC_DPB_User_Name=c"},
                bytes({1, 28, 1, 'a', 28, 1, 'b', 28, 1, 'c'})},
        DpbCase{"lines without a name are skipped", {"no equals sign", "=x", "  =y", ""}, bytes({1})},
        DpbCase{"the value is everything after the first =, untrimmed", {"password= a=b "},
                bytes({1, 29, 5, ' ', 'a', '=', 'b', ' '})},
        DpbCase{"sql_dialect turns its first character into a digit", {"sql_dialect=3"}, bytes({1, 63, 1, 3})},
        DpbCase{"one-byte number keeps the low byte", {"num_buffers=300"}, bytes({1, 5, 1, 300 & 0xFF})},
        DpbCase{"sweep ignores its value", {"sweep=9"}, bytes({1, 10, 1, 2})},
        DpbCase{"four-byte number, little-endian", {"sweep_interval=66000"}, bytes({1, 22, 4, 0xD0, 0x01, 0x01, 0x00})},
        DpbCase{"flag", {"activate_shadow=whatever"}, bytes({1, 21, 1, 0})},
        DpbCase{"a 255-byte text still fits its length byte", {"user_name=" + std::string(255, 'u')},
                bytes({1, 28, 255}) + std::string(255, 'u')}));

struct DpbFailure {
    std::string line;
    std::string message;  // UTF-8
    const char* kind = "EIBClientError";
};

class DpbRefused : public ::testing::TestWithParam<DpbFailure> {};

TEST_P(DpbRefused, Message)
{
    try {
        buildDpb({"user_name=sysdba", GetParam().line});
        FAIL() << "no error for " << GetParam().line;
    } catch (const rk::Exception& e) {
        EXPECT_STREQ(e.kindName(), GetParam().kind);
        EXPECT_EQ(e.message(), ansi(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, DpbRefused,
    ::testing::Values(
        // Unknown names are quoted as written, prefix and case kept.
        DpbFailure{"Isc_Dpb_Colour=1", "DPB-Konstante (Isc_Dpb_Colour) ist unbekannt."},
        DpbFailure{" user_name=x", "DPB-Konstante ( user_name) ist unbekannt."},
        DpbFailure{"gstat_attach_x=1", "DPB-Konstante (gstat_attach_x) ist unbekannt."},
        // Known but unsupported names are quoted from the table.
        DpbFailure{"PAGE_SIZE=4096", "DPB-Konstante (isc_dpb_page_size) wird nicht unterstützt."},
        DpbFailure{"isc_dpb_gstat_attach=1", "DPB-Konstante (isc_dpb_gstat_attach) wird nicht unterstützt."},
        DpbFailure{"cdd_pathname=x", "DPB-Konstante (isc_dpb_cdd_pathname) wird nicht unterstützt."},
        // A one-byte length cannot carry more than 255 bytes.
        DpbFailure{"password=" + std::string(256, 'p'),
                   "DPB-Wert für isc_dpb_password ist 256 Bytes lang; höchstens 255 Bytes sind möglich."},
        // A number item's text must be a decimal integer.
        DpbFailure{"num_buffers=many", "'many' ist kein gültiger ganzzahliger Wert", "EConvertError"}));

TEST(DatabaseParams, ItemCodesSpanTheTable)
{
    EXPECT_EQ(dpbItemCode("cdd_pathname"), 1);
    EXPECT_EQ(dpbItemCode("lc_ctype"), 48);
    EXPECT_EQ(dpbItemCode("gstat_attach"), 67);
    EXPECT_EQ(dpbItemCode("set_db_charset"), 0);  // 68 is beyond the table
}

} // namespace
} // namespace rk::target
