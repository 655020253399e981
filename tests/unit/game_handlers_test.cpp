// The mode handlers driven the way a player drives them: keys and taps queued on the
// offscreen back end, one loop pass (one tick) per group of key taps.
#include <gtest/gtest.h>

#include "app_harness.h"

namespace {

constexpr int NoCheck = -100;
constexpr int NoRequest = 255;

struct HandlerCase {
    const char* name;
    uint8_t mode;
    int8_t cursor;
    uint8_t levelReached, lastLevel;
    int32_t modeTicks;
    int8_t level;
    // One string per tick; U D L R are the cursor keys, S Space, E Enter, X the F33 key.
    std::vector<std::string> ticks;
    int cursorAfter;   // NoCheck to skip
    int request;       // NoRequest: no mode change requested
    int pendingLevel;  // NoCheck to skip
    std::vector<std::string> sounds;
};

int keyFor(char c) {
    switch (c) {
    case 'U': return Key_Up;
    case 'D': return Key_Down;
    case 'L': return Key_Left;
    case 'R': return Key_Right;
    case 'S': return Key_Space;
    case 'E': return Key_Enter;
    default: return Key_F33;
    }
}

class Handlers : public harness::AppTest, public testing::WithParamInterface<HandlerCase> {};

TEST_P(Handlers, React) {
    const HandlerCase& c = GetParam();
    harness::enterActive(c.mode);
    game.menuCursor = c.cursor;
    game.modeTicks = c.modeTicks;
    game.level = c.level;
    game.score = 999;
    game.lives = 1;
    progress.levelReached = c.levelReached;
    game.lastLevel = c.lastLevel;
    harness::StdoutCapture out;
    std::vector<std::string> ticks = c.ticks.empty() ? std::vector<std::string>{""} : c.ticks;
    for (const std::string& keys : ticks) {
        for (char k : keys) harness::tapKey(keyFor(k));
        ASSERT_EQ(harness::onePass(), 1);
    }
    EXPECT_EQ(out.lines(), c.sounds);
    if (c.cursorAfter != NoCheck) {
        EXPECT_EQ(game.menuCursor, c.cursorAfter);
    }
    if (c.request == NoRequest) {
        EXPECT_EQ(game.modeReady, 1);
    } else {
        EXPECT_EQ(game.modeReady, 0);
        EXPECT_EQ(game.nextMode, c.request);
    }
    if (c.pendingLevel != NoCheck) {
        // A new game: fresh score and lives.
        EXPECT_EQ(game.pendingLevel, c.pendingLevel);
        EXPECT_EQ(game.score, 0);
        EXPECT_EQ(game.lives, 4);
    }
}

const std::string s255 = "SndPlay 255", s257 = "SndPlay 257";

INSTANTIATE_TEST_SUITE_P(
    Modes, Handlers,
    testing::Values(
        HandlerCase{
            "MainDownThreeTimes", MainMenu, 1, 0, 0, 0, 0, {"D", "D", "D"}, 4, NoRequest, NoCheck, {s255, s255, s255}},
        HandlerCase{"MainUpAtTheTopIsSilent", MainMenu, 1, 0, 0, 0, 0, {"U"}, 1, NoRequest, NoCheck, {}},
        HandlerCase{"MainDownAtTheBottomIsSilent", MainMenu, 4, 0, 0, 0, 0, {"D"}, 4, NoRequest, NoCheck, {}},
        HandlerCase{"MainCursorZeroShowsTheFirstEntry", MainMenu, 0, 0, 0, 0, 0, {}, 1, NoRequest, NoCheck, {}},
        HandlerCase{"MainDownWinsOverUp", MainMenu, 2, 0, 0, 0, 0, {"UD"}, 3, NoRequest, NoCheck, {s255}},
        HandlerCase{"MainPlay", MainMenu, 1, 0, 0, 0, 0, {"S"}, 1, LevelSelect, NoCheck, {s257}},
        HandlerCase{"MainPractice", MainMenu, 2, 0, 0, 0, 0, {"E"}, 2, PracticeMenu, NoCheck, {s257}},
        HandlerCase{"MainAbout", MainMenu, 3, 0, 0, 0, 0, {"X"}, 3, About, NoCheck, {s257}},
        HandlerCase{"MainQuitIsSilent", MainMenu, 4, 0, 0, 0, 0, {"S"}, 4, Quit, NoCheck, {}},
        HandlerCase{"PauseToMainMenu",
                    PauseMenu,
                    2,
                    0,
                    0,
                    0,
                    0,
                    {"U", "U", "U", "S"},
                    0,
                    MainMenu,
                    NoCheck,
                    {s255, s255, s257}},
        HandlerCase{"PauseResume", PauseMenu, 2, 0, 0, 0, 0, {"S"}, 2, Play, NoCheck, {s257}},
        HandlerCase{"PauseMapView", PauseMenu, 2, 0, 0, 0, 0, {"D", "D", "S"}, 3, MapView, NoCheck, {s255, s257}},
        HandlerCase{"SelectNothingOpenUpWraps", LevelSelect, 0, 0, 5, 0, 0, {"U"}, 0, NoRequest, NoCheck, {s255}},
        HandlerCase{"SelectNothingOpenDownWraps", LevelSelect, 0, 0, 5, 0, 0, {"D"}, 0, NoRequest, NoCheck, {s255}},
        HandlerCase{"SelectUpFromFirstGoesToLast", LevelSelect, 0, 5, 9, 0, 0, {"U"}, 5, NoRequest, NoCheck, {s255}},
        HandlerCase{"SelectDownFromLastGoesToFirst", LevelSelect, 5, 5, 9, 0, 0, {"D"}, 0, NoRequest, NoCheck, {s255}},
        HandlerCase{"SelectCappedByTheLastLevel", LevelSelect, 0, 9, 3, 0, 0, {"U"}, 3, NoRequest, NoCheck, {s255}},
        HandlerCase{"SelectStartsAGame", LevelSelect, 1, 5, 9, 0, 0, {"D", "S"}, 2, StartLevel, 2, {s255, s257}},
        HandlerCase{"PracticeFirst", PracticeMenu, 0, 0, 0, 0, 0, {"S"}, 0, StartLevel, -4, {s257}},
        HandlerCase{"PracticeLast", PracticeMenu, 3, 0, 0, 0, 0, {"S"}, 3, StartLevel, -1, {s257}},
        HandlerCase{"PracticeBackNoWrap",
                    PracticeMenu,
                    2,
                    0,
                    0,
                    0,
                    0,
                    {"D", "D", "D", "S"},
                    4,
                    MainMenu,
                    NoCheck,
                    {s255, s255, s257}},
        HandlerCase{"SplashFireIsSilent", Splash, 0, 0, 0, 5, 0, {"S"}, NoCheck, MainMenu, NoCheck, {}},
        HandlerCase{"SplashWaits", Splash, 0, 0, 0, 199, 0, {}, NoCheck, NoRequest, NoCheck, {}},
        HandlerCase{"SplashEndsByItself", Splash, 0, 0, 0, 200, 0, {}, NoCheck, MainMenu, NoCheck, {}},
        HandlerCase{"DiedContinues", Died, 0, 0, 0, 0, 0, {"S"}, NoCheck, Play, NoCheck, {s257}},
        HandlerCase{"PracticeIntroContinues", PracticeIntro, 0, 0, 0, 0, -4, {"E"}, NoCheck, Play, NoCheck, {s257}},
        HandlerCase{"GameOverToMenu", GameOver, 0, 0, 0, 0, 0, {"X"}, NoCheck, MainMenu, NoCheck, {s257}},
        HandlerCase{"GameOverBestToMenu", GameOverBest, 0, 0, 0, 0, 0, {"S"}, NoCheck, MainMenu, NoCheck, {s257}},
        HandlerCase{"AboutToMenu", About, 0, 0, 0, 0, 0, {"S"}, NoCheck, MainMenu, NoCheck, {s257}},
        HandlerCase{"AboutIgnoresCursorKeys", About, 0, 0, 0, 0, 0, {"UDLR"}, NoCheck, NoRequest, NoCheck, {}},
        HandlerCase{"GameCompleteWaits", GameComplete, 0, 0, 0, 199, 3, {"S"}, NoCheck, NoRequest, NoCheck, {}},
        HandlerCase{"GameCompleteToCredits", GameComplete, 0, 0, 0, 200, 3, {"S"}, NoCheck, Credits, NoCheck, {}},
        HandlerCase{"CreditsWait", Credits, 0, 0, 0, 99, 0, {"S"}, NoCheck, NoRequest, NoCheck, {}},
        HandlerCase{"CreditsEndTheGame", Credits, 0, 0, 0, 100, 0, {"S"}, NoCheck, EndGame, NoCheck, {}},
        HandlerCase{"LevelCompleteWaits", LevelComplete, 0, 0, 5, 49, 1, {"S"}, NoCheck, NoRequest, NoCheck, {}},
        HandlerCase{
            "LevelCompleteNextLevel", LevelComplete, 0, 0, 5, 50, 1, {"S"}, NoCheck, StartLevel, NoCheck, {s257}},
        HandlerCase{
            "LevelCompleteAfterTheLast", LevelComplete, 0, 0, 5, 50, 5, {"S"}, NoCheck, GameComplete, NoCheck, {}},
        HandlerCase{"MapViewBackToPlay", MapView, 0, 0, 0, 0, 0, {"S"}, NoCheck, Play, NoCheck, {s257}}),
    [](const testing::TestParamInfo<HandlerCase>& i) { return std::string(i.param.name); });

class HandlerEvents : public harness::AppTest {};

TEST_F(HandlerEvents, GameCompleteAndCreditsResetTheLevel) {
    for (uint8_t m : {GameComplete, Credits}) {
        harness::enterActive(m);
        game.level = 7;
        game.modeTicks = 300;
        harness::tapKey(Key_Space);
        harness::onePass();
        EXPECT_EQ(game.level, 0) << int(m);
    }
}

TEST_F(HandlerEvents, LevelCompleteTakesATapAnywhere) {
    harness::enterActive(LevelComplete);
    game.lastLevel = 5;
    game.level = 2;
    game.modeTicks = 49;
    // A tap too early is ignored and forgotten with the next frame.
    offscreenQueuePen(PenPress, 3, 3);
    offscreenQueuePen(PenRelease, 3, 3);
    harness::onePass();
    EXPECT_EQ(game.modeReady, 1);
    harness::onePass();
    EXPECT_EQ(game.modeReady, 1);
    offscreenQueuePen(PenPress, 3, 3);
    offscreenQueuePen(PenRelease, 3, 3);
    harness::StdoutCapture out;
    harness::onePass();
    EXPECT_EQ(out.lines(), std::vector<std::string>{"SndPlay 257"});
    EXPECT_EQ(game.nextMode, StartLevel);
    EXPECT_EQ(game.pendingLevel, 3);
}

TEST_F(HandlerEvents, PauseGiveUpReturnsToPlayAtOnce) {
    harness::enterActive(PauseMenu);
    game.menuCursor = 2;
    game.modeTicks = 40;
    harness::StdoutCapture out;
    harness::tapKey(Key_Up);
    harness::onePass();
    harness::tapKey(Key_Space);
    harness::onePass();
    // No select sound and no fade: the play screen is back at full brightness.
    EXPECT_EQ(out.lines(), std::vector<std::string>{"SndPlay 255"});
    EXPECT_EQ(game.mode, Play);
    EXPECT_EQ(game.modeReady, 1);
    EXPECT_EQ(game.fadeLevel, 256);
    EXPECT_EQ(game.deathTimer, 1);
    EXPECT_EQ(game.modeTicks, 42);  // not reset
}

TEST_F(HandlerEvents, MapViewScrollsWhileKeysAreHeld) {
    // Ticks without frames: the map view screen would keep the view inside the (empty) map.
    auto tick = [] {
        appHandles.application->processEvents();
        gameTick();
    };
    harness::enterActive(MapView);
    game.mapViewX = 100;
    game.mapViewY = 100;
    offscreenQueueKey(Key_Up, true);
    offscreenQueueKey(Key_Left, true);
    for (int i = 0; i < 3; ++i) tick();
    EXPECT_EQ(game.mapViewX, 94);
    EXPECT_EQ(game.mapViewY, 94);
    offscreenQueueKey(Key_Up, false);
    offscreenQueueKey(Key_Right, true);  // left and right together cancel out
    tick();
    EXPECT_EQ(game.mapViewX, 94);
    EXPECT_EQ(game.mapViewY, 94);
    offscreenQueueKey(Key_Left, false);
    offscreenQueueKey(Key_Right, false);
    tick();
    EXPECT_EQ(game.mapViewX, 94);
    EXPECT_EQ(game.modeReady, 1);
}

TEST_F(HandlerEvents, KeyPressedAndReleasedBetweenTicksStillCounts) {
    harness::enterActive(MainMenu);
    game.menuCursor = 1;
    harness::tapKey(Key_Down);
    EXPECT_EQ(harness::onePass(), 1);
    EXPECT_EQ(game.menuCursor, 2);
    EXPECT_EQ(ControlFlags[ControlDown], 0);
}

}  // namespace
