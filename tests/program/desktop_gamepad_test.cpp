// A game controller and a touch screen play the real program in its desktop window on the
// private X server. SDL's virtual joystick and finger events stand in for the hardware, so
// the program runs in a process of the test's own (its start-up, loop passes and shutdown,
// exactly as main runs them).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include "app/app.h"
#include "game/state.h"
#include "platform/desktop.h"
#include "platform/offscreen.h"
#include "tests/program/harness.h"

using namespace program;

namespace {

// In the program's process. Runs loop passes until done() or about 20 s of them.
template <typename F>
bool passUntil(F done) {
    for (int i = 0; i < 5000; i++) {
        if (done()) return true;
        loopPass();
    }
    return done();
}

int countDebug(const std::string& needle) {
    int n = 0;
    for (const std::string& l : offscreenDebugLines()) n += l.find(needle) != std::string::npos;
    return n;
}

[[noreturn]] void fail(const char* what) {
    fprintf(stderr, "gamepad: %s (mode %d, cursor %d)\n", what, int(game.mode), int(game.menuCursor));
    _exit(1);
}

bool menuReady() { return game.mode == MainMenu && game.modeReady == 1; }

// Holds a pad button until the cursor is at `to`, then lets it go.
void step(PadButton b, int to) {
    desktopVirtualPadButton(b, true);
    if (!passUntil([&] { return game.menuCursor == to; })) fail("the cursor did not move");
    desktopVirtualPadButton(b, false);
    passUntil([&] { return ControlFlags[b == PadButton::Up ? ControlUp : ControlDown] == 0; });
}

// Starts the program in this (child) process on the display, in a 240 x 320 window.
void startProgram(const std::string& display, const std::string& dir) {
    setenv("DISPLAY", display.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    if (chdir(dir.c_str()) != 0) _exit(126);
    std::string log = dir + "/debug.log";
    static std::string a0 = "tavrin", a1 = "-zoom", a2 = "1", a3 = "-debuglog";
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), log.data(), nullptr};
    if (tavrinStart(5, argv) != 0) fail("no start");
    offscreenRecordDebug(true);
}

// Quits through the main menu's last entry: the game ends the usual way (exit status 0).
[[noreturn]] void quitByPad(PadButton fire) {
    desktopVirtualPadButton(fire, true);
    passUntil([] { return quitRequested != 0; });
    if (quitRequested == 0) fail("no quit");
    tavrinShutdown();
}

// The controller's scenario.
[[noreturn]] void playWithThePad(const std::string& display, const std::string& dir) {
    startProgram(display, dir);
    if (desktopAttachVirtualPad() != 0) fail("no virtual pad");
    if (!passUntil([] { return countDebug("layer: game controller 'Tavrin test pad'") == 1; }))
        fail("the controller was not seen");
    // A on the splash goes to the main menu.
    desktopVirtualPadButton(PadButton::A, true);
    if (!passUntil([] { return countDebug("tavrinWidget::keyPressEvent 4176") == 1; }))
        fail("A did not reach the game");
    desktopVirtualPadButton(PadButton::A, false);
    if (!passUntil(menuReady)) fail("no main menu");
    // The d-pad steps once per press, and so does the stick past its dead zone.
    step(PadButton::Down, 2);
    step(PadButton::Up, 1);
    desktopVirtualPadStick(0, 30000);
    if (!passUntil([] { return game.menuCursor == 2; })) fail("the stick did not move the cursor");
    desktopVirtualPadStick(0, 5000);  // inside the dead zone: let go
    passUntil([] { return ControlFlags[ControlDown] == 0; });
    // Held down, the d-pad repeats like a held key: the cursor runs on to Quit.
    desktopVirtualPadButton(PadButton::Down, true);
    if (!passUntil([] { return game.menuCursor == 4 && countDebug("tavrinWindow::keyReleaseEvent") >= 6; }))
        fail("a held d-pad did not repeat");
    desktopVirtualPadButton(PadButton::Down, false);
    // Start is fire too.
    quitByPad(PadButton::Start);
}

