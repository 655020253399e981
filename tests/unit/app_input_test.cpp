// Keys, stylus and focus as the window system delivers them: queued on the offscreen back
// end and handed to the window by the real processEvents.
#include <gtest/gtest.h>

#include "app_harness.h"

namespace {

class Input : public harness::AppTest {
protected:
    static void deliver() { appHandles.application->processEvents(); }
    // The play screen, but still fading in so that the world does not move under the test.
    static void playFadingIn() {
        harness::enterActive(Play);
        game.fadeLevel = 0;
    }
    static std::vector<int> flags() { return std::vector<int>(ControlFlags, ControlFlags + 5); }
};

struct KeyCase {
    int key;
    int control;  // -1: not in the table
};

class KeyTable : public Input, public testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTable, PressSetsHeldAndPressedReleaseClearsHeld) {
    const KeyCase& c = GetParam();
    harness::DebugLog log;
    offscreenQueueKey(c.key, true);
    deliver();
    std::vector<int> expected(5, 0);
    if (c.control >= 0) expected[c.control] = FlagHeld | FlagPressed;
    EXPECT_EQ(flags(), expected);
    offscreenQueueKey(c.key, false);
    deliver();
    if (c.control >= 0) expected[c.control] = FlagPressed;  // the press waits for the next tick
    EXPECT_EQ(flags(), expected);
    char press[64];
    snprintf(press, sizeof press, "tavrinWidget::keyPressEvent %i", c.key);
    EXPECT_EQ(log.count(press), 1);
    EXPECT_EQ(log.count("tavrinWindow::keyReleaseEvent"), 1);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyTable,
                         testing::Values(KeyCase{Key_Up, ControlUp}, KeyCase{Key_Down, ControlDown},
                                         KeyCase{Key_Left, ControlLeft}, KeyCase{Key_Right, ControlRight},
                                         KeyCase{Key_Space, ControlFire}, KeyCase{Key_Enter, ControlFire},
                                         KeyCase{Key_F33, ControlFire}, KeyCase{Key_Escape, -1},
                                         KeyCase{Key_Return, -1}));

TEST_F(Input, HeldKeyPressesOnceAndAgainOnEachAutoRepeat) {
    harness::enterActive(MainMenu);
    game.menuCursor = 1;
    offscreenQueueKey(Key_Down, true);
    harness::onePass();
    EXPECT_EQ(game.menuCursor, 2);
    EXPECT_EQ(ControlFlags[ControlDown], FlagHeld);  // held, the press used up by the tick
    harness::onePass();
    EXPECT_EQ(game.menuCursor, 2);
    // Auto-repeat arrives as a release-and-press pair: a new edge, one more step.
    offscreenQueueKey(Key_Down, false, true);
    offscreenQueueKey(Key_Down, true, true);
    harness::onePass();
    EXPECT_EQ(game.menuCursor, 3);
    offscreenQueueKey(Key_Down, false);
    harness::onePass();
    EXPECT_EQ(ControlFlags[ControlDown], 0);
}

TEST_F(Input, StylusBitOnTheSameControlGivesNoPressedEdge) {
    playFadingIn();
    offscreenQueuePen(PenPress, 120, 40);
    harness::onePass();
    EXPECT_EQ(ControlFlags[ControlUp], FlagStylus);
    offscreenQueueKey(Key_Up, true);
    deliver();
    EXPECT_EQ(ControlFlags[ControlUp], FlagStylus | FlagHeld);
}

TEST_F(Input, StylusPadInPlayFollowsThePen) {
    playFadingIn();
    harness::DebugLog log;
    offscreenQueuePen(PenPress, 120, 40);
    deliver();
    EXPECT_EQ(flags(), (std::vector<int>{FlagStylus | FlagPressed, 0, 0, 0, 0}));
    EXPECT_EQ(stylusTapX, 120);
    EXPECT_EQ(stylusTapY, 40);
    EXPECT_EQ(stylusDown, 1);
    offscreenQueuePen(PenMove, 190, 120);
    deliver();
    // The up pad lets go of its stylus bit; the press stays for the tick.
    EXPECT_EQ(flags(), (std::vector<int>{FlagPressed, 0, 0, FlagStylus, 0}));
    EXPECT_EQ(stylusTapX, 120);  // a move is no tap
    offscreenQueuePen(PenRelease, 190, 120);
    deliver();
    EXPECT_EQ(flags(), (std::vector<int>{FlagPressed, 0, 0, 0, 0}));
    EXPECT_EQ(stylusDown, 0);
    EXPECT_EQ(stylusLastX, -1);
    EXPECT_EQ(stylusLastY, -1);
    EXPECT_EQ(log.count("tavrinWidget::mousePressEvent"), 1);
    EXPECT_EQ(log.count("tavrinWidget::mouseMoveEvent"), 1);
    EXPECT_EQ(log.count("tavrinWidget::mouseReleaseEvent"), 1);
}

