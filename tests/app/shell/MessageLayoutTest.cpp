// The pure rules of the boxes: layout arithmetic, centring, the clipboard
// text, the period rule of the error display and the start-up error text.
#include "app/shell/ErrorDisplay.h"
#include "app/shell/MessageForm.h"
#include "db/common/Ansi.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace rk::app;

TEST(ScaleRounded, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(scaleRounded(8, 6, 4), 12);
    EXPECT_EQ(scaleRounded(10, 5, 4), 13);   // 12.5
    EXPECT_EQ(scaleRounded(50, 5, 4), 63);   // 62.5
    EXPECT_EQ(scaleRounded(10, 13, 8), 16);  // 16.25
    EXPECT_EQ(scaleRounded(14, 13, 8), 23);  // 22.75
    EXPECT_EQ(scaleRounded(-10, 5, 4), -13); // -12.5
}

// Legend: base units, text size, caption widths -> every length of the box,
// worked out by hand from the layout rules.
struct LayoutCase {
    const char* name;
    MessageBoxMetrics in;
    int marginX, marginY, spacingX, spacingY, buttonWidth, buttonHeight, buttonGap;
    QRect message;
    std::vector<QRect> buttons;
    QSize client;
};

class LayOutMessageBoxTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayOutMessageBoxTest, FollowsTheRules)
{
    const LayoutCase& c = GetParam();
    const MessageBoxLayout l = layOutMessageBox(c.in);
    EXPECT_EQ(l.marginX, c.marginX);
    EXPECT_EQ(l.marginY, c.marginY);
    EXPECT_EQ(l.spacingX, c.spacingX);
    EXPECT_EQ(l.spacingY, c.spacingY);
    EXPECT_EQ(l.buttonWidth, c.buttonWidth);
    EXPECT_EQ(l.buttonHeight, c.buttonHeight);
    EXPECT_EQ(l.buttonGap, c.buttonGap);
    EXPECT_EQ(l.image, QRect(c.marginX, c.marginY, 32, 32));
    EXPECT_EQ(l.message, c.message);
    EXPECT_EQ(l.buttons, c.buttons);
    EXPECT_EQ(l.client, c.client);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LayOutMessageBoxTest,
    ::testing::Values(
        // One line of text wider than the button: the button is centred under the block.
        LayoutCase{"OneLine", {6, 13, QSize(200, 13), {15}}, 12, 13, 15, 16, 75, 23, 6, QRect(59, 13, 200, 13),
                   {QRect(98, 61, 75, 23)}, QSize(271, 97)},
        // Halves round up; a caption wider than the minimum widens the button;
        // text taller than the icon sets the block height.
        LayoutCase{"TallTextWideCaption", {5, 12, QSize(20, 60), {70}}, 10, 12, 13, 15, 78, 21, 5,
                   QRect(55, 12, 20, 60), {QRect(10, 87, 78, 21)}, QSize(98, 120)},
        // Two buttons: the row is wider than the block and sets the width.
        LayoutCase{"TwoButtons", {7, 15, QSize(100, 15), {20, 30}}, 14, 15, 18, 19, 88, 26, 7,
                   QRect(64, 15, 100, 15), {QRect(14, 66, 88, 26), QRect(109, 66, 88, 26)}, QSize(211, 107)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CenteredPosition, HalvesTowardZeroNeverNegative)
{
    EXPECT_EQ(centeredPosition(QSize(271, 97), QSize(800, 600)), QPoint(264, 251));
    EXPECT_EQ(centeredPosition(QSize(900, 97), QSize(800, 600)), QPoint(0, 251));
    EXPECT_EQ(centeredPosition(QSize(100, 700), QSize(800, 600)), QPoint(350, 0));
}

TEST(MessageBoxClipboardText, DividersTitleTextAndButtons)
{
    const std::string divider = "---------------------------\r\n";
    EXPECT_EQ(messageBoxClipboardText("Informationen", rk::ansi("Übertragung beendet"), {"OK"}),
              divider + "Informationen\r\n" + divider + "\xDC" "bertragung beendet\r\n" + divider + "OK   \r\n" +
                  divider);
    EXPECT_EQ(messageBoxClipboardText("T", "", {"&Ja", "&&Nein"}),
              divider + "T\r\n" + divider + "\r\n" + divider + "Ja   Nein   \r\n" + divider);
}

TEST(ErrorDisplayText, PeriodWhenTheLastByteIsAbovePeriod)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Fehler", "Fehler."},       {"Fehler.", "Fehler."},     {"Achtung!", "Achtung!"},
        {"Wirklich?", "Wirklich?."}, {"Grund:", "Grund:."},      {"(Tabelle)", "(Tabelle)"},
        {"", ""},                    {"Zeile 5", "Zeile 5."},    {"Ende-", "Ende-"},
        {"Zeile\r\n", "Zeile\r\n"},  {"Text ", "Text "},         {rk::ansi("Maß"), rk::ansi("Maß.")},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(errorDisplayText(in), out) << in;
}

TEST(StartupErrorText, KindModuleAddressAndMessage)
{
    const void* address = reinterpret_cast<const void*>(0x4A2B10);
    EXPECT_EQ(startupErrorText("EIBClientError", "rk_vad2av", address, "gds32.dll fehlt"),
              "Exception EIBClientError in Modul rk_vad2av bei 004A2B10.\r\ngds32.dll fehlt.\r\n");
    // Unlike the error display, only a final "." suppresses the period.
    EXPECT_EQ(startupErrorText("Exception", "rk_vad2av", address, "Fertig!"),
              "Exception Exception in Modul rk_vad2av bei 004A2B10.\r\nFertig!.\r\n");
    EXPECT_EQ(startupErrorText("Exception", "rk_vad2av", address, "Fertig."),
              "Exception Exception in Modul rk_vad2av bei 004A2B10.\r\nFertig.\r\n");
    EXPECT_EQ(startupErrorText("Exception", "x", nullptr, ""), "Exception Exception in Modul x bei 00000000.\r\n\r\n");
    // Text arguments are Windows-1252 already and pass unchanged.
    EXPECT_EQ(startupErrorText("E", "m", nullptr, rk::ansi("Prüfung")),
              "Exception E in Modul m bei 00000000.\r\n" + rk::ansi("Prüfung.") + "\r\n");
}

TEST(ErrorKindName, OwnKindsByNameOthersByType)
{
    EXPECT_EQ(errorKindName(rk::EDatabaseError("x")), "EDatabaseError");
    EXPECT_EQ(errorKindName(EClipboardError("x")), "EClipboardError");
    EXPECT_EQ(errorKindName(std::runtime_error("x")), "std::runtime_error");
}