// One finger is the stylus; a second one while it is down is ignored.
[[noreturn]] void touchTheScreen(const std::string& display, const std::string& dir) {
    startProgram(display, dir);
    if (!passUntil(menuReady)) fail("no main menu");
    // Away from the menu's entries: (30, 260) and (216, 288) of the screen.
    desktopTouch(TouchKind::Down, 7, 30.5f / 240, 260.5f / 320);
    desktopTouch(TouchKind::Down, 8, 0.5f, 0.5f);
    desktopTouch(TouchKind::Move, 8, 0.6f, 0.6f);
    desktopTouch(TouchKind::Move, 7, 216.5f / 240, 288.5f / 320);
    desktopTouch(TouchKind::Up, 8, 0.6f, 0.6f);
    desktopTouch(TouchKind::Up, 7, 216.5f / 240, 288.5f / 320);
    if (!passUntil([] { return countDebug("tavrinWidget::mouseReleaseEvent") == 1; }))
        fail("the finger did not reach the game");
    if (countDebug("tavrinWidget::mousePressEvent") != 1 || countDebug("tavrinWidget::mouseMoveEvent") != 1 ||
        countDebug("layer: pen press at 30,260 of the window: 30,260 of the screen") != 1 || stylusLastX != -1)
        fail("the second finger was not ignored, or the first one landed elsewhere");
    if (desktopAttachVirtualPad() != 0 || !passUntil([] { return countDebug("layer: game controller") == 1; }))
        fail("no virtual pad");
    step(PadButton::Down, 2);
    step(PadButton::Down, 3);
    step(PadButton::Down, 4);
    quitByPad(PadButton::B);
}

// Runs scenario(display, dir) in a process of its own; its exit status, bounded in time (a
// hung program is ended and fails the test). Its standard error is in dir/stderr.txt.
int runScenario(void (*scenario)(const std::string&, const std::string&), const VirtualDisplay& x, const TempDir& dir) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (!freopen((dir / "stderr.txt").c_str(), "w", stderr) || !freopen((dir / "stdout.txt").c_str(), "w", stdout))
            _exit(126);
        scenario(x.display(), dir.path());
        _exit(125);
    }
    if (pid < 0) return -1;
    int status = 0;
    for (int i = 0; i < 12000 && waitpid(pid, &status, WNOHANG) == 0; i++) usleep(10000);
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(ProgramDesktopGamepad, AVirtualControllerMovesTheMenuCursorRepeatsAndSelects) {
    VirtualDisplay x;
    if (x.display().empty()) GTEST_SKIP() << "no Xvfb";
    TempDir dir;
    int status = runScenario(playWithThePad, x, dir);
    std::string err = readFile(dir / "stderr.txt"), log = readFile(dir / "debug.log");
    ASSERT_EQ(status, 0) << err;
    // The pad's buttons reach the game as the handheld's keys: the cursor keys and the
    // device's own fire key.
    EXPECT_GE(countLines(log, "tavrinWidget::keyPressEvent 4117"), 4);  // Down: press, stick, hold and repeats
    EXPECT_EQ(countLines(log, "tavrinWidget::keyPressEvent 4115"), 1);  // Up
    EXPECT_EQ(countLines(log, "tavrinWidget::keyPressEvent 4176"), 2);  // F33: A, then Start
    EXPECT_EQ(countLines(log, "QCop QPE/System closing(QString) tavrin"), 1);
}

TEST(ProgramDesktopTouch, OneFingerIsTheStylusAndOthersAreIgnored) {
    VirtualDisplay x;
    if (x.display().empty()) GTEST_SKIP() << "no Xvfb";
    TempDir dir;
    int status = runScenario(touchTheScreen, x, dir);
    EXPECT_EQ(status, 0) << readFile(dir / "stderr.txt");
    std::string log = readFile(dir / "debug.log");
    EXPECT_EQ(countLines(log, "tavrinWidget::mousePressEvent"), 1);
    EXPECT_EQ(countLines(log, "QCop QPE/System closing(QString) tavrin"), 1);
}