struct PadCase {
    const char* name;
    int x, y;
    int control;  // -1: no direction
};

class StylusPads : public Input, public testing::WithParamInterface<PadCase> {};

TEST_P(StylusPads, PressPicksTheTriangle) {
    const PadCase& c = GetParam();
    playFadingIn();
    offscreenQueuePen(PenPress, c.x, c.y);
    deliver();
    std::vector<int> expected(5, 0);
    if (c.control >= 0) expected[c.control] = FlagStylus | FlagPressed;
    EXPECT_EQ(flags(), expected);
    EXPECT_EQ(stylusTapX, c.x);  // every press is a tap, direction or not
    EXPECT_EQ(stylusTapY, c.y);
    offscreenQueuePen(PenRelease, c.x, c.y);
    deliver();
}

INSTANTIATE_TEST_SUITE_P(
    Points, StylusPads,
    testing::Values(PadCase{"ViewUp", 120, 40, ControlUp}, PadCase{"ViewLeft", 41, 120, ControlLeft},
                    PadCase{"ViewRight", 199, 120, ControlRight}, PadCase{"ViewDown", 120, 199, ControlDown},
                    PadCase{"ViewDiagonalGoesLeft", 60, 60, ControlLeft},
                    PadCase{"ViewDiagonalGoesDown", 160, 160, ControlDown},
                    PadCase{"ViewAntiDiagonalGoesLeft", 100, 139, ControlLeft},
                    PadCase{"ViewAntiDiagonalGoesUp", 139, 100, ControlUp}, PadCase{"DeadCentre", 115, 120, -1},
                    PadCase{"DeadCentreCorner", 127, 112, -1}, PadCase{"ViewOutside", 39, 120, -1},
                    PadCase{"BetweenPads", 120, 220, -1}, PadCase{"PanelUp", 120, 250, ControlUp},
                    PadCase{"PanelLeft", 90, 280, ControlLeft}, PadCase{"PanelRight", 150, 280, ControlRight},
                    PadCase{"PanelDown", 120, 314, ControlDown}, PadCase{"PanelOutside", 84, 280, -1},
                    PadCase{"ScreenCorner", 239, 319, -1}),
    [](const testing::TestParamInfo<PadCase>& i) { return std::string(i.param.name); });

TEST_F(Input, PressOutsidePlayOnlyRecordsTheTap) {
    harness::enterActive(MainMenu);
    ControlFlags[ControlLeft] = FlagStylus;  // left over from play
    offscreenQueuePen(PenPress, 120, 40);
    deliver();
    EXPECT_EQ(flags(), std::vector<int>(5, 0));
    EXPECT_EQ(stylusTapX, 120);
    EXPECT_EQ(stylusTapY, 40);
}

TEST_F(Input, MovesWhileThePenIsUpAreIgnored) {
    harness::enterActive(MapView);
    game.mapViewX = 100;
    offscreenQueuePen(PenMove, 50, 50);
    deliver();
    EXPECT_EQ(game.mapViewX, 100);
    EXPECT_EQ(stylusLastX, 0);
}

TEST_F(Input, MapFollowsThePenOnceFadedIn) {
    harness::enterActive(MapView);
    game.mapViewX = 100;
    game.mapViewY = 100;
    offscreenQueuePen(PenPress, 50, 60);
    offscreenQueuePen(PenMove, 60, 60);
    offscreenQueuePen(PenMove, 60, 55);
    deliver();
    EXPECT_EQ(game.mapViewX, 90);
    EXPECT_EQ(game.mapViewY, 105);
    // During the fade-in drags are ignored.
    game.fadeLevel = 200;
    offscreenQueuePen(PenMove, 80, 80);
    deliver();
    EXPECT_EQ(game.mapViewX, 90);
    EXPECT_EQ(game.mapViewY, 105);
    offscreenQueuePen(PenRelease, 80, 80);
    deliver();
}

TEST_F(Input, FocusLossHidesAndFocusGainRestoresFullScreen) {
    QMainWindow* w = appHandles.window;
    ASSERT_TRUE(w->isVisible());
    offscreenQueueFocus(false);
    deliver();
    EXPECT_FALSE(w->isVisible());
    // The loop and the ticks go on while hidden.
    harness::enterActive(GameOver);
    EXPECT_EQ(harness::onePass(), 1);
    offscreenQueueFocus(true);
    deliver();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isActiveWindow());
    EXPECT_EQ(w->width(), QApplication::desktop()->width());
    EXPECT_EQ(w->height(), QApplication::desktop()->height());
}

}  // namespace
