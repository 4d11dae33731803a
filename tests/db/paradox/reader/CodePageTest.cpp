// Which code page a table's texts are read in: the header's, else the one
// its sort order (language driver) implies, else the default. Tables are
// real ones from the shared fixtures, patched in a temporary folder. The
// expected texts are the code pages' published tables (Python's codecs),
// not output of this reader.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/db/paradox/reader/TempDir.h"
#include "tests/support/SharedFixtures.h"
#include "tools/pxdump/JsonDump.h"

namespace {

using namespace rk::source::paradox;

// Six bytes that read differently in each code page below.
const std::vector<uint8_t> kProbe = {0x80, 0x9B, 0xAF, 0xE1, 0xC8, 0xA4};

std::string probeAsUtf8(int codePage)
{
    switch (codePage) {
    case 437: return "Ç¢»ß╚ñ";
    case 737: return "Αδψά╚ν";
    case 850: return "Çø»ß╚ñ";
    case 852: return "ÇŤ»ß╚Ą";
    case 861: return "Çø»ß╚Á";
    case 862: return "א¢»ß╚ñ";
    case 865: return "Çø¤ß╚ñ";
    case 866: return "АЫпс╚д";
    case 1051: return "\xC2\x80\xC2\x9B₤ÃàÊ";
    case 1252: return "€›¯áÈ¤";
    }
    return "?";
}

void put16(std::vector<uint8_t>& b, size_t at, unsigned v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// VIDORDER.DB (3.0, its header ends with the field names) as a 3.5 table:
// field numbers and the sort order inserted after the names, the probe as
// the text of record 1's column "Time".
std::vector<uint8_t> version35With(const std::vector<uint8_t>& original, const std::string& sortOrder)
{
    constexpr size_t kHeaderEnd = 349, kFields = 11, kTimeOfRecord1 = 0x163 + 8;
    std::vector<uint8_t> b = original;
    std::vector<uint8_t> added;
    for (unsigned i = 1; i <= kFields; ++i) added.insert(added.end(), {uint8_t(i), 0});
    added.insert(added.end(), sortOrder.begin(), sortOrder.end());
    added.push_back(0);
    b.insert(b.begin() + kHeaderEnd, added.begin(), added.end());
    put16(b, 0x02, unsigned(kHeaderEnd + added.size()));
    b[0x39] = 4;
    std::copy(kProbe.begin(), kProbe.end(), b.begin() + kTimeOfRecord1 + added.size());
    return b;
}

// memo.db (5.x, code page 850, sort order "ascii") with code page 0 in the
// header, another sort order, and the probe at the start of record 2's memo.
std::vector<uint8_t> codePageZeroWith(const std::vector<uint8_t>& original, const std::string& sortOrder)
{
    constexpr size_t kSortOrder = 0xE3, kMemoOfRecord2 = 2048 + 6 + 254 + 4;
    std::vector<uint8_t> b = original;
    put16(b, 0x6A, 0);
    std::fill(b.begin() + kSortOrder, b.begin() + kSortOrder + 16, 0);
    std::copy(sortOrder.begin(), sortOrder.end(), b.begin() + kSortOrder);
    std::copy(kProbe.begin(), kProbe.end(), b.begin() + kMemoOfRecord2);
    return b;
}

struct SortOrderCase {
    bool version35;  // else the code page 0 header
    const char* sortOrder;
    int codePage;
    const char* from = nullptr;  // the dump's "codepage_from"; null: "sortorder <sortOrder>"
};

void PrintTo(const SortOrderCase& c, std::ostream* os)
{
    *os << (c.version35 ? "3.5 '" : "cp0 '") << c.sortOrder << "'";
}

class SortOrderCodePage : public ::testing::TestWithParam<SortOrderCase> {};

TEST_P(SortOrderCodePage, TextsAreReadInTheSortOrdersCodePage)
{
    const auto& c = GetParam();
    const auto fixture = rk::test::paradoxFixture(c.version35 ? "paradoxdriver/VIDORDER.DB" : "paradoxdriver/memo.db");
    RK_REQUIRE_FIXTURE(fixture);
    const auto original = rk::test::readBytes(fixture);
    rk::test::TempDir dir;
    const auto file = dir / "TAB.DB";
    rk::test::writeBytes(file, c.version35 ? version35With(original, c.sortOrder)
                                           : codePageZeroWith(original, c.sortOrder));
    if (!c.version35) std::filesystem::copy_file(fixture.parent_path() / "memo.mb", dir / "TAB.MB");

    // 1252 stands for an alias's CODEPAGE: only an unknown sort order leaves it to that.
    OpenOptions options;
    options.defaultCodePage = 1252;
    options.storedText = true;
    auto t = Table::open(file, options);
    EXPECT_EQ(t->codePage(), c.codePage);
    EXPECT_EQ(t->sortOrder(), c.sortOrder);

    std::ostringstream dump;
    rk::tools::pxdump::dumpTable(*t, dump);
    const std::string out = dump.str();
    const std::string from = c.from ? c.from : std::string("sortorder ") + c.sortOrder;
    EXPECT_NE(out.find("\"codepage\":" + std::to_string(c.codePage) + ",\"codepage_from\":\"" + from + "\","),
              std::string::npos)
        << out;
    const std::string text = c.version35 ? "\"" + probeAsUtf8(c.codePage) + "\",\"B\""
                                         : "[2,\"" + probeAsUtf8(c.codePage) + "67890\\n\"]";
    EXPECT_NE(out.find(text), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(
    Names, SortOrderCodePage,
    ::testing::Values(
        SortOrderCase{true, "ascii", 437}, SortOrderCase{true, "intl", 437}, SortOrderCase{true, "intl850", 850},
        SortOrderCase{true, "nordan", 865}, SortOrderCase{true, "nordan40", 865}, SortOrderCase{true, "swedfin", 437},
        SortOrderCase{true, "spanish", 437}, SortOrderCase{true, "cyrr", 866}, SortOrderCase{true, "czech", 852},
        SortOrderCase{true, "hun852dc", 852}, SortOrderCase{true, "grcp437", 737}, SortOrderCase{true, "iceland", 861},
        SortOrderCase{true, "hebrew", 862}, SortOrderCase{true, "ANSIINTL", 1252},
        SortOrderCase{true, "ANSII850", 1252}, SortOrderCase{true, "ANSINOR4", 1252},
        SortOrderCase{true, "ANSISPAN", 1252}, SortOrderCase{true, "ANSISWFN", 1252},
        SortOrderCase{true, "BLROM800", 1051}, SortOrderCase{true, "CYRR", 866},
        SortOrderCase{true, "ukrr", 1252, "default, sortorder ukrr unknown"}, SortOrderCase{true, "", 1252, "default"},
        SortOrderCase{false, "cyrr", 866}, SortOrderCase{false, "ascii", 437},
        SortOrderCase{false, "ukrr", 1252, "default, sortorder ukrr unknown"}));

} // namespace
