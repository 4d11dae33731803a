// The whole program on damaged or unusual source files: a table cut off in
// the middle of a block, a block chain cut short, a missing memo file, a
// column of a type no Paradox version has, and text holding every byte from
// 80 to FF hexadecimal in each code page. Damage must end the transfer with an error that names the
// file, without a crash; high bytes must arrive as their Windows-1252 form.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iconv.h>

#include "tests/robustness/ProgramTest.h"
#include "tools/pxwrite/ParadoxWriter.h"

namespace rk::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct Damage {
    const char* legend;
    void (*apply)(const fs::path& dir);
    const char* message;  // %s (or %1$s) stands for the folder
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.legend; }

void truncateMidBlock(const fs::path& dir)
{
    // GIPFEL: header 2048 bytes, 4 KB blocks; cut block 2 in half.
    fs::resize_file(dir / "GIPFEL.DB", 2048 + 4096 + 2000);
}

void removeMemoFile(const fs::path& dir) { fs::remove(dir / "WEGE.MB"); }

void cutBlockChain(const fs::path& dir)
{
    // GIPFEL: block 1 at 2048 holds 14 of the 120 records; its next pointer lost.
    std::fstream f(dir / "GIPFEL.DB", std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(2048);
    f.put(0).put(0);
}

void unknownFieldType(const fs::path& dir)
{
    // Field table from 0x78 (type, size per field); TITEL is BILDER's 7th.
    std::fstream f(dir / "BILDER.DB", std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(0x78 + 2 * 6);
    f.put(static_cast<char>(0x30));
}

class DamagedSourceTest : public DemoSetTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedSourceTest, EndsWithAnErrorNamingTheFile)
{
    GetParam().apply(paradox);
    // Nobody is at the offscreen screen: after its error the program ends by itself.
    const ProgramResult r = runProgram(tmp.path(), paradox, {"-auto", "-nomessage", "-id:DEFEKT", db.path()}, 60s);
    EXPECT_EQ(r.exitCode, 2) << r.output;

    char expected[1024];
    std::snprintf(expected, sizeof expected, GetParam().message, paradox.c_str());
    EXPECT_NE(r.output.find(std::string("RK_VAD2AV: ") + expected), std::string::npos) << r.output;
    // The run stopped: no job record.
    EXPECT_EQ(*db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_INFO"), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedSourceTest,
    ::testing::Values(
        Damage{"TruncatedMidBlock", truncateMidBlock, "Die Datei '%s/GIPFEL.DB' ist beschädigt: Datenblock 2 ist abgeschnitten."},
        Damage{"BlockChainCutShort", cutBlockChain,
               "Die Datei '%s/GIPFEL.DB' ist beschädigt: die Blockkette enthält 14 Datensätze, der Tabellenkopf nennt 120."},
        Damage{"MemoFileMissing", removeMemoFile, "Die Blob-Datei '%1$s/WEGE.MB' zur Tabelle '%1$s/WEGE.DB' fehlt."},
        Damage{"UnknownFieldType", unknownFieldType, "Die Datei '%s/BILDER.DB' ist beschädigt: unbekannter Feldtyp 48 in Feld 7."}),
    [](const auto& info) { return std::string(info.param.legend); });

// The Windows-1252 byte for one byte of `codePage`, by iconv; nullopt when
// the character has no Windows-1252 form.
std::optional<unsigned char> toWindows1252(int codePage, unsigned char byte)
{
    const std::string from = codePage == 1252 ? "WINDOWS-1252" : "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("WINDOWS-1252", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    char in[1] = {static_cast<char>(byte)}, out[8];
    char* ip = in;
    char* op = out;
    size_t il = 1, ol = sizeof out;
    const size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || op - out != 1) return std::nullopt;
    return static_cast<unsigned char>(out[0]);
}

class HighBytesTest : public DemoSetTest, public ::testing::WithParamInterface<int> {};

// NUTZER written with raw bytes 80..FF (four names of 32 bytes) and the code
// page under test set in its header afterwards.
TEST_P(HighBytesTest, ArriveAsTheirWindows1252Form)
{
    const int codePage = GetParam();
    {
        using source::paradox::FieldType;
        tools::pxwrite::WriterOptions options;
        options.version = 70;
        options.codePage = 1252;  // no conversion: the bytes land as written
        tools::pxwrite::ParadoxWriter w(paradox / "NUTZER.DB",
                                        {{"USERNR", FieldType::Long}, {"NAME", FieldType::Alpha, 40},
                                         {"VORNAME", FieldType::Alpha, 40}, {"SPITZNAME", FieldType::Alpha, 40}},
                                        options);
        for (int k = 0; k < 4; ++k) {
            std::string name;
            for (int b = 0; b < 32; ++b) name += static_cast<char>(0x80 + 32 * k + b);
            w.addRow({int32_t(k + 1), name, db::FieldValue{}, db::FieldValue{}});
        }
        w.finish();
    }
    {
        std::fstream f(paradox / "NUTZER.DB", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(0x6A);
        f.put(static_cast<char>(codePage & 0xFF));
        f.put(static_cast<char>(codePage >> 8));
    }
    const ProgramResult r = runProgram(tmp.path(), paradox, {"-auto", "-nomessage", db.path()});
    ASSERT_EQ(r.exitCode, 0) << r.output;

    const auto rows = db.query("SELECT USERNR, NAME FROM IMPORT_RK5_NUTZER ORDER BY USERNR");
    ASSERT_EQ(rows.size(), 4u);
    int checked = 0;
    for (int k = 0; k < 4; ++k) {
        const std::string& staged = *rows[static_cast<size_t>(k)][1];
        ASSERT_EQ(staged.size(), 32u) << "row " << k;
        for (int b = 0; b < 32; ++b) {
            const auto byte = static_cast<unsigned char>(0x80 + 32 * k + b);
            if (const auto want = toWindows1252(codePage, byte)) {
                EXPECT_EQ(static_cast<unsigned char>(staged[static_cast<size_t>(b)]), *want)
                    << "code page " << codePage << " byte " << std::hex << int(byte);
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 40) << "iconv knew too few characters of code page " << codePage;
}

INSTANTIATE_TEST_SUITE_P(CodePages, HighBytesTest, ::testing::Values(437, 850, 1252),
                         [](const auto& info) { return "CP" + std::to_string(info.param); });

} // namespace
} // namespace rk::test
