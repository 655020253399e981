// The quick ways of drawing a frame against the plain ones they replace, picture for picture,
// in every layout of the BackBuffer (orientations 0, 2 and 3): kept text lines, tiles drawn
// in a batch, the map view in one pass, the game-completed background drawn around the
// picture that covers it, the credits that skip lines gone from the window, and the falling
// pass that skips rows without rocks or eggs.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "screens/fastpaths.h"
#include "screens_fixture.h"

namespace {

using namespace screentest;

// Orientation 2 is row-major with the rows bottom-up; the fixture makes 0 and 3.
void useOrientation(std::vector<uint8_t>& backMem, std::vector<uint8_t>& backdropMem, int32_t orientation) {
    if (orientation == 2) {
        BackBuffer = Image{backMem.data(), 153120, 240, 320, 2, -480};
        Backdrop = BackBuffer;
        Backdrop.pixels = backdropMem.data();
    }
}

// Pixels that tell every position apart, so that a pixel put in the wrong place shows.
uint16_t pattern(int32_t x, int32_t y, uint32_t seed) {
    return static_cast<uint16_t>((x * 977 + y * 131 + seed * 7919) | 0x0101);
}

class FastPaths : public ScreenTest, public testing::WithParamInterface<int32_t> {
protected:
    void SetUp() override {
        SetUpScreens(GetParam() == 3 ? 3 : 0);
        useOrientation(backMem, backdropMem, GetParam());
        // Tiles with a pattern inside each tile: a turned or shifted copy differs.
        for (uint32_t n = 0; n < 64; ++n)
            for (int32_t y = 0; y < 32; ++y)
                for (int32_t x = 0; x < 32; ++x) {
                    uint16_t v = pattern(x, y, n);
                    std::memcpy(&tiles[n * 2048 + (y * 32 + x) * 2], &v, 2);
                }
        for (uint32_t n = 0; n < 64; ++n)
            for (int32_t y = 0; y < 8; ++y)
                for (int32_t x = 0; x < 8; ++x) {
                    uint16_t v = pattern(x, y, n + 100);
                    std::memcpy(&mapTiles[n * 128 + (y * 8 + x) * 2], &v, 2);
                }
    }
    void fillScreen(Image& im, uint32_t seed) {
        for (int32_t y = 0; y < im.height; ++y)
            for (int32_t x = 0; x < im.width; ++x) setPixel(im, x, y, pattern(x, y, seed));
    }
    std::vector<uint8_t> frame() const { return backMem; }
};

INSTANTIATE_TEST_SUITE_P(Orientations, FastPaths, testing::Values(0, 1, 2, 3),
                         [](const testing::TestParamInfo<int32_t>& i) {
                             return "orientation" + std::to_string(i.param);
                         });

// Kept lines of the embedded font against glyph-by-glyph drawing: first use and reuse, every
// colour rule, clipping on every side, and a window cropped out of the screen.
TEST_P(FastPaths, KeptTextLinesMatchGlyphByGlyph) {
    ASSERT_EQ(FontInit(), 0);
    struct Case {
        const char* text;
        int32_t x, y;
        uint32_t colour, align;
        bool window;
    };
    const Case cases[] = {
        {"Hi-score: 4350", 236, 264, ColourWhite, AlignRight, false},
        {"LEVEL COMPLETE", 120, 40, ColourYellow, AlignCentre, false},
        {"time taken:", 135, 80, ColourGrey, AlignRight, false},
        {"ver. 1.101", 236, 296, ColourGreen, AlignRight, false},
        {"clipped on the left", -30, 100, ColourWhite, AlignLeft, false},
        {"clipped on the right side", 200, 150, ColourGrey, AlignLeft, false},
        {"above the top", 120, -12, ColourWhite, AlignCentre, false},
        {"below the bottom", 120, 310, ColourYellow, AlignCentre, false},
        {"wholly outside", 120, 400, ColourWhite, AlignCentre, false},
        {"a credit line leaving", 120, -5, ColourGrey, AlignCentre, true},
        {"a credit line entering", 120, 230, ColourWhite, AlignCentre, true},
        {"lower case & {marks} ~", 10, 10, 0x1234, AlignLeft, false},
    };
    for (const Case& c : cases)
        for (int use = 0; use < 2; ++use) {
            SCOPED_TRACE(std::string(c.text) + (use ? " (kept)" : " (first)"));
            fillScreen(BackBuffer, 7);
            Image target = BackBuffer;
            if (c.window) cropImage(&target, 0, 40, 240, 240);
            drawTextDirect(&target, nullptr, c.x, c.y, c.text, c.colour, c.align);
            const std::vector<uint8_t> want = frame();
            fillScreen(BackBuffer, 7);
            drawText(&target, nullptr, c.x, c.y, c.text, c.colour, c.align);
            ASSERT_EQ(frame(), want);
        }
}

// The play view's tiles, drawn in a batch (turned tiles on the turned display) and one by
// one, opaque and ORed, whole and cut by every edge of the map window.
TEST_P(FastPaths, TileBatchMatchesTileByTile) {
    const int32_t offsets[] = {-31, -13, 0, 7, 104, 208, 215, 239, 240};
    // The second round changes the sheet in place, as a rebuilt level may: tiles turned in an
    // earlier batch must not be drawn from.
    for (uint32_t round = 0; round < 2; ++round)
        for (uint32_t overlay = 0; overlay < 2; ++overlay) {
            if (round == 1) {
                for (uint32_t n = 0; n < 64; ++n)
                    for (int32_t i = 0; i < 1024; ++i) {
                        uint16_t v = pattern(i % 32, i / 32, n + 200 + overlay);
                        std::memcpy(&tiles[n * 2048 + i * 2], &v, 2);
                    }
            }
            fillScreen(BackBuffer, 3);
            for (int32_t y : offsets)
                for (int32_t x : offsets) {
                    // The plain primitives, as the play view drew its tiles before batches.
                    Image dst = BackBuffer;
                    dst.height = 240;
                    Image src{TileSheet, static_cast<uint32_t>((x + y) & 63) * 2048, 32, 32, 2, 64};
                    if (overlay == 0)
                        blitOpaque(&dst, x, y, &src);
                    else
                        blitKeyed(&dst, x, y, &src, BlendOr);
                }
            const std::vector<uint8_t> want = frame();
            fillScreen(BackBuffer, 3);
            beginTileBatch();
            for (int32_t y : offsets)
                for (int32_t x : offsets) drawTile(x, y, static_cast<uint32_t>(x + y), overlay);
            endTileBatch();
            EXPECT_EQ(frame(), want) << "round " << round << " overlay " << overlay;
        }
}

// The map view's squares in one pass against one drawMapTile per square, for maps wider and
// narrower than the screen, with the view at the edges and in between.
TEST_P(FastPaths, MapViewInOnePassMatchesSquareBySquare) {
    struct View {
        int32_t w, h, viewX, viewY;
    };
    const View views[] = {{13, 116, 52, 464}, {13, 116, 0, 0},      {13, 116, 999, 9999}, {64, 64, 0, 0},
                          {64, 64, 300, 301}, {64, 64, 9999, 9999}, {20, 10, 5, 5},       {127, 127, 517, 333}};
    loadMapView();  // no picture needed: a failed decode leaves the bar out of both frames
    for (const View& v : views) {
        SCOPED_TRACE(std::to_string(v.w) + "x" + std::to_string(v.h) + " at " + std::to_string(v.viewX) + "," +
                     std::to_string(v.viewY));
        setMap(v.w, v.h, [](int32_t x, int32_t y) { return static_cast<uint8_t>((x * 7 + y * 3) % 70); });
        game.mapViewX = v.viewX;
        game.mapViewY = v.viewY;
        game.modeTicks = 100;
        fillScreen(BackBuffer, 9);
        drawMapView();
        const std::vector<uint8_t> quick = frame();
        // The same frame the plain way: black, then every square in view, then title and bar.
        const int32_t ox = 120 - game.mapViewX, oy = 160 - game.mapViewY;
        fillScreen(BackBuffer, 9);
        std::memset(BackBuffer.pixels, 0, 153600);
        drawMapSquaresDirect(ox, oy, -1, v.h, -1, v.w);
        drawText(&BackBuffer, nullptr, 120, 0, "", ColourWhite, AlignCentre);
        blitKeyed(&BackBuffer, 4, 290, &MapBar, BlendOr);
        EXPECT_EQ(quick, frame());
    }
    freeMapView();
}

// The Backdrop copied with a rectangle dimmed on the way against the plain copy and then
// darkenRect: rectangles at every edge of the screen, narrower than a wide register and of
// odd widths, empty, and every level rule.
TEST_P(FastPaths, DimmedBackdropCopyMatchesCopyThenDarken) {
    struct Rect {
        int32_t x, y, w, h;
        uint32_t level;
    };
    const Rect rects[] = {{32, 15, 176, 90, 2}, {0, 0, 240, 320, 1},  {0, 0, 1, 1, 2},   {239, 319, 1, 1, 1},
                          {0, 300, 240, 20, 2}, {225, 0, 15, 320, 1}, {7, 9, 17, 33, 3}, {100, 100, 0, 10, 2},
                          {120, 50, 31, 40, 0}, {3, 5, 50, 60, 32}};
    fillScreen(Backdrop, 41);
    for (const Rect& r : rects) {
        fillScreen(BackBuffer, 43);
        copyBackdrop();
        darkenRect(&BackBuffer, r.x, r.y, r.w, r.h, r.level);
        const std::vector<uint8_t> want = frame();
        fillScreen(BackBuffer, 43);
        copyBackdropDarkened(r.x, r.y, r.w, r.h, r.level);
        EXPECT_EQ(frame(), want) << r.x << "," << r.y << " " << r.w << "x" << r.h << " level " << r.level;
    }
}

// The game-completed frame drawn the plain way: the whole background, then the pictures and
// the banner over it.
void drawGameCompletePlain(int32_t t) {
    const int32_t s = t < 220 ? 0 : t > 460 ? 480 : (t - 220) * 2;
    blitOpaque(&BackBuffer, 0, -s, &GameCompleteBack);
    if (t <= 459) blitKeyed(&BackBuffer, 78, s - 290, &GameCompletePic1, SkipBlack);
    if (t >= 460 && t <= 519) blitOpaque(&BackBuffer, 77, 233, &GameCompletePic2);
    if (t >= 520) blitOpaque(&BackBuffer, 22, 28, &GameCompletePic3);
    if (t >= 800) {
        const int32_t u = t > 920 ? 240 : (t - 800) * 2;
        darkenRect(&BackBuffer, 120 - (u >> 1), 50, u, 40, 2);
        if (u >= 240) drawText(&BackBuffer, nullptr, 120, 60, "TAVRIN has been COMPLETED!", ColourYellow, AlignCentre);
    }
}

// The game-completed frames that stand still are kept from the loaded pictures: every frame,
// kept or not, is the plain one, through repeated ticks, moving stretches, a font record
// changed under a kept frame, and a picture swapped for one the load did not make.
TEST_P(FastPaths, GameCompleteKeptFramesMatchThePlainOnes) {
    ASSERT_EQ(FontInit(), 0);
    if (loadGameComplete() != 0) {
        freeGameComplete();
        GTEST_SKIP() << "the game-complete pictures are not embedded";
    }
    const int32_t glyphHeight = Font.glyphHeight;
    struct Step {
        int32_t ticks, glyphHeight;
    };
    const Step steps[] = {{0, 19},    {0, 19},    {0, 19},    {100, 19},  {300, 19},  {300, 19}, {300, 19},
                          {459, 19},  {459, 19},  {460, 19},  {460, 19},  {460, 19},  {519, 19}, {520, 19},
                          {520, 19},  {600, 19},  {800, 19},  {800, 19},  {919, 19},  {920, 19}, {920, 19},
                          {5000, 19}, {5000, 17}, {5000, 17}, {5000, 19}, {5000, 19}, {0, 19}};
    for (const Step& step : steps) {
        Font.glyphHeight = step.glyphHeight == 19 ? glyphHeight : step.glyphHeight;
        game.modeTicks = step.ticks;
        fillScreen(BackBuffer, 15);
        drawGameComplete();
        const std::vector<uint8_t> quick = frame();
        fillScreen(BackBuffer, 15);
        drawGameCompletePlain(step.ticks);
        EXPECT_EQ(quick, frame()) << "tick " << step.ticks << ", glyph height " << Font.glyphHeight;
    }
    Font.glyphHeight = glyphHeight;
    // A picture the load did not make is never drawn from a kept frame.
    OwnedImage other;
    other.make(218, 292, [](int32_t x, int32_t y) { return pattern(x, y, 16); });
    const Image loadedPic3 = GameCompletePic3;
    GameCompletePic3 = other.img;
    for (int32_t repeat = 0; repeat < 3; ++repeat) {
        game.modeTicks = 5000;
        fillScreen(BackBuffer, 15);
        drawGameComplete();
        const std::vector<uint8_t> quick = frame();
        fillScreen(BackBuffer, 15);
        drawGameCompletePlain(5000);
        EXPECT_EQ(quick, frame()) << "another third picture, frame " << repeat;
    }
    GameCompletePic3 = loadedPic3;
    freeGameComplete();
}

// The game-completed background drawn around the picture that covers it, against the whole
// background drawn first, at the moments where the covering picture changes.
TEST_P(FastPaths, GameCompleteAroundThePictureMatchesTheWholeBackground) {
    OwnedImage back, pic1, pic2, pic3;
    back.make(240, 800, [](int32_t x, int32_t y) { return pattern(x, y, 11); });
    pic1.make(150, 155, [](int32_t x, int32_t y) { return (x + y) % 5 == 0 ? uint16_t{0} : pattern(x, y, 12); });
    pic2.make(162, 87, [](int32_t x, int32_t y) { return pattern(x, y, 13); });
    pic3.make(218, 292, [](int32_t x, int32_t y) { return pattern(x, y, 14); });
    GameCompleteBack = back.img;
    GameCompletePic1 = pic1.img;
    GameCompletePic2 = pic2.img;
    GameCompletePic3 = pic3.img;
    for (int32_t t : {0, 300, 459, 460, 500, 519, 520, 800, 919, 920, 5000}) {
        game.modeTicks = t;
        fillScreen(BackBuffer, 15);
        drawGameComplete();
        const std::vector<uint8_t> quick = frame();
        fillScreen(BackBuffer, 15);
        drawGameCompletePlain(t);
        EXPECT_EQ(quick, frame()) << "tick " << t;
    }
    // Without the covering picture the whole background is drawn.
    GameCompletePic3 = Image{};
    game.modeTicks = 600;
    fillScreen(BackBuffer, 15);
    drawGameComplete();
    const std::vector<uint8_t> quick = frame();
    fillScreen(BackBuffer, 15);
    blitOpaque(&BackBuffer, 0, -480, &GameCompleteBack);
    EXPECT_EQ(quick, frame());
    GameCompleteBack = GameCompletePic1 = GameCompletePic2 = Image{};
}

// The credits with the embedded font: the kept frame (made afresh, scrolled on by one row,
// by several, by all but one, by a whole window, taken back, or kept while the font record
// changed) and the kept lines give the frame of every line drawn glyph by glyph.
TEST_P(FastPaths, CreditsMatchEveryLineDrawnGlyphByGlyph) {
    ASSERT_EQ(FontInit(), 0);
    const int32_t glyphHeight = Font.glyphHeight;
    struct Step {
        int32_t ticks, glyphHeight;
    };
    const Step sequence[] = {{0, 19},    {4, 19},    {8, 19},     {72, 19},    {1000, 19}, {1003, 19},
                             {1004, 19}, {1008, 19}, {1076, 19},  {2036, 19},  {4000, 19}, {4003, 19},
                             {4004, 19}, {3996, 19}, {6000, 19},  {6004, 17},  {6008, 17}, {6008, 19},
                             {9000, 19}, {9004, 19}, {18740, 19}, {18744, 19}, {0, 19}};
    for (const Step& step : sequence) {
        const int32_t ticks = step.ticks;
        Font.glyphHeight = step.glyphHeight == 19 ? glyphHeight : step.glyphHeight;
        game.modeTicks = ticks;
        fillScreen(BackBuffer, 21);
        drawCredits();
        const std::vector<uint8_t> quick = frame();
        std::memset(BackBuffer.pixels, 0, 153600);
        const int32_t scroll = ticks >> 2;
        Image window = BackBuffer;
        cropImage(&window, 0, 40, 240, 240);
        for (int32_t i = 0; i < CreditLineCount && CreditLineHeight * i <= scroll; ++i) {
            const uint32_t colour = (CreditLines[i].flags & 1) ? ColourWhite : ColourGrey;
            drawTextDirect(&window, nullptr, 120, CreditLineHeight * i - (scroll - 240), CreditLines[i].text, colour,
                           AlignCentre);
        }
        EXPECT_EQ(quick, frame()) << "modeTicks " << ticks << ", glyph height " << Font.glyphHeight;
    }
    Font.glyphHeight = glyphHeight;
}

// During a fade the screen is drawn into a picture narrowed by the lines the fade blacks: the
// frame must be the one drawn whole and then faded.
TEST_P(FastPaths, FadeFramesMatchTheWholeFrameFaded) {
    ASSERT_EQ(FontInit(), 0);
    setMap(40, 30, [](int32_t x, int32_t y) { return static_cast<uint8_t>((x * 5 + y * 11) % 64); });
    fillScreen(Backdrop, 31);
    OwnedImage panel;
    panel.make(240, 80, [](int32_t x, int32_t y) { return pattern(x, y, 32); });
    Panel = panel.img;
    game.playerX = 12;
    game.playerY = 9;
    game.playerSprite = TilePlayer;
    game.levelTicks = 100;
    setLevelName("FADING");
    struct Screen {
        uint8_t mode;
        void (*draw)();
    };
    const Screen screens[] = {{Play, drawPlayView},
                              {MapView, drawMapView},
                              {Credits, drawCredits},
                              {Died, drawDied},
                              {LevelComplete, drawLevelComplete}};
    for (const Screen& sc : screens)
        for (int32_t fade : {0, 8, 100, 128, 200, 248, 255}) {
            game.mode = sc.mode;
            game.modeTicks = 1500;
            game.fadeLevel = fade;
            fillScreen(BackBuffer, 33);
            sc.draw();
            applyFade();
            const std::vector<uint8_t> want = frame();
            fillScreen(BackBuffer, 33);
            drawScreen();
            EXPECT_EQ(frame(), want) << "mode " << int(sc.mode) << " fade " << fade;
        }
    // The play view leaves out tiles and panel columns that the fade blacks whole: every fade
    // step, with the player part way through moves that put tile edges at every band edge.
    game.mode = Play;
    for (uint8_t dir : {2, 4})
        for (int32_t step = 0; step < 16; step += 3)
            for (int32_t fade = 0; fade < 256; fade += 8) {
                game.moveDir = dir;
                game.moveStep = static_cast<uint8_t>(step);
                game.fadeLevel = fade;
                fillScreen(BackBuffer, 33);
                drawPlayView();
                applyFade();
                const std::vector<uint8_t> want = frame();
                fillScreen(BackBuffer, 33);
                drawScreen();
                ASSERT_EQ(frame(), want) << "direction " << int(dir) << " step " << step << " fade " << fade;
            }
    game.moveDir = 0;
    game.moveStep = 0;
    Panel = Image{};
}

}  // namespace
