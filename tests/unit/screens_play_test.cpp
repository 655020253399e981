// The play view: camera, map window with its border, player, monsters, panel, banner, button.
#include "screens_fixture.h"

using namespace screentest;

namespace {

uint8_t mapValue(int32_t c, int32_t r) { return static_cast<uint8_t>((c + 5 * r) % 60); }  // includes 30

class PlayView : public ScreenTest, public ::testing::WithParamInterface<int32_t> {
protected:
    void SetUp() override { SetUpScreens(GetParam()); }

    // What the map window should show at screen pixel (x, y), y < 240, before monsters.
    uint16_t expectedMap(int32_t x, int32_t y) const {
        if (x >= 104 && x < 136 && y >= 104 && y < 136) return tileColour(game.playerSprite);
        int32_t mx = cameraX + x, my = cameraY + y;
        int32_t col = mx >> 5, row = my >> 5;
        uint8_t t = borderTile;
        if (col >= 0 && col < mapWidth && row >= 0 && row < mapHeight) t = map[col + row * mapWidth];
        if (t == TilePlayer) t = TileEmpty;
        return tileColour(t);
    }
    void expectWholeWindow(const char* what) {
        int bad = 0;
        for (int32_t y = 0; y < 240 && bad < 5; ++y)
            for (int32_t x = 0; x < 240 && bad < 5; ++x)
                if (px(x, y) != expectedMap(x, y)) {
                    ++bad;
                    ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << px(x, y) << ", expected "
                                  << expectedMap(x, y);
                }
    }
};

struct CameraCase {
    int32_t px, py;
    uint8_t dir, step;
    int32_t camX, camY;
};

TEST_P(PlayView, CameraCentresThePlayerIncludingTheMoveInProgress) {
    const CameraCase cases[] = {
        {0, 0, 0, 0, -104, -104},  // standing in the top-left square
        {5, 3, 0, 9, 56, -8},      // a step without a direction does not count
        {5, 3, 1, 8, 56, -24},     // up
        {5, 3, 2, 8, 56, 8},       // down
        {5, 3, 3, 8, 40, -8},      // left
        {5, 3, 4, 8, 72, -8},      // right: the map shifts 16 pixels left
        {10, 10, 4, 15, 246, 216},
    };
    for (const CameraCase& c : cases) {
        game.playerX = c.px;
        game.playerY = c.py;
        game.moveDir = c.dir;
        game.moveStep = c.step;
        updateCamera();
        EXPECT_EQ(cameraX, c.camX) << c.px << "," << c.py << " dir " << int(c.dir);
        EXPECT_EQ(cameraY, c.camY) << c.px << "," << c.py << " dir " << int(c.dir);
    }
}

TEST_P(PlayView, MapWindowShowsMapBorderAndPlayer) {
    setMap(20, 12, mapValue);
    game.playerSprite = 35;
    struct Case {
        int32_t px, py;
        uint8_t dir, step;
    } cases[] = {
        {0, 0, 0, 0},    // four border columns and rows, the outermost in part
        {7, 5, 4, 8},    // moving right, half way
        {19, 11, 2, 3},  // bottom-right corner, moving down
        {3, 9, 1, 15},
    };
    for (const Case& c : cases) {
        game.playerX = c.px;
        game.playerY = c.py;
        game.moveDir = c.dir;
        game.moveStep = c.step;
        fillBackBuffer(0x1234);
        drawPlayView();
        std::string what = "player " + std::to_string(c.px) + "," + std::to_string(c.py);
        expectWholeWindow(what.c_str());
    }
    // Standing at (0, 0) the border is drawn left of and above the map: its last 8 columns at x 0..7.
    game.playerX = game.playerY = 0;
    game.moveDir = 0;
    drawPlayView();
    EXPECT_EQ(px(0, 0), tileColour(TileBorder));
    EXPECT_EQ(px(103, 103), tileColour(TileBorder));
    EXPECT_EQ(px(103, 104), tileColour(TileBorder));
    EXPECT_EQ(px(140, 140), tileColour(mapValue(1, 1)));
}

TEST_P(PlayView, PlayerSquareInTheMapShowsEmpty) {
    setMap(10, 10, [](int32_t c, int32_t r) { return uint8_t(c == 5 && r == 4 ? TilePlayer : TileEarth); });
    game.playerX = 4;
    game.playerY = 4;
    game.playerSprite = 36;
    drawPlayView();
    EXPECT_EQ(px(150, 120), tileColour(TileEmpty));  // square (5, 4) holds 30
    EXPECT_EQ(px(120, 120), tileColour(36));
    EXPECT_EQ(px(90, 120), tileColour(TileEarth));
}

TEST_P(PlayView, MonstersDrawnOnlyWhenAliveOveringTheMapInSlotOrder) {
    setMap(16, 16, [](int32_t, int32_t) { return uint8_t(TileEmpty); });
    game.playerX = game.playerY = 8;  // camera (152, 152)
    game.playerSprite = 30;
    // Slot 0: life 31, not drawn. Slot 1: life 32, at (9, 8) moving left by 4. Slot 2 and 3 on
    // the same square (6, 8): the later one is ORed over the earlier.
    game.monsters[0] = MonsterSlot{10, 8, 0, 0, TileMonsterA, 0, 0, 31, 0};
    game.monsters[1] = MonsterSlot{9, 8, 0, 0, TileMonsterA, 3, 4, 32, 0};
    game.monsters[2] = MonsterSlot{6, 8, 0, 0, TileMonsterA, 0, 0, 200, 0};
    game.monsters[3] = MonsterSlot{6, 8, 0, 0, TileMonsterB, 0, 0, 255, 0};
    drawPlayView();
    uint16_t empty = tileColour(TileEmpty);
    EXPECT_EQ(px(10 * 32 - 152 + 16, 120), empty) << "life 31 is not drawn";
    // Slot 1: map x 9*32 - 8 = 280, screen x 128; ORed over the player from x 128 to 135.
    EXPECT_EQ(px(127, 120), tileColour(30));
    EXPECT_EQ(px(128, 120), uint16_t(tileColour(30) | tileColour(TileMonsterA)));
    EXPECT_EQ(px(136, 120), uint16_t(empty | tileColour(TileMonsterA)));
    EXPECT_EQ(px(159, 120), uint16_t(empty | tileColour(TileMonsterA)));
    EXPECT_EQ(px(160, 120), empty);
    // Slots 2 and 3 at screen x 40..71.
    EXPECT_EQ(px(40, 104), uint16_t(empty | tileColour(TileMonsterA) | tileColour(TileMonsterB)));
    EXPECT_EQ(px(39, 104), empty);
}

TEST_P(PlayView, MonstersNearTheBottomNeverReachThePanel) {
    setMap(16, 16, [](int32_t, int32_t) { return uint8_t(TileEmpty); });
    game.playerX = game.playerY = 8;
    game.monsters[0] = MonsterSlot{8, 12, 0, 0, TileMonsterA, 2, 8, 40, 0};  // screen y 248
    game.monsters[1] = MonsterSlot{8, 11, 0, 0, TileMonsterA, 2, 8, 40, 0};  // screen y 216
    fillBackBuffer(0);
    panelShown = 1;
    drawPlayView();
    EXPECT_EQ(px(120, 239), uint16_t(tileColour(TileEmpty) | tileColour(TileMonsterA)));
    for (int32_t y = 240; y < 320; ++y) EXPECT_EQ(px(120, y), 0) << "row " << y;
}

TEST_P(PlayView, PanelDrawnThroughTheFadeAndOnceAfterIt) {
    OwnedImage panel;
    panel.make(240, 80, [](int32_t x, int32_t y) { return uint16_t(0x1000 + x + y); });
    Panel = panel.img;
    setMap(4, 4, [](int32_t, int32_t) { return uint8_t(TileEarth); });
    auto panelOk = [&] { return px(0, 240) == 0x1000 && px(239, 319) == 0x1000 + 239 + 79; };
    auto scribble = [&] {
        for (int32_t y = 240; y < 320; ++y)
            for (int32_t x = 0; x < 240; ++x) setPixel(BackBuffer, x, y, 0xAAAA);
    };

    panelShown = 1;
    game.fadeLevel = 128;  // fading: redrawn, and not yet marked as shown
    scribble();
    drawPlayView();
    EXPECT_TRUE(panelOk());
    EXPECT_EQ(panelShown, 0);

    game.fadeLevel = 256;  // the first frame after the fade draws it once more
    scribble();
    drawPlayView();
    EXPECT_TRUE(panelOk());
    EXPECT_EQ(panelShown, 1);

    scribble();  // then it is left alone
    drawPlayView();
    EXPECT_EQ(px(0, 240), 0xAAAA);
    EXPECT_EQ(px(100, 300), 0xAAAA);

    Panel = Image{};  // no panel picture: the rows keep what they hold
    panelShown = 0;
    drawPlayView();
    EXPECT_EQ(px(100, 300), 0xAAAA);
}

struct BannerCase {
    int32_t ticks;
    int32_t width;
    bool text;
};

TEST_P(PlayView, LevelBannerOpensCarriesTheNameAndCloses) {
    setMap(30, 30, [](int32_t, int32_t) { return uint8_t(TileEarth); });
    game.playerX = game.playerY = 15;
    game.playerSprite = TileEarth;
    setLevelName("MINE");
    const uint16_t earth = tileColour(TileEarth), dark = darken(earth, 1);
    const BannerCase cases[] = {
        {0, 0, false},     {20, 80, false}, {39, 156, false}, {40, 160, true},  {335, 160, true},
        {336, 156, false}, {374, 4, false}, {375, 0, false},  {376, -1, false},
    };
    for (const BannerCase& c : cases) {
        game.levelTicks = c.ticks;
        drawPlayView();
        std::string what = "levelTicks " + std::to_string(c.ticks);
        int32_t w = c.width < 0 ? 0 : c.width;
        int32_t left = 120 - (w >> 1);
        for (int32_t y : {10, 49}) {  // first and last band rows, clear of text
            for (int32_t x = 0; x < 240; ++x) {
                bool inBand = x >= left && x < left + w;
                ASSERT_EQ(px(x, y), inBand ? dark : earth) << what << " at (" << x << ", " << y << ")";
            }
        }
        EXPECT_EQ(px(120, 9), earth) << what;
        EXPECT_EQ(px(120, 50), earth) << what;
        if (c.text) {
            expectText(120, 20, "MINE", ColourWhite, AlignCentre, flat(dark), what.c_str());
        } else {
            for (int32_t x = 0; x < 240; ++x) {
                bool inBand = x >= left && x < left + w;
                ASSERT_EQ(px(x, 29), inBand ? dark : earth) << what << ": no text expected at x " << x;
            }
        }
    }
}

TEST_P(PlayView, BannerShowsATenCharacterNameWithoutTerminator) {
    setMap(30, 30, [](int32_t, int32_t) { return uint8_t(TileEarth); });
    game.playerX = game.playerY = 15;
    game.playerSprite = TileEarth;
    std::memcpy(levelName, "ABCDEFGHIJ", 10);
    game.levelTicks = 100;
    drawPlayView();
    expectText(120, 20, "ABCDEFGHIJ", ColourWhite, AlignCentre, flat(darken(tileColour(TileEarth), 1)),
               "ten-character name");
}

TEST_P(PlayView, PanelButtonIsAFirePress) {
    setMap(4, 4, [](int32_t, int32_t) { return uint8_t(TileEarth); });
    struct Case {
        int32_t x, y;
        bool fires;
    } cases[] = {
        {174, 241, true},  {239, 256, true},  {200, 250, true},  {173, 241, false},
        {174, 240, false}, {174, 257, false}, {120, 280, false}, {-1, -1, false},
    };
    for (const Case& c : cases) {
        TapResult r = tap(c.x, c.y, drawPlayView, 3);
        EXPECT_EQ(r.fired, c.fires) << "tap " << c.x << "," << c.y;
        EXPECT_EQ(r.cursor, c.fires ? 0 : 3) << "tap " << c.x << "," << c.y;
    }
}

TEST_P(PlayView, EmptyMapShowsOnlyBorderTiles) {
    game.playerX = game.playerY = 0;
    game.playerSprite = TileBorder;
    drawPlayView();
    for (int32_t y = 0; y < 240; y += 7)
        for (int32_t x = 0; x < 240; x += 7) ASSERT_EQ(px(x, y), tileColour(TileBorder)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Layouts, PlayView, ::testing::Values(0, 3), [](const ::testing::TestParamInfo<int32_t>& i) {
    return i.param == 0 ? std::string("RowMajor") : std::string("ColumnMajor");
});

}  // namespace
