// The shipped levels: every level of the set is played from its start through the real
// world engine with its stored solution, tick by tick through the control flags, and must
// end completed with the player alive, whatever the state of nextRandom() and the world phase.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "game/state.h"
#include "tools/common/scratch_home.h"
#include "tools/solver/harness.h"
#include "world/world.h"

namespace {

const std::string LevelDir = std::string(TAVRIN_SOURCE_DIR) + "/assets/levels/";

struct ShippedLevel {
    std::string path;
    std::string text;
    LevelSource source;
    std::vector<SolutionStep> steps;
};

// Completing a main level saves progress: keep that in a folder of our own, and keep the
// global records as the other tests expect them.
class LevelSet : public ::testing::Test {
protected:
    static void SetUpTestSuite() { home = new ScratchHome("tavrin-levels"); }
    static void TearDownTestSuite() {
        delete home;
        home = nullptr;
    }
    void SetUp() override {
        savedGame = game;
        savedProgress = progress;
        std::vector<std::string> paths;
        ASSERT_TRUE(readLevelOrder(LevelDir + "order.txt", paths));
        for (const std::string& p : paths) {
            ShippedLevel level;
            level.path = p;
            std::string sol, error;
            LevelSourceError srcError;
            ASSERT_TRUE(readWholeFile(p, level.text)) << p;
            ASSERT_TRUE(parseLevelSource(level.text, level.source, srcError)) << p << ": " << srcError.message;
            ASSERT_TRUE(readWholeFile(solutionPathFor(p), sol)) << "no solution for " << p;
            ASSERT_TRUE(parseSolution(sol, level.steps, error)) << p << ": " << error;
            levels.push_back(std::move(level));
        }
    }
    void TearDown() override {
        unloadLevel();
        game = savedGame;
        progress = savedProgress;
    }

    static ScratchHome* home;
    std::vector<ShippedLevel> levels;
    GameState savedGame;
    ProgressRecord savedProgress;
};

ScratchHome* LevelSet::home = nullptr;

TEST_F(LevelSet, EverySolutionCompletesItsLevelForAnyRandAndPhase) {
    ASSERT_EQ(levels.size(), 20u);
    const uint32_t seeds[] = {1, 17, 12345};
    for (size_t i = 0; i < levels.size(); ++i) {
        const ShippedLevel& level = levels[i];
        int8_t index = static_cast<int8_t>(static_cast<int>(i) - 4);
        for (uint32_t seed : seeds)
            for (uint8_t phase = 0; phase < 4; ++phase) {
                // The engine's sound effects report themselves on standard output.
                testing::internal::CaptureStdout();
                ReplayState st = replayLevel(level.text, index, level.steps, seed, phase);
                testing::internal::GetCapturedStdout();
                EXPECT_EQ(st.outcome, Outcome::Completed)
                    << level.path << " seed " << seed << " phase " << int(phase) << ": " << outcomeName(st.outcome)
                    << " at step " << st.token << ", tick " << st.ticks << " " << st.detail;
                EXPECT_EQ(game.deathTimer, 0) << level.path;
                EXPECT_EQ(game.diamondsLeft, 0) << level.path;
                EXPECT_EQ(game.targetsLeft, 0) << level.path;
                // Every monster of the set is crushed on the way; none is left to chance.
                for (const MonsterSlot& m : game.monsters) EXPECT_EQ(m.life, 0) << level.path;
                // A main level asks for its picture; a practice level runs on into the next.
                EXPECT_EQ(game.nextMode, index < 0 ? uint8_t(StartLevel) : uint8_t(LevelComplete)) << level.path;
            }
    }
}

// THE LURE also keeps its slow solution, which waits for the monster to climb the shaft
// towards the player: luring must work whatever nextRandom() draws.
TEST_F(LevelSet, LuringTheMonsterUpTheShaftWorksForAnyRand) {
    std::string text, sol, error;
    std::vector<SolutionStep> steps;
    ASSERT_TRUE(readWholeFile(LevelDir + "m03_lure.txt", text));
    ASSERT_TRUE(readWholeFile(LevelDir + "m03_lure_slow.sol", sol));
    ASSERT_TRUE(parseSolution(sol, steps, error)) << error;
    for (uint32_t seed = 1; seed <= 16; ++seed) {
        testing::internal::CaptureStdout();
        ReplayState st = replayLevel(text, 2, steps, seed, static_cast<uint8_t>(seed & 3));
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(st.outcome, Outcome::Completed) << "seed " << seed << ": " << outcomeName(st.outcome);
        for (const MonsterSlot& m : game.monsters) EXPECT_EQ(m.life, 0) << "seed " << seed;
    }
}

// The same solutions from the level file the game embeds, loaded as StartLevel loads a level
// (loadCurrentLevel, tile pictures included): the build turns the sources into exactly the
// levels that were checked.
TEST_F(LevelSet, EmbeddedLevelFileHoldsTheSameLevels) {
    ASSERT_EQ(levels.size(), 20u);
    completeCipherKey();
    ASSERT_EQ(openLevelData(), 0);
    EXPECT_EQ(game.lastLevel, 15);
    for (size_t i = 0; i < levels.size(); ++i) {
        const ShippedLevel& level = levels[i];
        int8_t index = static_cast<int8_t>(static_cast<int>(i) - 4);
        ReplayState st;
        for (uint8_t phase = 0; phase < 4; phase += 3) {
            seedRandom(5);
            game.level = index;
            game.levelLimit = game.lastLevel;
            loadCurrentLevel();
            ASSERT_EQ(mapWidth, level.source.width) << level.path;
            ASSERT_EQ(mapHeight, level.source.height) << level.path;
            EXPECT_EQ(std::string(levelName, strnlen(levelName, 10)), level.source.name) << level.path;
            game.worldPhase = phase;
            game.mode = Play;
            game.nextMode = Play;
            game.modeReady = 1;
            game.fadeLevel = 256;
            testing::internal::CaptureStdout();
            st = replaySteps(level.steps);
            testing::internal::GetCapturedStdout();
            EXPECT_EQ(st.outcome, Outcome::Completed)
                << level.path << " phase " << int(phase) << ": " << outcomeName(st.outcome) << " at step " << st.token;
        }
    }
    closeLevelData();
}

TEST_F(LevelSet, SetCoversTheWholeGame) {
    ASSERT_EQ(levels.size(), 20u);
    std::set<int> colours;
    std::set<int> tiles;
    int largest = 0, smallest = 1 << 20;
    for (const ShippedLevel& level : levels) {
        EXPECT_LE(level.source.name.size(), 10u) << level.path;
        colours.insert(level.source.colour);
        for (uint8_t t : level.source.cells) tiles.insert(t);
        largest = std::max({largest, level.source.width, level.source.height});
        smallest = std::min(smallest, std::max(level.source.width, level.source.height));
    }
    EXPECT_EQ(colours.size(), 8u);
    // One level (DEEP SHAFT) is far taller than the map view, so both views scroll a long way.
    EXPECT_GT(largest, 60);
    EXPECT_LE(smallest, 8);
    // Every object, every walk-through decoration and every kind of wall appears somewhere;
    // only the sprite frames 33..46 and the cracked egg exist without being map squares.
    for (int t = 0; t < 57; ++t) {
        if ((t >= 33 && t <= 47) || t == 30) continue;
        EXPECT_TRUE(tiles.count(t)) << "tile " << t << " is used by no level";
    }
}

}  // namespace

