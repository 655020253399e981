// Where the desktop back end keeps progress, end to end on a private X server: a start that
// plays nothing leaves the home folder as it was, and progress kept at the handheld's place
// is read from there and left alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <fstream>

#include "tests/program/harness.h"

using namespace program;

namespace {

RunResult runDesktop(const TempDir& dir, const VirtualDisplay& x) {
    RunOptions o;
    o.offscreen = false;
    o.args = {"-zoom", "1", "-until", "1500", "-debuglog", dir / "debug.log"};
    o.env = {{"DISPLAY", x.display()}, {"WAYLAND_DISPLAY", std::nullopt}, {"XDG_CONFIG_HOME", dir / "config"}};
    return runProgram(dir.path(), o);
}

}  // namespace

TEST(ProgramProgress, TheDesktopCreatesNothingUntilProgressChangesAndReadsTheOldPlace) {
    VirtualDisplay x;
    if (x.display().empty()) GTEST_SKIP() << "no Xvfb";
    {
        TempDir dir;
        RunResult r = runDesktop(dir, x);
        ASSERT_TRUE(r.exited(0)) << r.err;
        EXPECT_EQ(countLines(r.debugLog, "t: 9"), 1) << "the save on the way out";
        EXPECT_TRUE(listDir(r.home).empty()) << testing::PrintToString(listDir(r.home));
    }
    TempDir dir;
    mkdir((dir / "home").c_str(), 0755);
    mkdir((dir / "home/Applications").c_str(), 0755);
    const std::string old = dir / "home/Applications/tavrin.conf";
    std::ofstream(old, std::ios::binary) << level3Record();
    RunResult r = runDesktop(dir, x);
    ASSERT_TRUE(r.exited(0)) << r.err;
    EXPECT_EQ(countLines(r.debugLog, "Corrupt data"), 0);
    // The record on the way out is the one read: nothing to write.
    EXPECT_EQ(countLines(r.debugLog, "saveProgress: " + old + " holds this progress already"), 1) << r.debugLog;
    EXPECT_EQ(readFile(old), level3Record());
    EXPECT_EQ(listDir(r.home), std::vector<std::string>{"Applications"});
}
