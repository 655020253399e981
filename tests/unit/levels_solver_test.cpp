// The staged search: what it finds must play again through the engine, and when it finds
// nothing it says why.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/state.h"
#include "tools/solver/harness.h"
#include "tools/solver/search.h"
#include "world/world.h"

namespace {

std::vector<SolutionStep> stepsOf(const std::string& path) {
    std::vector<SolutionStep> steps;
    for (char c : path) steps.push_back({c, c == 'W' ? 4 : 1});
    return steps;
}

struct SolveCase {
    const char* what;
    const char* map;
    long budget;
    bool solved;
    const char* failure;  // part of the reason given when nothing is found
};

TEST(StagedSearch, SolvesOrSaysWhyNot) {
    const SolveCase cases[] = {
        {"plain digging", "#######\n#@..*.#\n#.*..*#\n#######\n", 100000, true, ""},
        // The way on is pushed clear: the rock goes into the pit.
        {"rock into a pit", "#######\n#@O .*#\n### ###\n#######\n", 100000, true, ""},
        // The egg cracks in the corridor and its monster walks towards the player: the search
        // plays the monsters' nextRandom() draws, so its way plays again with the same seed.
        {"monster in the way", "#####E####\n#@.......#\n#..*...*.#\n##########\n", 200000, true, ""},
        {"walled off", "#######\n#@..#*#\n#######\n", 100000, false, "every way tried"},
        {"budget", "#######\n#@..*.#\n#.*..*#\n#######\n", 3, false, "more than 3 nodes"},
    };
    for (const SolveCase& c : cases) {
        std::string level = std::string("name: T\ncolour: 4\nmap:\n") + c.map;
        testing::internal::CaptureStdout();
        seedRandom(1);
        bool loaded = startLevel(level, -1, 0);
        SearchOptions opt;
        opt.nodeBudget = c.budget;
        StagedSearch search(opt);
        std::string path;
        bool solved = loaded && search.run(path);
        ReplayState replayed;
        if (solved) replayed = replayLevel(level, -1, stepsOf(path), 1, 0);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(loaded) << c.what;
        EXPECT_EQ(solved, c.solved) << c.what;
        if (solved) {
            EXPECT_EQ(replayed.outcome, Outcome::Completed) << c.what << ": " << path;
            EXPECT_GT(search.nodes(), 0);
        } else {
            EXPECT_NE(search.failure().find(c.failure), std::string::npos) << c.what << ": " << search.failure();
        }
    }
    unloadLevel();
}

// The nearer diamond is taken through the square under a rock, which drops in behind and
// shuts the player in with it: the search must count that state as a dead end, go back and
// take the far diamond first. Keeping only one outcome a stage, it finds that only once it
// starts again keeping more.
TEST(StagedSearch, GoesBackFromADeadEnd) {
    const char* level = "name: T\ncolour: 4\nmap:\n###O#########\n#*..#......*#\n###.@......##\n#############\n";
    for (int32_t keep : {6, 1}) {
        testing::internal::CaptureStdout();
        seedRandom(1);
        bool loaded = startLevel(level, -1, 0);
        SearchOptions opt;
        opt.keepPerStage = keep;
        StagedSearch search(opt);
        std::string path;
        bool solved = loaded && search.run(path);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(loaded);
        EXPECT_TRUE(solved) << keep << ": " << search.failure();
        EXPECT_EQ(search.deadEnds(), 1) << keep;
        // The far diamond (right) is taken before the near one (left, behind the rock).
        EXPECT_LT(path.find('R'), path.find('U')) << keep << ": " << path;
    }
    unloadLevel();
}

}  // namespace
