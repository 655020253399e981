// The world engine tick by tick: a small map as text, a few ticks of input, the map and the
// counters after. Sounds are observed on stdout, where every effect is announced.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "game/state.h"
#include "world/levelsource.h"
#include "world/world.h"
#include "world/world_internal.h"

namespace {

// Tiles without a default character in the level sources.
constexpr char CrackedEggChar = 'x';
constexpr char BorderChar = 'Z';

struct Scenario {
    const char* name;
    std::vector<std::string> map;
    // Held keys and for how many ticks, e.g. "R16 -4 UR1": '-' holds nothing; U D L R
    // are held (pressed on the first tick); F presses fire; lower case u d l r press
    // without holding, as a stylus tap or a key released within the tick would.
    const char* input = "";
    int ticks = -1;  // -1: as long as the input
    std::vector<std::string> expect = {};
    std::vector<int> sounds = {};
    int deathTimer = 0;
    uint8_t phase = 0;
    const char* randBits = "";  // low bits the first nextRandom() calls must give
    std::function<void()> setup = nullptr;
    std::function<void()> check = nullptr;
};

std::string tileChars() {
    std::string chars(64, '?');
    const char* legend = "O*.,cX_#[]^v/\\()={}%S|EK&BoW@;+-80~";
    for (const char* c = legend; *c; ++c) {
        int t = defaultLegendTile(*c);
        if (t >= 0 && chars[t] == '?') chars[t] = *c;
    }
    chars[47] = CrackedEggChar;
    chars[53] = BorderChar;
    return chars;
}

std::vector<std::string> mapRows() {
    static const std::string chars = tileChars();
    std::vector<std::string> rows;
    for (int32_t y = 0; y < mapHeight; ++y) {
        std::string row;
        for (int32_t x = 0; x < mapWidth; ++x) {
            uint8_t t = getCell(x, y);
            row += t < 64 ? chars[t] : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> normalised(std::vector<std::string> rows, size_t width) {
    for (auto& r : rows) {
        r.resize(std::max(r.size(), width), '_');
        for (auto& c : r)
            if (c == ' ') c = '_';
    }
    return rows;
}

void loadMap(const std::vector<std::string>& rows) {
    std::string text = "name: TEST\ncolour: 4\nlegend: x 47\nlegend: Z 53\nmap:\n";
    for (const auto& r : rows) text += r + "\n";
    ASSERT_EQ(loadLevelSource(text.data(), static_cast<int32_t>(text.size())), 0);
}

// Seeds nextRandom() so that its next calls have the given low bits ("10": odd, then even).
void seedRandBits(const char* bits) {
    for (unsigned seed = 1; seed < 1000000; ++seed) {
        seedRandom(seed);
        bool ok = true;
        for (const char* b = bits; *b && ok; ++b) ok = (nextRandom() & 1) == (*b - '0');
        if (ok) {
            seedRandom(seed);
            return;
        }
    }
    FAIL() << "no seed gives " << bits;
}

void setMonster(int slot, int x, int y, int life, int step = 0, int dir = 0, int toX = -1, int toY = -1) {
    MonsterSlot& m = game.monsters[slot];
    m.x = static_cast<uint8_t>(x);
    m.y = static_cast<uint8_t>(y);
    m.toX = static_cast<uint8_t>(toX < 0 ? x : toX);
    m.toY = static_cast<uint8_t>(toY < 0 ? y : toY);
    m.life = static_cast<uint8_t>(life);
    m.step = static_cast<uint8_t>(step);
    m.dir = static_cast<uint8_t>(dir);
    m.sprite = TileMonsterB;
    m.anim = 0;
}

std::vector<int> parseSounds(const std::string& out) {
    std::vector<int> sounds;
    std::istringstream in(out);
    std::string word;
    int n;
    while (in >> word)
        if (word == "SndPlay" && in >> n) sounds.push_back(n);
    return sounds;
}

struct InputStep {
    uint8_t bits[5];
    int ticks;
};

std::vector<InputStep> parseInput(const char* input) {
    std::vector<InputStep> steps;
    std::istringstream in(input);
    std::string token;
    while (in >> token) {
        InputStep s{{0, 0, 0, 0, 0}, 0};
        size_t i = 0;
        for (; i < token.size() && !isdigit(static_cast<unsigned char>(token[i])); ++i) {
            switch (token[i]) {
            case 'U': s.bits[ControlUp] = FlagHeld; break;
            case 'D': s.bits[ControlDown] = FlagHeld; break;
            case 'L': s.bits[ControlLeft] = FlagHeld; break;
            case 'R': s.bits[ControlRight] = FlagHeld; break;
            case 'u': s.bits[ControlUp] = FlagPressed; break;
            case 'd': s.bits[ControlDown] = FlagPressed; break;
            case 'l': s.bits[ControlLeft] = FlagPressed; break;
            case 'r': s.bits[ControlRight] = FlagPressed; break;
            case 'F': s.bits[ControlFire] = FlagHeld; break;
            default: break;
            }
        }
        s.ticks = std::atoi(token.c_str() + i);
        steps.push_back(s);
    }
    return steps;
}

// One game tick as the game runs it in Play: the world tick, then pressed bits cleared.
void gameTickInPlay() {
    worldTick();
    for (auto& f : ControlFlags) f &= static_cast<uint8_t>(~FlagPressed);
}

// Holds the keys of the input tick by tick, as key presses and releases would.
void runTicks(const std::vector<InputStep>& steps, int ticks) {
    int tick = 0;
    for (const auto& s : steps) {
        for (int i = 0; i < s.ticks && tick < ticks; ++i, ++tick) {
            for (int c = 0; c < 5; ++c) {
                uint8_t held = s.bits[c] & FlagHeld;
                // A key going down sets pressed as well; a tap sets only pressed.
                if (held && !(ControlFlags[c] & FlagHeld))
                    ControlFlags[c] = FlagHeld | FlagPressed;
                else if (held)
                    ControlFlags[c] = FlagHeld;
                else
                    ControlFlags[c] = (i == 0) ? (s.bits[c] & FlagPressed) : 0;
            }
            gameTickInPlay();
        }
    }
    for (auto& f : ControlFlags) f = 0;
    for (; tick < ticks; ++tick) gameTickInPlay();
}

class WorldEngine : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override {
        game = GameState{};
        progress = ProgressRecord{};
        for (auto& f : ControlFlags) f = 0;
        game.mode = Play;
        game.nextMode = Play;
        game.modeReady = 1;
        game.fadeLevel = 256;
        game.level = -1;  // a practice level: completion touches no file
        game.lastLevel = 5;
        startX = startY = 0;
    }
    void TearDown() override { unloadLevel(); }
};

TEST_P(WorldEngine, Scenario) {
    const Scenario& s = GetParam();
    loadMap(s.map);
    if (HasFatalFailure()) return;
    game.worldPhase = s.phase;
    seedRandBits(s.randBits);
    if (s.setup) s.setup();
    auto steps = parseInput(s.input);
    int ticks = s.ticks;
    if (ticks < 0) {
        ticks = 0;
        for (const auto& st : steps) ticks += st.ticks;
    }
    testing::internal::CaptureStdout();
    runTicks(steps, ticks);
    const std::vector<int> sounds = parseSounds(testing::internal::GetCapturedStdout());
    if (!s.expect.empty()) {
        EXPECT_EQ(mapRows(), normalised(s.expect, static_cast<size_t>(mapWidth)));
    }
    EXPECT_EQ(sounds, s.sounds);
    EXPECT_EQ(game.deathTimer, s.deathTimer);
    if (s.check) s.check();
}

const Scenario fallingScenarios[] = {
    {.name = "RockFallsOneSquarePerPass",
     .map = {"#O#@", "# ##", "# ##", "# ##", "####"},
     .ticks = 5,
     .expect = {"#_#@", "#_##", "#O##", "#_##", "####"},
     .sounds = {256, 256}},
    {.name = "ColumnOfThreeFallsTogether",
     .map = {"#O#@", "#O##", "#O##", "# ##", "# ##", "# ##", "####"},
     .ticks = 5,
     .expect = {"#_#@", "#_##", "#O##", "#O##", "#O##", "#_##", "####"},
     .sounds = {256, 256, 256, 256, 256, 256}},
    {.name = "RockOnDiamondRollsLeftFirst",
     .map = {"@######", "#  O  #", "#  *  #", "#######"},
     .ticks = 1,
     .expect = {"@######", "#_____#", "#_O*__#", "#######"},
     .sounds = {256}},
    {.name = "RockOnDiamondRollsRightWhenLeftClosed",
     .map = {"@######", "#  O  #", "# .*  #", "#######"},
     .ticks = 1,
     .expect = {"@######", "#_____#", "#_.*O_#", "#######"},
     .sounds = {256}},
    {.name = "RockOnDiamondStaysWhenBothSidesClosed",
     .map = {"@######", "# .O. #", "#  *  #", "#######"},
     .ticks = 8,
     .expect = {"@######", "#_.O._#", "#__*__#", "#######"}},
    {.name = "RollNeedsTheSideSquareFreeToo",
     .map = {"@######", "# .O  #", "#  *  #", "#######"},
     .ticks = 1,
     .expect = {"@######", "#_.___#", "#__*O_#", "#######"},
     .sounds = {256}},
    {.name = "KeyLyingRingsAndRockAreRound",
     .map = {"@#########", "#O  O  O #", "#K  0  O #", "##########"},
     .ticks = 1,
     .expect = {"@#########", "#________#", "#KOO0_OO_#", "##########"},
     .sounds = {256, 256, 256}},
    {.name = "RockOnTopLeftCornerDoesNotRollRight",
     .map = {"@#####", "#.O  #", "#./  #", "######"},
     .ticks = 8,
     .expect = {"@#####", "#.O__#", "#./__#", "######"}},
    {.name = "RockOnTopRightCornerRollsRightOnly",
     .map = {"@#####", "#  O #", "#  \\ #", "######"},
     .ticks = 1,
     .expect = {"@#####", "#____#", "#__\\O#", "######"},
     .sounds = {256}},
    {.name = "BlueCornersRollLikeBrickCorners",
     .map = {"@########", "#  O  O #", "#  {  } #", "#########"},
     .ticks = 1,
     .expect = {"@########", "#_______#", "#_O{__}O#", "#########"},
     .sounds = {256, 256}},
    {.name = "RocksOnSolidSquaresNeverMove",
     .map = {"@O O O O O O", " . # S E B v", "############"},
     .ticks = 12,
     .expect = {"@O_O_O_O_O_O", "_._#_S_E_B_v", "############"}},
    {.name = "RockTwoAboveThePlayerKillsOnNextPass",
     .map = {"#O#", "# #", "#@#", "###"},
     .ticks = 1,
     .expect = {"#_#", "#O#", "#@#", "###"},
     .sounds = {256},
     .deathTimer = 1},
    {.name = "RockRestingOnThePlayerStays", .map = {"#O#", "#@#", "###"}, .ticks = 12, .expect = {"#O#", "#@#", "###"}},
    {.name = "WalkingDownFromUnderARockIsFatal",
     .map = {"#O#*", "#@#", "# #", "###"},
     .input = "D1",
     .ticks = 17,
     .expect = {"#_#*", "#O#", "#@#", "###"},
     .sounds = {256},
     .deathTimer = 1},
    {.name = "WalkingSidewaysFromUnderARockIsSafe",
     .map = {"#O #*", "#@ #", "####"},
     .input = "R1",
     .ticks = 17,
     .expect = {"#__#*", "#O@#", "####"},
     .sounds = {256}},
    {.name = "TargetSquareIsSolidDuringTheMove",
     .map = {"# O#*", "#  #", "#@ #", "####"},
     .input = "R1",
     .ticks = 20,
     .expect = {"#__#*", "#_O#", "#_@#", "####"},
     .sounds = {256}},
    {.name = "EggLandingOnEarthCracks",
     .map = {"#E#@", "# ##", "#.##", "####"},
     .ticks = 1,
     .expect = {"#_#@", "#x##", "#.##", "####"},
     .sounds = {251, 256},
     .check =
         [] {
             EXPECT_EQ(game.monsters[0].life, 2);  // cracked and hatched once in the same tick
             EXPECT_EQ(game.monsters[0].x, 1);
             EXPECT_EQ(game.monsters[0].y, 1);
         }},
    {.name = "EggOnThePlayersHeadKillsAndCracks",
     .map = {"#E#", "# #", "#@#", "###"},
     .ticks = 1,
     .expect = {"#_#", "#x#", "#@#", "###"},
     .sounds = {251, 256},
     .deathTimer = 1},
    {.name = "EggThatNeverFallsNeverCracks",
     .map = {"#E#@", "#.##", "####"},
     .ticks = 12,
     .expect = {"#E#@", "#.##", "####"}},
    {.name = "EggLandingWithAllSlotsTakenStaysCracked",
     .map = {"#E#@", "# ##", "####"},
     .ticks = 1,
     .expect = {"#_#@", "#x##", "####"},
     .sounds = {256},
     .setup =
         [] {
             for (int i = 0; i < 4; ++i) setMonster(i, 0, 0, 5);
         },
     .check =
         [] {
             for (int i = 0; i < 4; ++i) EXPECT_EQ(game.monsters[i].x, 0);
         }},
    {.name = "RockFallingThroughAMonsterKillsItAndFallsOn",
     .map = {"#O#@", "# ##", "# ##", "# ##", "####"},
     .ticks = 5,
     .expect = {"#_#@", "#_##", "#O##", "#_##", "####"},
     .sounds = {253, 256, 256},
     .setup = [] { setMonster(0, 1, 1, 40); },
     .check = [] { EXPECT_EQ(game.monsters[0].life, 0); }},
    {.name = "RollingRockKillsMonsterInTheSideSquare",
     .map = {"@######", "#  O  #", "#  *  #", "#######"},
     .ticks = 1,
     .expect = {"@######", "#_____#", "#_O*__#", "#######"},
     .sounds = {253, 256},
     .setup = [] { setMonster(0, 2, 1, 40); },
     .check = [] { EXPECT_EQ(game.monsters[0].life, 0); }},
    {.name = "RockKillsMonsterOnTheSquareItLeaves",
     .map = {"#O##@", "#  ##", "#####"},
     .ticks = 1,
     .sounds = {253, 256},
     .setup = [] { setMonster(0, 1, 1, 64, 8, 4, 2, 1); },
     .check = [] { EXPECT_EQ(game.monsters[0].life, 0); }},
    {.name = "RockKillsMonsterOnTheSquareItEnters",
     .map = {"#O##@", "#  ##", "#####"},
     .ticks = 1,
     .sounds = {253, 256},
     .setup = [] { setMonster(0, 2, 1, 64, 8, 3, 1, 1); },
     .check = [] { EXPECT_EQ(game.monsters[0].life, 0); }},
    {.name = "OneRockKillsTwoMonstersOnOneSquare",
     .map = {"#O#@", "# ##", "####"},
     .ticks = 1,
     .sounds = {253, 253, 256},
     .setup =
         [] {
             setMonster(0, 1, 1, 40);
             setMonster(2, 1, 1, 64, 4, 1, 1, 0);
         },
     .check =
         [] {
             EXPECT_EQ(game.monsters[0].life, 0);
             EXPECT_EQ(game.monsters[2].life, 0);
         }},
    {.name = "NothingMovesWhileThePlayerIsDying",
     .map = {"#O#@", "# ##", "####"},
     .ticks = 8,
     .expect = {"#O#@", "#_##", "####"},
     .sounds = {254},
     .deathTimer = 9,
     .phase = 2,
     .setup =
         [] {
             game.deathTimer = 1;
             setMonster(0, 1, 1, 64);
         },
     .check =
         [] {
             EXPECT_EQ(game.worldPhase, 2);
             EXPECT_EQ(game.levelTicks, 0);
             EXPECT_EQ(game.monsters[0].step, 0);
         }},
    {.name = "FireOpensThePauseMenu",
     .map = {"@."},
     .input = "F1",
     .sounds = {257},
     .check =
         [] {
             EXPECT_EQ(game.nextMode, PauseMenu);
             EXPECT_EQ(game.modeReady, 0);
             EXPECT_EQ(game.worldPhase, 1);
             EXPECT_EQ(game.levelTicks, 1);
         }},
};

const Scenario playerScenarios[] = {
    {.name = "UpWinsOverRight",
     .map = {"#.#*", "#@.", "###"},
     .input = "UR16",
     .expect = {"#@#*", "#_.", "###"},
     .check = [] { EXPECT_EQ(game.score, 1); }},
    {.name = "DownWinsOverLeft", .map = {".@", "#.", "##*"}, .input = "DL16", .expect = {"._", "#@", "##*"}},
    {.name = "HeldKeyMovesEverySixteenTicks",
     .map = {"@....", "####*"},
     .input = "R48",
     .expect = {"___@.", "####*"},
     .check =
         [] {
             EXPECT_EQ(game.score, 3);
             EXPECT_EQ(game.moveDir, 0);
             EXPECT_EQ(game.playerSprite, 39);  // animStep 48: frame 6 of the walk to the right
         }},
    {.name = "TapOffPhaseIsLost", .map = {"@."}, .input = "r1", .ticks = 20, .expect = {"@."}, .phase = 1},
    {.name = "KeyStillHeldAtPhaseZeroMoves",
     .map = {"@.", "#*"},
     .input = "R4",
     .ticks = 19,
     .expect = {"_@", "#*"},
     .phase = 1},
    {.name = "TapOnPhaseZeroMoves", .map = {"@.", "#*"}, .input = "r1", .ticks = 16, .expect = {"_@", "#*"}},
    {.name = "PushRockIntoEmptyAtMoveStart",
     .map = {"@O #", "####"},
     .input = "R1",
     .ticks = 1,
     .expect = {"@_O#", "####"},
     .check =
         [] {
             EXPECT_EQ(game.targetX, 1);
             EXPECT_EQ(game.moveDir, 4);
         }},
    {.name = "PushRockLeft", .map = {"# O@", "####*"}, .input = "L16", .expect = {"#O@_", "####*"}},
    {.name = "PushRockIntoEarthFails", .map = {"@O.", "###"}, .input = "R16", .expect = {"@O.", "###"}},
    {.name = "PushRockIntoRockFails", .map = {"@OO ", "####"}, .input = "R16", .expect = {"@OO_", "####"}},
    {.name = "PushRockOffTheMapFails", .map = {"@O", "##"}, .input = "R16", .expect = {"@O", "##"}},
    {.name = "PushRockDownFails", .map = {"@", "O", "."}, .input = "D16", .expect = {"@", "O", "."}},
    {.name = "PushRockUpFails", .map = {"_", "O", "@"}, .input = "U16", .expect = {"_", "O", "@"}},
    {.name = "PushedRockOverAHoleFallsOnNextPass",
     .map = {"@O #", "## #", "####"},
     .input = "R1",
     .ticks = 5,
     .expect = {"@__#", "##O#", "####"},
     .sounds = {256}},
    {.name = "PushedRockKillsMonster",
     .map = {"@O #", "####"},
     .input = "R1",
     .ticks = 1,
     .expect = {"@_O#", "####"},
     .sounds = {253},
     .setup = [] { setMonster(0, 2, 0, 40); }},
    {.name = "PushedEggDoesNotCrack", .map = {"@E #", "####*"}, .input = "R16", .expect = {"_@E#", "####*"}},
    {.name = "PushedEggOverAHoleFallsAndCracks",
     .map = {"@E #", "## #", "####*"},
     .input = "R16",
     .expect = {"_@_#", "##x#", "####*"},
     .sounds = {251, 256}},
    {.name = "CannotPushIntoTheSquareThePlayerEnters",
     .map = {"  O@", "####"},
     .setup =
         [] {
             game.targetX = 1;  // as if the player were walking into (1, 0)
             game.targetY = 0;
         },
     .check =
         [] {
             EXPECT_EQ(pushObject(2, 0, 3), 0);
             EXPECT_EQ(getCell(2, 0), TileRock);
         }},
    {.name = "BombRefusedWhileADiamondIsLeft",
     .map = {"@B#*"},
     .input = "R16",
     .expect = {"@B#*"},
     .check = [] { EXPECT_EQ(game.targetsLeft, 1); }},
    {.name = "BombDisarmedAfterTheLastDiamond",
     .map = {"*@.B"},
     .input = "L16 R48",
     .expect = {"___@"},
     .sounds = {250, 257},
     .check =
         [] {
             EXPECT_EQ(game.diamondsLeft, 0);
             EXPECT_EQ(game.targetsLeft, 0);
             EXPECT_EQ(game.score, 51);
             EXPECT_EQ(game.nextMode, StartLevel);
             EXPECT_EQ(game.pendingLevel, 0);
         }},
    {.name = "KeyWithoutSafesStillSounds", .map = {"@K#*"}, .input = "R16", .expect = {"_@#*"}, .sounds = {252}},
    {.name = "KeyOpensSafesAndAllFiveDiamondsComplete",
     .map = {"@K*S*S*"},
     .input = "R96",
     .expect = {"______@"},
     .sounds = {252, 250, 250, 250, 250, 250, 257},
     .setup = [] { EXPECT_EQ(game.diamondsLeft, 5); },
     .check =
         [] {
             EXPECT_EQ(game.diamondsLeft, 0);
             EXPECT_EQ(game.score, 250);
             EXPECT_EQ(game.nextMode, StartLevel);
         }},
    {.name = "SafeIsBlockedBeforeTheKey", .map = {"@S"}, .input = "R16", .expect = {"@S"}},
    {.name = "SkullKillsAndStays",
     .map = {"@X"},
     .input = "R16",
     .expect = {"_X"},
     .deathTimer = 1,
     .check =
         [] {
             EXPECT_EQ(game.score, 0);
             EXPECT_EQ(game.playerX, 1);
             EXPECT_EQ(game.nextMode, Play);  // no completion although nothing is left
         }},
    {.name = "EmptyLevelCompletesOnFirstMove",
     .map = {"@c"},
     .input = "R16",
     .expect = {"_@"},
     .sounds = {257},
     .check = [] { EXPECT_EQ(game.nextMode, StartLevel); }},
    {.name = "WallsAndCrackedEggBlock",
     .map = {"#[", "x@", "S|"},
     .input = "U16 L16 D16",
     .expect = {"#[", "x@", "S|"}},
    {.name = "EarthKindsScoreOne",
     .map = {"@.,~&oW+c;*"},
     .input = "R144",
     .expect = {"_________@*"},
     .check = [] { EXPECT_EQ(game.score, 3); }},
    {.name = "DeathSequenceEndsInLoseLife",
     .map = {"@."},
     .ticks = 127,
     .sounds = {254},
     .deathTimer = 128,
     .setup = [] { game.deathTimer = 1; },
     .check =
         [] {
             EXPECT_EQ(game.nextMode, LoseLife);
             EXPECT_EQ(game.playerSprite, TileEmpty);
         }},
    {.name = "DeathSequenceStillRunningAfter126Ticks",
     .map = {"@."},
     .ticks = 126,
     .sounds = {254},
     .deathTimer = 127,
     .setup = [] { game.deathTimer = 1; },
     .check = [] { EXPECT_EQ(game.nextMode, Play); }},
};

const Scenario monsterScenarios[] = {
    {.name = "HuntingMonsterBlockedByEarthWaitsAStep",
     .map = {"######", "# ...#", "#....#", "#....#", "#...@#", "######"},
     .ticks = 16,
     .randBits = "1",
     .setup = [] { setMonster(0, 1, 1, 64); },
     .check =
         [] {
             const MonsterSlot& m = game.monsters[0];
             EXPECT_EQ(m.x, 1);
             EXPECT_EQ(m.y, 1);
             EXPECT_EQ(m.step, 0);  // chooses again on the next tick
             EXPECT_EQ(m.dir, 0);
         }},
    {.name = "MonsterMovesDownWhenTheBitIsOdd",
     .map = {"@#######", "#      #", "#      #", "#      #", "#      #", "#      #", "#      #", "########"},
     .ticks = 16,
     .randBits = "1",
     .setup =
         [] {
             game.playerX = game.targetX = 3;  // the player stands further down the same column
             game.playerY = game.targetY = 9;
             setMonster(0, 3, 5, 64);
         },
     .check =
         [] {
             EXPECT_EQ(game.monsters[0].x, 3);
             EXPECT_EQ(game.monsters[0].y, 6);
         }},
    {.name = "MonsterMovesRightOnEqualColumnsWhenEven",
     .map = {"@#######", "#      #", "#      #", "#      #", "#      #", "#      #", "#      #", "########"},
     .ticks = 16,
     .randBits = "0",
     .setup =
         [] {
             game.playerX = game.targetX = 3;
             game.playerY = game.targetY = 9;
             setMonster(0, 3, 5, 64);
         },
     .check =
         [] {
             EXPECT_EQ(game.monsters[0].x, 4);
             EXPECT_EQ(game.monsters[0].y, 5);
         }},
    {.name = "MonsterStepRightIntoAWallIsRefused",
     .map = {"@#######", "#      #", "#      #", "#      #", "#      #", "#  #   #", "#      #", "########"},
     .ticks = 16,
     .randBits = "0",
     .setup =
         [] {
             game.playerX = game.targetX = 2;
             game.playerY = game.targetY = 9;
             setMonster(0, 2, 5, 64);
         },
     .check =
         [] {
             EXPECT_EQ(game.monsters[0].x, 2);
             EXPECT_EQ(game.monsters[0].step, 0);
         }},
    {.name = "MonsterKillsWhenChoosingTheStepIntoThePlayer",
     .map = {"#.#", "#@#", "###"},
     .ticks = 1,
     .deathTimer = 1,
     .randBits = "1",
     .setup =
         [] {
             setCell(1, 0, TileEmpty);
             setMonster(0, 1, 0, 64);
         },
     .check =
         [] {
             EXPECT_EQ(game.monsters[0].step, 1);
             EXPECT_EQ(game.monsters[0].y, 0);
         }},
    {.name = "WaitingHunterInTheSquareAheadKillsAtOnce",
     .map = {"#@ #", "####"},
     .input = "R1",
     .ticks = 1,
     .deathTimer = 1,
     .setup = [] { setMonster(0, 2, 0, 64, 5, 0); }},
    {.name = "MonsterNotYetHuntingKillsOnlyWhenTheMoveEnds",
     .map = {"#@ #", "####"},
     .input = "R1",
     .ticks = 15,
     .setup = [] { setMonster(0, 2, 0, 40); }},
    {.name = "MonsterNotYetHuntingKillsWhenThePlayerArrives",
     .map = {"#@ #", "####*"},
     .input = "R1",
     .ticks = 16,
     .expect = {"#_@#", "####*"},
     .deathTimer = 1,
     .setup = [] { setMonster(0, 2, 0, 40); }},
    {.name = "HatchingMonsterCannotBeKilled",
     .map = {"#O#@", "#x##", "####"},
     .ticks = 8,
     .expect = {"#O#@", "#x##", "####"},
     .setup = [] { setMonster(0, 1, 1, 5); },
     .check = [] { EXPECT_EQ(game.monsters[0].life, 7); }},
    {.name = "MonstersShareSquaresAndIgnoreEachOther",
     .map = {"@#####", "#    #", "######"},
     .ticks = 16,
     .randBits = "00",
     .setup =
         [] {
             game.playerX = game.targetX = 4;
             game.playerY = game.targetY = 1;
             setMonster(0, 1, 1, 64);
             setMonster(1, 2, 1, 64);
         },
     .check =
         [] {
             EXPECT_EQ(game.monsters[0].x, 2);
             EXPECT_EQ(game.monsters[1].x, 3);
         }},
};

std::string scenarioName(const testing::TestParamInfo<Scenario>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Falling, WorldEngine, testing::ValuesIn(fallingScenarios), scenarioName);
INSTANTIATE_TEST_SUITE_P(Player, WorldEngine, testing::ValuesIn(playerScenarios), scenarioName);
INSTANTIATE_TEST_SUITE_P(Monsters, WorldEngine, testing::ValuesIn(monsterScenarios), scenarioName);

}  // namespace
