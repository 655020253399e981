// World rules that play out over many ticks or touch other records: hatching, idling,
// completion and the progress record, placing the player, the tile sheets and recolouring.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/app.h"
#include "catalogue/resources.h"
#include "game/state.h"
#include "tools/common/scratch_home.h"
#include "world/world.h"
#include "world/world_internal.h"

namespace {

class WorldRules : public ::testing::Test {
protected:
    // Completing a main level saves the progress file under HOME: keep it in a scratch folder.
    ScratchHome home{"tavrin-world"};

    void SetUp() override {
        game = GameState{};
        progress = ProgressRecord{};
        for (auto& f : ControlFlags) f = 0;
        game.mode = Play;
        game.nextMode = Play;
        game.modeReady = 1;
        game.fadeLevel = 256;
        game.level = -1;
        game.lastLevel = 5;
    }
    void TearDown() override { unloadLevel(); }
    void load(const std::string& rows) {
        std::string text = "name: T\ncolour: 4\nmap:\n" + rows;
        ASSERT_EQ(loadLevelSource(text.data(), static_cast<int32_t>(text.size())), 0);
    }
    void ticks(int n) {
        testing::internal::CaptureStdout();
        for (int i = 0; i < n; ++i) {
            worldTick();
            for (auto& f : ControlFlags) f &= static_cast<uint8_t>(~FlagPressed);
        }
        testing::internal::GetCapturedStdout();
    }
};

TEST_F(WorldRules, EggHatchesAfter120TicksAndHuntsAfter128More) {
    // The egg cracks on the first tick; the player is walled in far away.
    load("#E#@#*\n# ####\n#.####\n######\n");
    ticks(1);
    ASSERT_EQ(getCell(1, 1), TileCrackedEgg);
    ticks(119);  // 120 ticks after the crack
    EXPECT_EQ(game.monsters[0].life, 31);
    EXPECT_EQ(getCell(1, 1), TileCrackedEgg);
    ticks(1);
    EXPECT_EQ(game.monsters[0].life, 32);
    EXPECT_EQ(getCell(1, 1), TileEmpty);
    EXPECT_EQ(game.monsters[0].sprite, TileMonsterB);
    ticks(127);  // 248 ticks after the crack: still waiting
    EXPECT_EQ(game.monsters[0].life, 63);
    EXPECT_EQ(game.monsters[0].step, 0);
    ticks(1);
    EXPECT_EQ(game.monsters[0].life, 64);
    EXPECT_EQ(game.monsters[0].step, 1);  // hunting: chose its first step in that tick
}

TEST_F(WorldRules, MonsterFramesAlternateEveryTwentyTicks) {
    load("@#*\n");
    game.monsters[0] = MonsterSlot{5, 5, 5, 5, TileMonsterB, 0, 0, 40, 0};
    std::vector<int> sprites;
    for (int i = 0; i < 6; ++i) {
        ticks(20);
        sprites.push_back(game.monsters[0].sprite);
    }
    EXPECT_EQ(sprites, (std::vector<int>{33, 34, 33, 34, 33, 34}));
}

TEST_F(WorldRules, IdleAnimationStartsAfter512Ticks) {
    load("@#*\n");
    ticks(511);
    EXPECT_EQ(game.playerSprite, TilePlayer);
    EXPECT_EQ(game.idleTimer, 511);
    ticks(1);
    EXPECT_EQ(game.playerSprite, 35);
    std::vector<int> sprites;
    for (int i = 0; i < 4; ++i) {
        ticks(64);
        sprites.push_back(game.playerSprite);
    }
    EXPECT_EQ(sprites, (std::vector<int>{30, 36, 30, 35}));
    EXPECT_GE(game.idleTimer, 512);
    EXPECT_LE(game.idleTimer, 767);
}

TEST_F(WorldRules, DeathFlickersThenVanishes) {
    load("@#*\n");
    game.deathTimer = 1;
    std::vector<int> sprites;
    for (int i = 0; i < 4; ++i) {
        ticks(1);
        sprites.push_back(game.playerSprite);
    }
    EXPECT_EQ(sprites, (std::vector<int>{30, 36, 30, 35}));
    ticks(60);
    EXPECT_EQ(game.playerSprite, 35);  // the 64th tick of dying still shows the player
    ticks(1);
    EXPECT_EQ(game.playerSprite, TileEmpty);
}

TEST_F(WorldRules, CompletingMainLevelsRaisesLevelReachedOnly) {
    struct Case {
        int8_t level;
        uint8_t reachedBefore, reachedAfter;
    } cases[] = {{3, 2, 4}, {1, 4, 4}, {0, 0, 1}};
    for (auto c : cases) {
        load("@*\n");
        game.level = c.level;
        progress.levelReached = c.reachedBefore;
        ControlFlags[ControlRight] = FlagHeld;
        testing::internal::CaptureStdout();
        for (int i = 0; i < 16; ++i) worldTick();
        std::string out = testing::internal::GetCapturedStdout();
        ControlFlags[ControlRight] = 0;
        EXPECT_EQ(progress.levelReached, c.reachedAfter);
        EXPECT_EQ(game.nextMode, LevelComplete);
        EXPECT_NE(out.find("SndPlay 257"), std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(home.file()));
    }
}

TEST_F(WorldRules, NextLevelAfterPracticeAndAfterTheLast) {
    struct Case {
        int8_t level;
        uint8_t lastLevel;
        uint8_t mode;
        int8_t pending;
    } cases[] = {{-4, 5, StartLevel, -3}, {-1, 5, StartLevel, 0}, {4, 5, StartLevel, 5},
                 {5, 5, GameComplete, 0}, {-1, 0, StartLevel, 0}, {0, 0, GameComplete, 0}};
    for (auto c : cases) {
        game.level = c.level;
        game.lastLevel = c.lastLevel;
        game.pendingLevel = 0;
        game.nextMode = Play;
        testing::internal::CaptureStdout();
        nextLevel();
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(game.nextMode, c.mode) << int(c.level);
        EXPECT_EQ(game.pendingLevel, c.pending) << int(c.level);
        EXPECT_EQ(out.find("SndPlay 257") != std::string::npos, c.mode == StartLevel);
    }
}

TEST_F(WorldRules, LosingALifePutsThePlayerBackOverAFallenRock) {
    load("#@#*\n#.##\n####\n");
    game.playerX = 1;
    game.playerY = 1;  // as if the player had walked down and died there
    setCell(1, 0, TileRock);
    setCell(1, 1, TilePlayer);
    game.moveDir = 2;
    game.moveStep = 7;
    removePlayer();
    EXPECT_EQ(getCell(1, 1), TileEmpty);
    placePlayer();
    EXPECT_EQ(getCell(1, 0), TilePlayer);
    EXPECT_EQ(game.playerX, 1);
    EXPECT_EQ(game.playerY, 0);
    EXPECT_EQ(game.moveDir, 0);
    EXPECT_EQ(game.moveStep, 0);
    EXPECT_EQ(game.deathTimer, 0);
}

TEST_F(WorldRules, BlockedTiles) {
    game.diamondsLeft = 1;
    std::vector<int> blocked;
    for (int t = 0; t < 256; ++t)
        if (isBlocked(static_cast<uint8_t>(t))) blocked.push_back(t);
    std::vector<int> expect;
    for (int t = 7; t <= 23; ++t) expect.push_back(t);
    expect.push_back(27);
    for (int t = 47; t <= 55; ++t) expect.push_back(t);
    EXPECT_EQ(blocked, expect);
    game.diamondsLeft = 0;
    EXPECT_EQ(isBlocked(TileBomb), 0);
    game.diamondsLeft = -1;
    EXPECT_EQ(isBlocked(TileBomb), 0);
}

TEST_F(WorldRules, FallClasses) {
    load("O*K0/{\\}_.S@#E\n");
    setCell(10, 0, 200);  // a byte above 63 is solid
    const uint8_t expect[] = {FallRound, FallRound, FallRound, FallRound, FallLeft,  FallLeft,  FallRight,
                              FallRight, FallFree,  FallSolid, FallSolid, FallSolid, FallSolid, FallSolid};
    for (int x = 0; x < 14; ++x) EXPECT_EQ(fallClass(x, 0), expect[x]) << x;
    EXPECT_EQ(fallClass(-1, 0), FallSolid);
    EXPECT_EQ(fallClass(0, 1), FallSolid);
    game.targetX = 8;  // the empty square the player walks into is solid
    game.targetY = 0;
    EXPECT_EQ(fallClass(8, 0), FallSolid);
}

uint16_t tinted(uint16_t pixel, uint32_t colour) {
    uint8_t b[2] = {static_cast<uint8_t>(pixel), static_cast<uint8_t>(pixel >> 8)};
    tintTile(b, 2, colour);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

// The falling pass skips rows without a rock or an egg and reads rows straight from the map;
// square by square through getCell it must do exactly the same: same squares, same kills and
// hatchings, same death, same sounds in the same order, pass after pass.
TEST_F(WorldRules, FallingPassMatchesSquareBySquare) {
    const char pieces[] =
        "O_____.#*/\\{}0EKo";  // rocks, room, earth, walls, diamonds, round corners, rings, eggs, keys
    std::mt19937 random(13);
    for (int round = 0; round < 12; ++round) {
        std::string rows;
        const int w = 5 + static_cast<int>(random() % 40), h = 4 + static_cast<int>(random() % 40);
        for (int y = 0; y < h; ++y) {
            std::string row;
            for (int x = 0; x < w; ++x) row += pieces[random() % (sizeof pieces - 1)];
            rows += row + "\n";
        }
        rows[0] = '@';
        std::string text = "name: T\ncolour: 4\nmap:\n" + rows;
        if (loadLevelSource(text.data(), static_cast<int32_t>(text.size())) != 0) continue;
        game.targetX = static_cast<uint8_t>(random() % w);
        game.targetY = static_cast<uint8_t>(random() % h);
        const std::vector<uint8_t> start(map, map + mapCells);
        const GameState startState = game;

        std::vector<uint8_t> quickMap, plainMap;
        std::string quickSounds, plainSounds;
        GameState quickState{}, plainState{};
        for (int way = 0; way < 2; ++way) {
            std::memcpy(map, start.data(), start.size());
            game = startState;
            testing::internal::CaptureStdout();
            for (int pass = 0; pass < 8; ++pass) {
                if (way == 0) {
                    fallScan();
                } else {
                    for (int32_t y = mapHeight - 1; y >= 0; --y)
                        for (int32_t x = mapWidth - 1; x >= 0; --x) {
                            const uint8_t t = getCell(x, y);
                            if ((t == TileRock || t == TileEgg) && tryFall(x, y, t)) SndPlay(SoundRock, 0);
                        }
                }
            }
            (way == 0 ? quickSounds : plainSounds) = testing::internal::GetCapturedStdout();
            (way == 0 ? quickMap : plainMap).assign(map, map + mapCells);
            (way == 0 ? quickState : plainState) = game;
        }
        EXPECT_EQ(quickMap, plainMap) << text;
        EXPECT_EQ(quickSounds, plainSounds) << text;
        EXPECT_EQ(std::memcmp(&quickState, &plainState, sizeof quickState), 0) << text;
    }
}

TEST(TintTile, Values) {
    struct Case {
        uint32_t colour;
        uint16_t in, out;
    } cases[] = {
        {0xFFFF00, 0x001F, 0xF7A0}, {0xFFFF00, 0x0015, 0xA520}, {0xFFFF00, 0x529F, 0xFFE0}, {0xFFFF00, 0xFFE0, 0xFFE0},
        {0xFFFF00, 0x0000, 0x0000}, {0xFF0000, 0x001F, 0xF000}, {0xFF0000, 0x529F, 0xFA80}, {0x000000, 0x529F, 0x5280},
        {0x00FF00, 0x8010, 0x8010}, {0x00FF00, 0x0410, 0x0410},
    };
    for (auto c : cases) EXPECT_EQ(tinted(c.in, c.colour), c.out) << std::hex << c.colour << " " << c.in;
    // Pixels are low byte first and the count is in bytes: a run of three pixels, the
    // middle one left alone.
    uint8_t run[6] = {0x1F, 0x00, 0xE0, 0xFF, 0x15, 0x00};
    tintTile(run, 6, 0xFFFF00);
    const uint8_t expect[6] = {0xA0, 0xF7, 0xE0, 0xFF, 0x20, 0xA5};
    EXPECT_EQ(0, memcmp(run, expect, 6));
}

TEST_F(WorldRules, TileSheetsAreTileOrderedAndRecoloured) {
    uint32_t size = 0, mapSize = 0;
    const uint8_t* pic = findResource(ResTileSheet, &size);
    const uint8_t* mapPic = findResource(ResMapTileSheet, &mapSize);
    if (!pic || !mapPic) GTEST_SKIP() << "tile pictures not embedded in this build";
    game.levelColour = 0x0000FF;
    ASSERT_EQ(buildTileSheets(), 0);
    // Tile 17 starts at picture offset 32832, tile 63 at 99264.
    for (int t : {0, 17, 63}) {
        const size_t src = (t & 15) * 64 + (t >> 4) * 32768;
        for (int r = 0; r < 32; ++r) ASSERT_EQ(0, memcmp(TileSheet + t * 2048 + r * 64, pic + src + r * 1024, 64));
        const size_t msrc = (t & 15) * 16 + (t >> 4) * 2048;
        for (int r = 0; r < 8; ++r) ASSERT_EQ(0, memcmp(MapTileSheet + t * 128 + r * 16, mapPic + msrc + r * 256, 16));
    }
    std::vector<uint8_t> plain(TileSheet, TileSheet + 131072);
    std::vector<uint8_t> plainMap(MapTileSheet, MapTileSheet + 8192);
    freeTileSheets();
    EXPECT_EQ(TileSheet, nullptr);
    EXPECT_EQ(MapTileSheet, nullptr);

    game.levelColour = 0xFF0000;
    ASSERT_EQ(buildTileSheets(), 0);
    for (int t = 0; t < 64; ++t) {
        std::vector<uint8_t> expect(plain.begin() + t * 2048, plain.begin() + (t + 1) * 2048);
        std::vector<uint8_t> expectMap(plainMap.begin() + t * 128, plainMap.begin() + (t + 1) * 128);
        if (t != 0 && t != 22) {
            tintTile(expect.data(), 2048, 0xFF0000);
            tintTile(expectMap.data(), 128, 0xFF0000);
        }
        EXPECT_EQ(0, memcmp(TileSheet + t * 2048, expect.data(), 2048)) << t;
        EXPECT_EQ(0, memcmp(MapTileSheet + t * 128, expectMap.data(), 128)) << t;
    }
    freeTileSheets();
    freeTileSheets();  // freeing null sheets is allowed
}

}  // namespace