TEST(LevelSolutions, ParsesTokensCountsAndComments) {
    struct Case {
        const char* text;
        bool ok;
        std::string expect;  // formatted back
    };
    const Case cases[] = {
        {"R3 W10 L\n", true, "R3 W10 L\n"},
        {"U # up first\nD2,D", true, "U D3\n"},
        {"W", true, "W4\n"},
        {"", true, "\n"},
        {"R0", false, ""},
        {"Q", false, ""},
        {"R3L", false, ""},
    };
    for (const Case& c : cases) {
        std::vector<SolutionStep> steps;
        std::string error;
        EXPECT_EQ(parseSolution(c.text, steps, error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(formatSolution(steps), c.expect) << c.text;
        }
    }
}

TEST(LevelSolutions, MovesAreTickExactAndBlockedMovesAreReported) {
    const std::string source = "name: T\ncolour: 4\nmap:\n#####\n#@ *#\n#####\n";
    GameState saved = game;
    std::vector<SolutionStep> steps;
    std::string perror;

    // Two moves right take 32 ticks from a phase-0 start, and the second takes the diamond.
    ASSERT_TRUE(parseSolution("R2", steps, perror));
    testing::internal::CaptureStdout();
    ReplayState st = replayLevel(source, -1, steps, 1, 0);
    EXPECT_EQ(st.outcome, Outcome::Completed);
    EXPECT_EQ(st.ticks, 32);
    // From phase 1 the first move waits three ticks for phase 0.
    st = replayLevel(source, -1, steps, 1, 1);
    EXPECT_EQ(st.ticks, 35);

    // A move into the wall cannot start.
    ASSERT_TRUE(parseSolution("U", steps, perror));
    st = replayLevel(source, -1, steps, 1, 0);
    EXPECT_EQ(st.outcome, Outcome::Blocked);

    // A wait runs ticks without input, after the move in progress.
    ASSERT_TRUE(parseSolution("R W10", steps, perror));
    st = replayLevel(source, -1, steps, 1, 0);
    EXPECT_EQ(st.outcome, Outcome::Playing);
    EXPECT_EQ(st.ticks, 26);
    EXPECT_EQ(game.playerX, 2);
    testing::internal::GetCapturedStdout();
    unloadLevel();
    game = saved;
}
