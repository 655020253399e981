// The desktop back end end to end, on a private X server: the window opens, frames reach it,
// and the run ends cleanly when the window is closed.
#include <gtest/gtest.h>
#include <csignal>
#include "tests/program/harness.h"

using namespace program;

TEST(ProgramDesktop, OpensAWindowShowsFramesAndClosesCleanly) {
    VirtualDisplay x;
    if (x.display().empty()) GTEST_SKIP() << "no Xvfb";
    TempDir dir;
    RunOptions o;
    o.offscreen = false;
    // Real milliseconds here: the desktop runs on the real clock.
    o.args = {"-zoom", "1", "-until", "1500", "-debuglog", dir / "debug.log"};
    o.env = {{"DISPLAY", x.display()}, {"WAYLAND_DISPLAY", std::nullopt}, {"XDG_CONFIG_HOME", std::nullopt}};
    RunResult r = runProgram(dir.path(), o);
    EXPECT_TRUE(r.exited(0)) << r.exitStatus << " " << r.signal << "\n" << r.err;
    EXPECT_EQ(countLines(r.debugLog, "layer: desktop window, zoom 1"), 1) << r.debugLog;
    // The window was shown and active: every frame went to the screen.
    EXPECT_EQ(countLines(r.debugLog, "Not active or not main window"), 0);
    EXPECT_EQ(countLines(r.debugLog, "QCop QPE/System closing(QString) tavrin"), 1);
    // The desktop keeps the closing message in the log only.
    EXPECT_EQ(countLines(r.out, "QCop"), 0);
    // No sound device here: at most one notice, and the game still started (exit 0 above).
    EXPECT_LE(countLines(r.err, "no working sound output"), 1);
}

// Input through the X server reaches the game as toolkit events; SIGTERM closes the window
// and the game ends cleanly.
TEST(ProgramDesktop, KeysAndPenFromTheWindowSystemThenSigterm) {
    const std::string xdotool = "/usr/bin/xdotool";
    VirtualDisplay x;
    if (x.display().empty() || !fileExists(xdotool)) GTEST_SKIP() << "no Xvfb or xdotool";
    TempDir dir;
    RunOptions o;
    o.offscreen = false;
    o.args = {"-zoom", "1", "-debuglog", dir / "debug.log"};
    o.env = {{"DISPLAY", x.display()}, {"WAYLAND_DISPLAY", std::nullopt}, {"XDG_CONFIG_HOME", std::nullopt}};
    Started run = startProgram(dir.path(), o);
    ASSERT_GT(run.pid, 0);
    std::vector<std::pair<std::string, std::optional<std::string>>> env{{"DISPLAY", x.display()}};
    const std::string log = dir / "debug.log";
    // Each step waits until the program has taken the one before: a slow build (sanitizers,
    // a busy machine) must not be ended before it handled what the test sent.
    // --sync waits until the window exists.
    EXPECT_EQ(
        runCommand({xdotool, "search", "--sync", "--name", "^Tavrin$", "key", "--window", "%1", "Return", "Down"}, env),
        0);
    EXPECT_TRUE(waitForLines(log, "tavrinWindow::keyReleaseEvent", 2));  // Return and Down
    EXPECT_EQ(runCommand({xdotool, "search", "--sync", "--name", "^Tavrin$", "mousemove", "--window", "%1", "100",
                          "200", "click", "1"},
                         env),
              0);
    EXPECT_TRUE(waitForLines(log, "tavrinWidget::mouseReleaseEvent"));
    kill(run.pid, SIGTERM);
    RunResult r = waitProgram(run);
    EXPECT_TRUE(r.exited(0)) << r.exitStatus << " " << r.signal << "\n" << r.err;
    EXPECT_EQ(countLines(r.debugLog, "tavrinWidget::keyPressEvent 4101"), 1) << r.debugLog;  // Enter
    EXPECT_EQ(countLines(r.debugLog, "tavrinWidget::keyPressEvent 4117"), 1);                // Down
    EXPECT_EQ(countLines(r.debugLog, "tavrinWidget::mousePressEvent"), 1);
    EXPECT_EQ(countLines(r.debugLog, "layer: SIGTERM, closing the window"), 1);
    EXPECT_EQ(countLines(r.debugLog, "QCop QPE/System closing(QString) tavrin"), 1);
}

// A display that does not answer: the player is told which one, in the window system's own
// terms, and nothing of what SDL and the client libraries tried on the way. With the debug
// log on, their complaints may come through.
TEST(ProgramDesktop, AnUnreachableDisplayIsNamedAndNothingElseIsSaid) {
    TempDir dir;
    RunOptions o;
    o.offscreen = false;
    // No X server listens on a display this high; Wayland is tried too, and complains
    // without a runtime folder.
    o.env = {{"DISPLAY", ":4093"}, {"WAYLAND_DISPLAY", std::nullopt}, {"XDG_RUNTIME_DIR", std::nullopt}};
    RunResult r = runProgram(dir.path(), o);
    EXPECT_TRUE(r.exited(1)) << r.exitStatus;
    EXPECT_EQ(r.err,
              "tavrin: cannot open display :4093\n"
              "tavrin: without a display, run it with -platform offscreen\n");
    EXPECT_EQ(r.out.find("SndInit()"), std::string::npos);  // the game never started
}
