// Windows-1252 text: the conversions, the formatting and the two case rules.
#include "db/common/Ansi.h"

#include <gtest/gtest.h>

namespace {

TEST(Ansi, GermanLiteralsBecomeSingleBytes)
{
    EXPECT_EQ(rk::ansi("Übertragung"), "\xDC" "bertragung");
    EXPECT_EQ(rk::ansi("außerhalb gültigen €"), "au\xDF" "erhalb g\xFC" "ltigen \x80");
    EXPECT_THROW(rk::ansi("\xE2\x88\x9E"), std::invalid_argument); // infinity sign has no byte
}

TEST(Ansi, EveryByteSurvivesTheRoundTripThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(rk::ansi(rk::toUtf8(all)), all);
    EXPECT_EQ(rk::toUtf8("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");
}

TEST(Ansi, FormatTakesUtf8PatternAndAnsiArguments)
{
    EXPECT_EQ(rk::ansiFormat("Eigenschaft %s außerhalb", std::string("TProgressBar")),
              "Eigenschaft TProgressBar au\xDF" "erhalb");
    EXPECT_EQ(rk::ansiFormat("'%d.%d' ist", -5, 7), "'-5.7' ist");
}

TEST(Ansi, OperatingSystemTextsInUtf8BecomeWindows1252)
{
    // "Gerät" as a UTF-8 locale spells it; a lone high byte is already single-byte text.
    EXPECT_EQ(rk::ansiFromMaybeUtf8("Kein Speicherplatz mehr auf dem Ger\xC3\xA4t"),
              "Kein Speicherplatz mehr auf dem Ger\xE4t");
    EXPECT_EQ(rk::ansiFromMaybeUtf8("Tabelle M\xDCLLER"), "Tabelle M\xDCLLER");
    EXPECT_EQ(rk::ansiFromMaybeUtf8("plain ASCII"), "plain ASCII");
    EXPECT_EQ(rk::ansiFromMaybeUtf8("\xE2\x88\x9E \xE2\x82\xAC"), "? \x80");
    EXPECT_EQ(rk::ansiFromMaybeUtf8("\xC0\x80"), "\xC0\x80"); // overlong: not UTF-8
}

// Every byte against its Unicode upper case where that lies in the code page
// too: the folding the window's column listing and the source engine's name
// comparisons share.
TEST(Ansi, UpperCasingFollowsUnicodeInsideTheCodePage)
{
    for (int b = 0; b < 256; ++b) {
        const char32_t u = rk::cp1252ToUnicode(static_cast<unsigned char>(b));
        char32_t upper = u;
        if (u >= U'a' && u <= U'z') upper = u - 32;
        else if (u >= 0xE0 && u <= 0xFE && u != 0xF7) upper = u - 32;
        else if (u == 0x161 || u == 0x153 || u == 0x17E) upper = u - 1;  // š œ ž
        else if (u == 0xFF) upper = 0x178;                             // ÿ
        const auto got = static_cast<unsigned char>(rk::upperAnsi(static_cast<char>(b)));
        EXPECT_EQ(rk::cp1252ToUnicode(got), upper) << "byte " << b;
    }
    EXPECT_EQ(rk::upperAnsi(std::string_view("stra\xDF" "e \xE4\xF6\xFC")), "STRA\xDF" "E \xC4\xD6\xDC");
}

// The two case rules side by side: names from the user's data fold in the
// whole code page, the words of fixed languages in ASCII alone.
TEST(Ansi, NamesFoldInTheCodePageFixedWordsInAsciiAlone)
{
    struct Case {
        const char* a;
        const char* b;
        bool ascii;
        bool codePage;
    };
    const Case cases[] = {
        {"GESTEINNR", "GesteinNr", true, true},     {"servermode", "ServerMode", true, true},
        {"WÄHRUNG", "Währung", false, true},        {"ŠŒŽŸ", "šœžÿ", false, true},
        {"ß", "SS", false, false},                   {"×", "÷", false, false}, // no pair
        {"POSNR", "POSNR_1", false, false},
    };
    for (const Case& c : cases) {
        const std::string a = rk::ansi(c.a), b = rk::ansi(c.b);
        EXPECT_EQ(rk::equalsAsciiNoCase(a, b), c.ascii) << c.a << " ~ " << c.b;
        EXPECT_EQ(rk::equalsAnsiNoCase(a, b), c.codePage) << c.a << " ~ " << c.b;
    }
    for (int b = 0x80; b < 256; ++b) {
        const char c = static_cast<char>(b);
        EXPECT_EQ(rk::upperAscii(c), c) << "byte " << b;
        EXPECT_EQ(rk::lowerAscii(c), c) << "byte " << b;
    }
    EXPECT_EQ(rk::upperAscii("ab_z?AZ\xE4"), "AB_Z?AZ\xE4");
    EXPECT_EQ(rk::lowerAscii("AB_Z@az\xC4"), "ab_z@az\xC4");
}

} // namespace
