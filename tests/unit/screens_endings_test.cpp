// Level complete, died and game over screens.
#include "screens_fixture.h"

using namespace screentest;

namespace {

constexpr uint16_t Back = 0x0C63;

class Endings : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        fillBackdrop([](int32_t, int32_t) { return Back; });
    }
};

struct BandCase {
    int32_t ticks;
    int32_t width;
};

TEST_F(Endings, LevelCompleteBandOpensThenCarriesTheResults) {
    setLevelName("QUARRY");
    game.score = 4321;
    game.levelTicks = 1234;
    const uint16_t dark = darken(Back, 2);
    const BandCase cases[] = {{0, 0}, {100, 0}, {101, 8}, {110, 80}, {121, 168}, {122, 176}, {5000, 176}};
    for (const BandCase& c : cases) {
        game.modeTicks = c.ticks;
        drawLevelComplete();
        std::string what = "modeTicks " + std::to_string(c.ticks);
        int32_t left = 120 - (c.width >> 1);
        for (int32_t y : {15, 104}) {
            for (int32_t x = 0; x < 240; ++x) {
                bool in = x >= left && x < left + c.width;
                ASSERT_EQ(px(x, y), in ? dark : Back) << what << " at (" << x << ", " << y << ")";
            }
        }
        EXPECT_EQ(px(120, 14), Back) << what;
        EXPECT_EQ(px(120, 105), Back) << what;
        if (c.width == 176) {
            // The band spans x 32..207.
            EXPECT_EQ(left, 32);
            expectText(120, 20, "QUARRY", ColourWhite, AlignCentre, flat(dark), what.c_str());
            expectText(120, 40, "LEVEL COMPLETE", ColourWhite, AlignCentre, flat(dark), what.c_str());
            expectText(135, 60, "score:", ColourGrey, AlignRight, flat(dark), what.c_str());
            expectText(139, 60, "4321", ColourYellow, AlignLeft, flat(dark), what.c_str());
            expectText(135, 80, "time taken:", ColourGrey, AlignRight, flat(dark), what.c_str());
            expectText(139, 80, "12.3s", ColourYellow, AlignLeft, flat(dark), what.c_str());
        } else {
            for (int32_t x = 0; x < 240; ++x) {
                bool in = x >= left && x < left + c.width;
                ASSERT_EQ(px(x, 49), in ? dark : Back) << what << ": no text yet, x " << x;
            }
        }
    }
}

TEST_F(Endings, LevelCompleteValuesAndNoTouchZone) {
    game.modeTicks = 200;
    struct Case {
        int32_t score, ticks;
        const char* scoreText;
        const char* timeText;
    } cases[] = {{0, 99, "0", "0.9s"}, {-15, 100, "-15", "1.0s"}, {999999, 0, "999999", "0.0s"}};
    for (const auto& c : cases) {
        game.score = c.score;
        game.levelTicks = c.ticks;
        drawLevelComplete();
        expectText(139, 60, c.scoreText, ColourYellow, AlignLeft, flat(darken(Back, 2)), c.scoreText);
        expectText(139, 80, c.timeText, ColourYellow, AlignLeft, flat(darken(Back, 2)), c.timeText);
    }
    TapResult r = tap(120, 200, drawLevelComplete, 5);
    EXPECT_FALSE(r.fired);
    EXPECT_EQ(r.cursor, 5);
}

TEST_F(Endings, DiedShowsTheStatusLowerAndAnyTapFires) {
    game.mode = Died;
    game.score = 77;
    game.diamondsLeft = 5;
    game.levelTicks = 250;
    game.lives = 2;
    drawDied();
    expectText(165, 52, "77", ColourYellow, AlignLeft, flat(Back), "score");
    expectText(165, 73, "5", ColourYellow, AlignLeft, flat(Back), "diamonds");
    expectText(165, 94, "2.5s", ColourYellow, AlignLeft, flat(Back), "time");
    expectText(165, 115, "2", ColourYellow, AlignLeft, flat(Back), "lives");
    EXPECT_EQ(px(170, 34 + 9), Back) << "nothing at the pause menu's places";

    EXPECT_FALSE(tap(0, 31, drawDied).fired);
    TapResult r = tap(0, 32, drawDied);
    EXPECT_TRUE(r.fired);
    EXPECT_EQ(r.cursor, 0);
    EXPECT_TRUE(tap(239, 319, drawDied).fired);
}

TEST_F(Endings, GameOverShowsTheScoreAndOnlyTheBestAddsTheHeadline) {
    for (uint8_t mode : {GameOver, GameOverBest}) {
        game.mode = mode;
        game.score = -3;
        drawGameOver();
        expectText(103, 227, "-3", ColourYellow, AlignLeft, flat(Back), "score");
        if (mode == GameOverBest) {
            expectText(40, 247, "New Hi-score!", ColourWhite, AlignLeft, flat(Back), "headline");
        } else {
            for (int32_t x = 0; x < 240; ++x) ASSERT_EQ(px(x, 256), Back) << "no headline, x " << x;
        }
        EXPECT_FALSE(tap(100, 31, drawGameOver).fired);
        EXPECT_TRUE(tap(100, 32, drawGameOver).fired);
    }
}

}  // namespace
