// Respawn traps: a player put back on the start square after losing a life, in the world as
// it stands, must be able to stay alive. The check replays a solution and searches, at every
// move boundary, for inputs that survive two seconds from the start square.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/state.h"
#include "tools/solver/harness.h"
#include "tools/solver/respawn.h"
#include "tools/solver/search.h"
#include "world/world.h"

namespace {

// The egg falls into the start pocket and cracks; the player leaves through the earth under
// the rock, which drops in behind and shuts the monster in with the start square, then waits
// for it to come out before taking the diamond. Without the egg the pocket stays empty.
const char* const Pocket = "name: POCKET\ncolour: 4\nmap:\n##E#O#####\n#@  .  *##\n## #######\n##########\n";
const char* const EmptyPocket = "name: POCKET\ncolour: 4\nmap:\n####O#####\n#@  .  *##\n## #######\n##########\n";
const char* const PocketSolution = "W8 R5 W300 R";

TEST(RespawnTraps, CountsTheStatesWhereTheStartSquareIsDeadly) {
    struct Case {
        const char* level;
        bool trapped;
    };
    const Case cases[] = {{Pocket, true}, {EmptyPocket, false}};
    for (const Case& c : cases) {
        std::vector<SolutionStep> steps;
        std::string error;
        ASSERT_TRUE(parseSolution(PocketSolution, steps, error));
        RespawnReport report;
        testing::internal::CaptureStdout();
        bool completes = checkRespawns(c.level, steps, report, error);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(completes) << error;
        // Every move, and every falling cycle of the waits: 2 + 5 + 75 + 1.
        EXPECT_EQ(report.states, 83);
        EXPECT_EQ(report.undecided, 0);
        if (!c.trapped) {
            EXPECT_EQ(report.trapped, 0);
            EXPECT_EQ(report.firstMoves, -1);
            continue;
        }
        // Once the monster walks, it stands between the start square and the way out.
        EXPECT_GT(report.trapped, 0);
        EXPECT_LT(report.trapped, report.states);
        EXPECT_EQ(report.firstMoves, 5);
        EXPECT_NE(report.firstMap.find("  1 #@  O  *##\n"), std::string::npos) << report.firstMap;
        EXPECT_NE(report.firstMap.find('M'), std::string::npos) << report.firstMap;
    }
    unloadLevel();
}

// Off the solution's way: breadth first play from the start meets the monster in the pocket
// too, and names the way there.
TEST(RespawnTraps, ExploringFindsTrapsOffTheSolution) {
    struct Case {
        const char* level;
        bool trapped;
    };
    const Case cases[] = {{Pocket, true}, {EmptyPocket, false}};
    for (const Case& c : cases) {
        RespawnReport report;
        std::string error;
        testing::internal::CaptureStdout();
        bool loaded = exploreRespawns(c.level, 20000, report, error);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(loaded) << error;
        EXPECT_GT(report.states, 20);
        EXPECT_EQ(report.trapped > 0, c.trapped);
        if (c.trapped) {
            EXPECT_NE(report.firstMap.find('M'), std::string::npos) << report.firstMap;
            // The way there leaves the pocket: the rock has dropped in behind.
            EXPECT_NE(report.firstPath.find('R'), std::string::npos) << report.firstPath;
        }
    }
    unloadLevel();
}

// A rock is on its way down onto the start square: standing still is death. From high up the
// search finds the step aside (or up under the rock, which then no longer falls); one square
// above the start it lands before any move can start.
TEST(RespawnTraps, SurvivalSearchStepsAsideFromAFallingRock) {
    struct Case {
        int shaft;  // empty squares between the rock and the start square
        bool survives;
    };
    const Case cases[] = {{5, true}, {1, false}};
    for (const Case& c : cases) {
        std::string level = "name: SHAFT\ncolour: 4\nmap:\n#O##\n";
        for (int i = 0; i < c.shaft; ++i) level += "# ##\n";
        level += "#@ #\n####\n";
        testing::internal::CaptureStdout();
        seedRandom(1);
        bool loaded = startLevel(level, -1, 0);
        SearchSnapshot start = saveSnapshot();
        ReplayState still;
        playWait(RespawnSurvivalTicks, still);
        restoreSnapshot(start);
        long nodes = 0;
        bool undecided = false;
        bool survives = canSurvive(RespawnSurvivalTicks, 100000, nodes, undecided);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(loaded);
        EXPECT_EQ(still.outcome, Outcome::Died) << c.shaft;
        EXPECT_EQ(survives, c.survives) << c.shaft;
        EXPECT_FALSE(undecided);
        EXPECT_GE(nodes, 5);
        // The search leaves the engine where it found it.
        EXPECT_EQ(game.playerX, 1);
        EXPECT_EQ(game.playerY, c.shaft + 1);
        EXPECT_EQ(game.levelTicks, 0);
        EXPECT_EQ(0, std::memcmp(map, start.cells.data(), start.cells.size()));
    }
    unloadLevel();
}

// The respawn is the game's: the player's square empties and the start square holds the
// player again, standing, alive; the world around stays as it was.
TEST(RespawnTraps, RespawnPutsThePlayerBackAsALostLifeDoes) {
    testing::internal::CaptureStdout();
    seedRandom(1);
    ASSERT_TRUE(startLevel(EmptyPocket, -1, 0));
    std::vector<SolutionStep> steps;
    std::string error;
    ASSERT_TRUE(parseSolution("R4 W4", steps, error));
    ReplayState st = replaySteps(steps);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(st.outcome, Outcome::Playing);
    game.deathTimer = 5;
    respawnPlayer();
    EXPECT_EQ(getCell(5, 1), TileEmpty);
    EXPECT_EQ(getCell(1, 1), TilePlayer);
    EXPECT_EQ(game.playerX, 1);
    EXPECT_EQ(game.targetX, 1);
    EXPECT_EQ(game.moveDir, 0);
    EXPECT_EQ(game.deathTimer, 0);
    // The rock that dropped in behind the player stays where it fell.
    EXPECT_EQ(getCell(4, 0), TileEmpty);
    EXPECT_EQ(getCell(4, 1), TileRock);
    unloadLevel();
}

// A search that goes back to a saved state sees the same random draws again.
TEST(RespawnTraps, SnapshotsCarryTheRandomSequence) {
    testing::internal::CaptureStdout();
    seedRandom(7);
    ASSERT_TRUE(startLevel(EmptyPocket, -1, 0));
    SearchSnapshot s = saveSnapshot();
    const int32_t a = nextRandom(), b = nextRandom();
    restoreSnapshot(s);
    EXPECT_EQ(nextRandom(), a);
    EXPECT_EQ(nextRandom(), b);
    testing::internal::GetCapturedStdout();
    unloadLevel();
}

}  // namespace
