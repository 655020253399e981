// The credits scroller: its table, the window rows 40..279, and the end by itself.
#include "screens_fixture.h"

using namespace screentest;

namespace {

class CreditsScreen : public ScreenTest {
protected:
    void drawAt(int32_t t) {
        game.modeTicks = t;
        ControlFlags[ControlFire] = 0;
        drawCredits();
    }
    bool rowBlack(int32_t y) const {
        for (int32_t x = 0; x < 240; ++x)
            if (px(x, y) != 0) return false;
        return true;
    }
};

TEST(CreditsTable, EveryLineFitsTheScreenAndTheCountMatches) {
    ASSERT_GT(CreditLineCount, 0);
    int32_t white = 0;
    for (int32_t i = 0; i < CreditLineCount; ++i) {
        ASSERT_NE(CreditLines[i].text, nullptr) << "line " << i;
        EXPECT_LE(std::strlen(CreditLines[i].text), 34u) << CreditLines[i].text;
        EXPECT_LE(textWidth(nullptr, CreditLines[i].text), 240) << CreditLines[i].text;
        EXPECT_EQ(CreditLines[i].flags & ~1u, 0u) << "line " << i;
        white += CreditLines[i].flags & 1;
    }
    EXPECT_GT(white, 0);
    // The licences of what the game is built with are named.
    std::string all;
    for (int32_t i = 0; i < CreditLineCount; ++i) all += std::string(CreditLines[i].text) + "\n";
    for (const char* needle : {"the Tavrin team", "SDL2", "SDL2_mixer", "zlib licence", "libjpeg-turbo", "IJG",
                               "libpng", "DejaVu", "Bitstream Vera", "GoogleTest", "BSD-3-Clause"})
        EXPECT_NE(all.find(needle), std::string::npos) << needle;
}

TEST_F(CreditsScreen, LineBoundsFollowTheTable) {
    creditsScroll = 0;
    EXPECT_EQ(drawCreditLine(-1), 1);
    EXPECT_EQ(drawCreditLine(CreditLineCount), 1);
    EXPECT_EQ(drawCreditLine(0), 0);
    EXPECT_EQ(drawCreditLine(CreditLineCount - 1), 0);
}

TEST_F(CreditsScreen, StartsBlackAndLinesRiseFromTheBottomOfTheWindow) {
    fillBackBuffer(0x5555);
    drawAt(0);
    for (int32_t y = 0; y < 320; ++y) ASSERT_TRUE(rowBlack(y)) << "row " << y;

    // modeTicks 72: scroll 18, line 0 at window y 222 (screen row 262), line 1 at 240 (hidden).
    drawAt(72);
    EXPECT_EQ(creditsScroll, 18);
    uint32_t colour0 = (CreditLines[0].flags & 1) ? ColourWhite : ColourGrey;
    expectText(120, 262, CreditLines[0].text, colour0, AlignCentre, flat(0), "line 0");
    EXPECT_FALSE(rowBlack(279));
    for (int32_t y = 280; y < 320; ++y) ASSERT_TRUE(rowBlack(y)) << "row " << y;
    for (int32_t y = 0; y < 262; ++y) ASSERT_TRUE(rowBlack(y)) << "row " << y;
}

TEST_F(CreditsScreen, WindowRowsOnlyAtEveryStageAndGreyLinesAtHalfIntensity) {
    int32_t end = 4 * (240 + CreditLineHeight * CreditLineCount);
    bool sawGrey = false, sawWhite = false;
    for (int32_t t = 0; t <= end; t += 37) {
        drawAt(t);
        for (int32_t y = 0; y < 40; ++y) ASSERT_TRUE(rowBlack(y)) << "t " << t << " row " << y;
        for (int32_t y = 280; y < 320; ++y) ASSERT_TRUE(rowBlack(y)) << "t " << t << " row " << y;
        // A line whose glyph rows are wholly inside the window is checked in full.
        for (int32_t i = 0; i < CreditLineCount; ++i) {
            int32_t top = 40 + CreditLineHeight * i - (creditsScroll - 240);
            if (top < 40 || top + 19 > 280 || CreditLines[i].text[0] == '\0') continue;
            uint32_t colour = (CreditLines[i].flags & 1) ? ColourWhite : ColourGrey;
            (colour == ColourGrey ? sawGrey : sawWhite) = true;
            expectText(120, top, CreditLines[i].text, colour, AlignCentre, flat(0), CreditLines[i].text);
        }
    }
    EXPECT_TRUE(sawGrey);
    EXPECT_TRUE(sawWhite);
}

TEST_F(CreditsScreen, EndsByItselfOnceTheLastLineHasLeft) {
    int32_t end = 4 * (240 + CreditLineHeight * CreditLineCount);
    drawAt(end - 1);
    EXPECT_EQ(ControlFlags[ControlFire] & FlagPressed, 0);
    drawAt(end);
    EXPECT_NE(ControlFlags[ControlFire] & FlagPressed, 0);
    for (int32_t y = 0; y < 320; ++y) ASSERT_TRUE(rowBlack(y)) << "row " << y;
    // Once the credits are fading out, their frames press nothing: the press must not
    // reach the game-over screen that follows.
    game.modeReady = 0;
    drawAt(end + 40);
    EXPECT_EQ(ControlFlags[ControlFire] & FlagPressed, 0);
}

TEST_F(CreditsScreen, TapBelowTheTopRowsIsFire) {
    game.modeTicks = 500;
    EXPECT_FALSE(tap(5, 31, drawCredits).fired);
    EXPECT_TRUE(tap(5, 32, drawCredits).fired);
}

}  // namespace
