// The mode machine: fade timing, the switch at the bottom of the fade, request codes and the
// entry state of each mode.
#include <gtest/gtest.h>

#include <unistd.h>

#include "app_harness.h"
#include "store/progress.h"
#include "world/world.h"

namespace {

class ModeMachine : public harness::AppTest {
protected:
    void TearDown() override {
        // Free whatever pictures the mode a test ended in still holds, and the level a
        // StartLevel request loaded (its map and tile sheets).
        if (game.modeReady) leaveMode();
        unloadLevel();
        AppTest::TearDown();
    }
    static void ticks(int n) {
        for (int i = 0; i < n; ++i) gameTick();
    }
    harness::TempHome home;  // EndGame may save progress
};

TEST_F(ModeMachine, FadeOutTakes32TicksAndSwitchesOnThe33rd) {
    harness::enterActive(MainMenu);
    game.menuCursor = 2;
    setMode(About);
    ticks(32);
    EXPECT_EQ(game.mode, MainMenu);
    EXPECT_EQ(game.fadeLevel, 0);
    EXPECT_EQ(game.modeReady, 0);
    ticks(1);
    EXPECT_EQ(game.mode, About);
    EXPECT_EQ(game.modeReady, 1);
    EXPECT_EQ(game.fadeLevel, 0);       // stays black on the switch tick
    EXPECT_EQ(game.modeTicks, 1);       // entered with 0, counted at the end of the tick
    EXPECT_EQ(game.mainMenuCursor, 2);  // leaving the main menu keeps its cursor
    ticks(31);
    EXPECT_EQ(game.fadeLevel, 248);
    ticks(1);
    EXPECT_EQ(game.fadeLevel, 256);
    ticks(1);
    EXPECT_EQ(game.fadeLevel, 256);
}

TEST_F(ModeMachine, NewModesHandlerRunsOnTheSwitchTick) {
    harness::enterActive(MainMenu);
    game.mainMenuCursor = 1;
    setMode(About);
    ticks(32);
    ControlFlags[ControlFire] = FlagPressed;
    harness::StdoutCapture out;
    ticks(1);
    EXPECT_EQ(game.mode, About);
    EXPECT_EQ(game.nextMode, MainMenu);  // About's continue-on-fire already saw the press
    EXPECT_EQ(game.modeReady, 0);
    EXPECT_EQ(out.lines(), std::vector<std::string>{"SndPlay 257"});
    EXPECT_EQ(ControlFlags[ControlFire], 0);  // the pressed bit ends with the tick
}

TEST_F(ModeMachine, LastRequestOfATickWins) {
    harness::enterActive(Died);
    setMode(About);
    setMode(GameOver);
    ticks(33);
    EXPECT_EQ(game.mode, GameOver);
}

TEST_F(ModeMachine, RequestDuringFadeInFadesOutFromThereOn) {
    harness::enterActive(Died);
    setMode(About);
    ticks(33 + 10);  // About has faded in to 80
    EXPECT_EQ(game.fadeLevel, 80);
    setMode(GameOver);
    ticks(10);
    EXPECT_EQ(game.mode, About);
    EXPECT_EQ(game.fadeLevel, 0);
    ticks(1);
    EXPECT_EQ(game.mode, GameOver);
}

TEST_F(ModeMachine, WorldStandsStillWhilePlayFadesInButPressesAreCleared) {
    harness::enterActive(PauseMenu);
    setMode(Play);
    ticks(33);
    ASSERT_EQ(game.mode, Play);
    int32_t before = game.levelTicks;
    ControlFlags[ControlFire] = FlagPressed;
    ticks(1);
    EXPECT_EQ(game.levelTicks, before);
    EXPECT_EQ(ControlFlags[ControlFire], 0);
    EXPECT_EQ(game.nextMode, Play);  // the lost fire press opened no pause menu
}

struct RequestCase {
    const char* name;
    uint8_t request;
    uint8_t lives;
    int32_t score, best;
    int8_t pendingLevel;
    uint8_t mode;  // after the switch
    uint8_t livesAfter;
    int32_t bestAfter;
    bool saved;
};

class Requests : public ModeMachine, public testing::WithParamInterface<RequestCase> {};

TEST_P(Requests, ResolveAtTheSwitch) {
    const RequestCase& c = GetParam();
    harness::enterActive(Play);
    game.lives = c.lives;
    game.score = c.score;
    game.pendingLevel = c.pendingLevel;
    progress.bestScore = c.best;
    setMode(c.request);
    ticks(33);
    EXPECT_EQ(game.mode, c.mode);
    EXPECT_EQ(game.lives, c.livesAfter);
    EXPECT_EQ(+progress.bestScore, c.bestAfter);
    EXPECT_EQ(access(home.file().c_str(), F_OK) == 0, c.saved);
    EXPECT_EQ(quitRequested, c.request == Quit ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Requests,
    testing::Values(RequestCase{"LoseLifeWithLivesLeft", LoseLife, 3, 10, 0, 0, Died, 2, 0, false},
                    // The last life goes straight to the game-over screens, without the Died picture.
                    RequestCase{"LoseLastLifeNewBest", LoseLife, 1, 500, 400, 0, GameOverBest, 0, 500, true},
                    RequestCase{"LoseLastLifeNoBest", LoseLife, 1, 100, 400, 0, GameOver, 0, 400, false},
                    RequestCase{"EndGameEqualScore", EndGame, 4, 400, 400, 0, GameOver, 4, 400, false},
                    RequestCase{"EndGameNewBest", EndGame, 4, 401, 400, 0, GameOverBest, 4, 401, true},
                    RequestCase{"EndGameNegativeBest", EndGame, 4, 0, -5, 0, GameOverBest, 4, 0, true},
                    RequestCase{"StartPracticeLevel", StartLevel, 4, 0, 0, -4, PracticeIntro, 4, 0, false},
                    RequestCase{"StartRealLevel", StartLevel, 4, 0, 0, 0, Play, 4, 0, false},
                    // Quit keeps the request code as the mode until the loop ends.
                    RequestCase{"Quit", Quit, 4, 0, 0, 0, Quit, 4, 0, false}),
    [](const testing::TestParamInfo<RequestCase>& i) { return std::string(i.param.name); });

TEST_F(ModeMachine, StartLevelTakesThePendingLevel) {
    harness::enterActive(PracticeMenu);
    game.pendingLevel = -2;
    setMode(StartLevel);
    ticks(33);
    EXPECT_EQ(game.level, -2);
    EXPECT_EQ(game.mode, PracticeIntro);
}

struct EntryCase {
    const char* name;
    uint8_t mode;
    int8_t level;
    int8_t expectedCursor;
};

class EntryCursor : public ModeMachine, public testing::WithParamInterface<EntryCase> {};

TEST_P(EntryCursor, IsSetByTheSwitch) {
    const EntryCase& c = GetParam();
    harness::enterActive(Died);
    game.menuCursor = 3;
    game.mainMenuCursor = 3;
    game.level = c.level;
    setMode(c.mode);
    ticks(32);
    // The new mode's handler runs on the switch tick too; with no controls set only its
    // bounds apply.
    ticks(1);
    ASSERT_EQ(game.mode, c.mode);
    EXPECT_EQ(game.menuCursor, c.expectedCursor);
}

INSTANTIATE_TEST_SUITE_P(Modes, EntryCursor,
                         testing::Values(EntryCase{"MainMenuKeepsItsCursor", MainMenu, 0, 3},
                                         EntryCase{"PauseMenuOpensOnResume", PauseMenu, 0, 2},
                                         EntryCase{"LevelSelectOnTheLevel", LevelSelect, 3, 0},
                                         EntryCase{"LevelSelectAfterPractice", LevelSelect, -3, 0},
                                         EntryCase{"PracticeMenu", PracticeMenu, 0, 0},
                                         EntryCase{"Credits", Credits, 0, 0}),
                         [](const testing::TestParamInfo<EntryCase>& i) { return std::string(i.param.name); });

TEST_F(ModeMachine, LevelSelectEntryCursorIsTheCurrentLevel) {
    harness::enterActive(Died);
    progress.levelReached = 5;
    game.lastLevel = 9;
    game.level = 3;
    setMode(LevelSelect);
    ticks(33);
    EXPECT_EQ(game.menuCursor, 3);
}

TEST_F(ModeMachine, MapViewIsCentredOnThePlayer) {
    harness::enterActive(PauseMenu);
    game.playerX = 7;
    game.playerY = 2;
    setMode(MapView);
    ticks(33);
    EXPECT_EQ(game.mapViewX, 60);
    EXPECT_EQ(game.mapViewY, 20);
}

TEST_F(ModeMachine, StartWorldRequestsTheSplashAndTheSplashEndsByItself) {
    startWorld();
    EXPECT_EQ(game.mode, MainMenu);
    EXPECT_EQ(game.nextMode, Splash);
    EXPECT_EQ(game.modeReady, 0);
    EXPECT_EQ(game.fadeLevel, 0);
    EXPECT_EQ(game.mainMenuCursor, 1);
    enterMode();
    // The first tick switches at once; leaving the main menu stores its cursor 0.
    ticks(1);
    EXPECT_EQ(game.mode, Splash);
    EXPECT_EQ(game.mainMenuCursor, 0);
    ticks(199);
    EXPECT_EQ(game.modeReady, 1);
    ticks(1);  // the 201st tick of the mode
    EXPECT_EQ(game.modeReady, 0);
    EXPECT_EQ(game.nextMode, MainMenu);
    ticks(32);
    harness::StdoutCapture out;
    ticks(1);
    EXPECT_EQ(game.mode, MainMenu);
    // The main menu pulls the cursor 0 up to its first entry, silently.
    EXPECT_EQ(game.menuCursor, 1);
    EXPECT_TRUE(out.lines().empty());
    stopWorld();
}

}  // namespace
