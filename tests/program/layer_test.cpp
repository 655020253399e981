// The whole program on the offscreen back end: the layer's own refusals, the ways a run ends,
// and screenshots.
#include <gtest/gtest.h>
#include "tests/program/harness.h"

using namespace program;

namespace {
// Everything the program prints once it has started (before that only the layer speaks).
bool programStarted(const RunResult& r) { return r.out.find("SndInit()") != std::string::npos; }
}  // namespace

TEST(ProgramLayer, BadCommandLinesAndScriptsAreRefusedBeforeTheProgramStarts) {
    const struct {
        std::vector<std::string> args;
        std::optional<std::string> script;
        const char* message;
    } cases[] = {
        {{"-fast"}, std::nullopt, "unknown option '-fast'"},
        {{"-orientation", "1"}, std::nullopt, "-orientation takes 0, 2 or 3"},
        {{"-until"}, std::nullopt, "option -until needs a value"},
        {{"-script", "no-such.script"}, std::nullopt, "cannot read the script 'no-such.script'"},
        // A folder opens as a stream but holds no script: refused, not an idle run.
        {{"-script", "."}, std::nullopt, "cannot read the script '.': not a regular file"},
        {{}, "100 key tap Up\n\n# fine so far\n50 close\n", "run.script:4: time 50 is earlier"},
        {{}, "100 pen press 300 10\n", "run.script:1: expected 'pen press X Y'"},
        {{}, "100 wave\n", "run.script:1: unknown event 'wave'"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        RunOptions o;
        o.args = c.args;
        o.script = c.script;
        RunResult r = runProgram(dir.path(), o);
        SCOPED_TRACE(c.message);
        EXPECT_TRUE(r.exited(2)) << r.exitStatus << " " << r.signal;
        EXPECT_EQ(countLines(r.err, c.message), 1) << r.err;
        EXPECT_EQ(splitLines(r.err).size(), 1u) << r.err;
        EXPECT_FALSE(programStarted(r));
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

TEST(ProgramLayer, HelpPrintsTheOptionsAndExitsZero) {
    TempDir dir;
    RunOptions o;
    o.offscreen = false;
    o.args = {"-help"};
    RunResult r = runProgram(dir.path(), o);
    EXPECT_TRUE(r.exited(0));
    for (const char* opt :
         {"-platform desktop|offscreen", "-zoom", "-fullscreen", "-orientation", "-script", "-until", "-debuglog"})
        EXPECT_EQ(countLines(r.out, opt), 1) << opt;
    EXPECT_FALSE(programStarted(r));
}

TEST(ProgramLayer, VersionPrintsTheProjectVersionAndExitsZero) {
    for (const char* spelling : {"--version", "-version"}) {
        SCOPED_TRACE(spelling);
        TempDir dir;
        RunOptions o;
        o.offscreen = false;
        o.args = {spelling};
        RunResult r = runProgram(dir.path(), o);
        EXPECT_TRUE(r.exited(0)) << r.exitStatus;
        EXPECT_EQ(r.out, "tavrin " TAVRIN_PROJECT_VERSION "\n");
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(programStarted(r));
    }
}

// The text that -help or -version prints is all such a run does: when it cannot be written
// (a full disk), the run failed.
TEST(ProgramLayer, HelpOrVersionThatCannotBeWrittenFails) {
    if (!fileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    for (const char* option : {"-help", "-version", "--version"}) {
        SCOPED_TRACE(option);
        EXPECT_EQ(runCommand({"/bin/sh", "-c", "exec \"$0\" \"$1\" >/dev/full 2>/dev/null", TAVRIN_BINARY, option}), 2);
        EXPECT_EQ(runCommand({"/bin/sh", "-c", "exec \"$0\" \"$1\" >/dev/null", TAVRIN_BINARY, option}), 0);
    }
}

TEST(ProgramLayer, DesktopWithoutADisplaySaysWhatToDo) {
    TempDir dir;
    RunOptions o;
    o.offscreen = false;
    o.env = {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}};
    RunResult r = runProgram(dir.path(), o);
    EXPECT_TRUE(r.exited(1)) << r.exitStatus;
    EXPECT_EQ(countLines(r.err, "tavrin: cannot open a display: DISPLAY is not set"), 1) << r.err;
    EXPECT_EQ(countLines(r.err, "-platform offscreen"), 1) << r.err;
}

TEST(ProgramLayer, UnwritableScreenshotFailsWithOneMessageAndLeavesNothing) {
    TempDir dir;
    RunOptions o;
    o.script = "100 shot missing-dir/menu.png\n";
    RunResult r = runProgram(dir.path(), o);
    EXPECT_TRUE(r.exited(1)) << r.exitStatus << " " << r.signal;
    EXPECT_EQ(countLines(r.err, "cannot write the screenshot 'missing-dir/menu.png'"), 1) << r.err;
    EXPECT_FALSE(fileExists(dir / "missing-dir"));
    for (const std::string& name : listDir(dir.path())) EXPECT_EQ(name.find(".png"), std::string::npos) << name;
}

// A close from the window system ends the game the way the main menu's quit does: progress
// saved, the service restarted, the closing message sent, status 0.
TEST(ProgramLayer, ClosingTheWindowEndsTheRunCleanly) {
    const struct {
        const char* name;
        std::optional<std::string> script;
        std::vector<std::string> args;
    } cases[] = {
        {"scripted close", "1500 close\n", {}},
        {"time bound", std::nullopt, {"-until", "1500"}},
        // The stop moves the clock 100 s before the close arrives in the same pass: the
        // grace period for ending runs from the close, so this is a clean end, not status 3.
        {"stop just before the close", "1000 stop 100\n1000 close\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        RunOptions o;
        o.script = c.script;
        o.args = c.args;
        RunResult r = runProgram(dir.path(), o);
        EXPECT_TRUE(r.exited(0)) << r.exitStatus << " " << r.signal << "\n" << r.err;
        EXPECT_TRUE(programStarted(r));
        EXPECT_EQ(countLines(r.out, "QCop QPE/System closing(QString) tavrin"), 1) << r.out;
        EXPECT_EQ(countLines(r.debugLog, "system: /etc/rc.d/init.d/atd stop"), 1);
        EXPECT_EQ(countLines(r.debugLog, "system: /etc/rc.d/init.d/atd start"), 1);
        // The service comes back before the environment hears that we are closing.
        EXPECT_LT(r.debugLog.find("atd start"), r.debugLog.find("QCop QPE/System"));
        EXPECT_TRUE(fileExists(r.home + "/Applications/tavrin.conf"));
    }
}

TEST(ProgramLayer, DebugLogIsQuietUnlessAsked) {
    TempDir dir;
    RunOptions o;
    o.debugLog = false;
    o.args = {"-until", "500"};
    RunResult r = runProgram(dir.path(), o);
    EXPECT_TRUE(r.exited(0));
    EXPECT_EQ(countLines(r.err, "Can't rtc sleep!"), 0);
    EXPECT_EQ(countLines(r.err, "frameinit"), 0);
    EXPECT_FALSE(fileExists(dir / "debug.log"));
}

// The picture is laid out in the display's own order for each orientation; screenshots
// turn it back, so every orientation shows the same upright picture.
TEST(ProgramLayer, ScreenshotsAreUprightInEveryOrientation) {
    const std::string script = "2000 shot a.png\n2100 key tap Enter\n4000 shot b.png\n4100 close\n";
    std::vector<Picture> shots;
    for (const char* orientation : {"0", "2", "3"}) {
        TempDir dir;
        RunOptions o;
        o.script = script;
        o.args = {"-orientation", orientation};
        RunResult r = runProgram(dir.path(), o);
        EXPECT_TRUE(r.exited(0)) << orientation << ": " << r.err;
        EXPECT_EQ(countLines(r.out, std::string("orientation: ") + orientation), 1) << r.out;
        for (const char* name : {"a.png", "b.png"}) {
            Picture p = readPng(dir / name);
            ASSERT_TRUE(p.ok()) << orientation << " " << name;
            EXPECT_EQ(p.width, 240);
            EXPECT_EQ(p.height, 320);
            shots.push_back(std::move(p));
        }
    }
    ASSERT_EQ(shots.size(), 6u);
    // Not a comparison of blank screens: the game has drawn something by then.
    bool drawn = false;
    for (uint8_t v : shots[1].rgb) drawn = drawn || v != 0;
    EXPECT_TRUE(drawn);
    for (size_t i = 2; i < shots.size(); i++)
        EXPECT_TRUE(shots[i].rgb == shots[i % 2].rgb) << "shot " << i << " differs from orientation 0";
}

// The launcher's part: focus out hides the game and no frame reaches the screen; focus in
// shows it again and frames come back.
TEST(ProgramLayer, FocusOutStopsFramesAndFocusInBringsThemBack) {
    TempDir dir;
    RunOptions o;
    o.script = "1000 shot before.png\n1200 focus out\n2000 focus in\n2500 shot after.png\n3000 close\n";
    RunResult r = runProgram(dir.path(), o);
    ASSERT_TRUE(r.exited(0)) << r.err;
    // Hidden from 1200 to 2000 ms: about one refused frame per 10 ms tick, and none after the
    // focus came back (else there would be some 180).
    int refused = countLines(r.debugLog, "Not active or not main window");
    EXPECT_GE(refused, 70);
    EXPECT_LE(refused, 90);
    EXPECT_TRUE(readPng(dir / "after.png").ok());
}

// A suspended device: the process is stopped for a while and continued with SIGCONT; the game
// resynchronises its clock instead of catching up the lost time.
TEST(ProgramLayer, StopContinuesTheProcessWithSigcont) {
    TempDir dir;
    RunOptions o;
    o.script = "1000 stop 10\n12000 close\n";
    RunResult r = runProgram(dir.path(), o);
    EXPECT_TRUE(r.exited(0)) << r.err;
    EXPECT_EQ(countLines(r.debugLog, "layer: stopped for 10 s, continuing"), 1);
    EXPECT_NE(r.err.find("SIGCONT received"), std::string::npos) << r.err;
}
