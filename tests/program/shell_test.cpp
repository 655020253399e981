// The whole program from start to end: the splash gives way to the main menu by itself, the
// menu is walked with the keys, and the game ends by its Quit entry or by closing the window,
// saving progress and telling the system it is closing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fstream>

#include "tests/program/harness.h"

using namespace program;

namespace {

const char* const closingLine = "QCop QPE/System closing(QString) tavrin";

// Index of the first debug log line equal to line, or -1.
int lineIndex(const std::vector<std::string>& lines, const std::string& line) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line) return int(i);
    return -1;
}

struct EndCase {
    const char* name;
    const char* lastEvent;  // what ends the game, at 2800 ms
};

class ProgramEnd : public testing::TestWithParam<EndCase> {};

TEST_P(ProgramEnd, SplashMenuAndAnOrderlyExit) {
    // The splash ends by itself after 200 ticks; its fade-out and the menu's switch take
    // 33 more, so the menu reacts from about 2.35 s on.
    TempDir dir;
    RunOptions o;
    o.script =
        std::string("2500 key tap Down\n2600 key tap Down\n2700 key tap Down\n2800 ") + GetParam().lastEvent + "\n";
    RunResult r = runProgram(dir.path(), o);
    EXPECT_TRUE(r.exited(0)) << r.exitStatus << " " << r.signal << "\n" << r.err;

    std::vector<std::string> out = splitLines(r.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.front(), "SndInit()");
    EXPECT_EQ(out.back(), closingLine);
    EXPECT_EQ(countLines(r.out, "SndPlay 255"), 3);
    EXPECT_EQ(countLines(r.out, "SndPlay"), 3);  // the Quit entry plays no select sound
    EXPECT_EQ(countLines(r.out, "LoadWAV"), 0) << "the build's samples load";

    // Start-up and shutdown in their order.
    std::vector<std::string> log = splitLines(r.debugLog);
    int atdStop = lineIndex(log, "system: /etc/rc.d/init.d/atd stop (recorded, not run)");
    int frame = lineIndex(log, "frameinit");
    int window = lineIndex(log, "tavrinWidget::tavrinWindow");
    int save = lineIndex(log, "t: 9");
    int atdStart = lineIndex(log, "system: /etc/rc.d/init.d/atd start (recorded, not run)");
    int closing = lineIndex(log, closingLine);
    EXPECT_EQ(atdStop, 0);
    EXPECT_LT(atdStop, frame);
    EXPECT_LT(frame, window);
    EXPECT_LT(window, save);
    EXPECT_LT(save, atdStart);
    EXPECT_LT(atdStart, closing);
    EXPECT_EQ(countLines(r.debugLog, "t: 9"), 1);

    // Progress was saved on the way out: a 9-byte record in the folder the save created.
    EXPECT_EQ(readFile(r.home + "/Applications/tavrin.conf").size(), 9u);
}

INSTANTIATE_TEST_SUITE_P(Ends, ProgramEnd,
                         testing::Values(EndCase{"QuitEntry", "key tap Space"}, EndCase{"WindowClosed", "close"}),
                         [](const testing::TestParamInfo<EndCase>& i) { return std::string(i.param.name); });

TEST(ProgramShell, SplashIgnoresCursorKeysAndFireEndsItEarly) {
    TempDir dir;
    RunOptions o;
    // Fire at 1 s ends the splash early, so the menu already takes the Down at 2 s.
    o.script = "500 key tap Down\n1000 key tap Space\n2000 key tap Down\n2100 close\n";
    RunResult r = runProgram(dir.path(), o);
    EXPECT_TRUE(r.exited(0));
    // The splash ignores Down and takes fire silently; the menu then moves once.
    EXPECT_EQ(countLines(r.out, "SndPlay"), 1) << r.out;
    EXPECT_EQ(countLines(r.out, "SndPlay 255"), 1);
}

TEST(ProgramShell, StoppedAndContinuedGoesOn) {
    TempDir dir;
    RunOptions o;
    o.script = "1000 stop 10\n12500 key tap Down\n12600 close\n";
    RunResult r = runProgram(dir.path(), o);
    EXPECT_TRUE(r.exited(0));
    EXPECT_NE(r.err.find("SIGCONT received"), std::string::npos) << r.err;
    EXPECT_EQ(countLines(r.out, "SndPlay 255"), 1);
    EXPECT_NE(r.out.find(closingLine), std::string::npos);
}

TEST(ProgramShell, AForeignProgressFileIsRejectedAndReplaced) {
    TempDir dir;
    RunOptions o;
    o.script = "100 close\n";
    mkdir((dir / "home").c_str(), 0755);
    mkdir((dir / "home/Applications").c_str(), 0755);
    const std::string foreign(12, '\0');  // three bytes more than the record: they are kept
    {
        std::ofstream f(dir / "home/Applications/tavrin.conf", std::ios::binary);
        f << foreign;
    }
    RunResult first = runProgram(dir.path(), o);
    ASSERT_TRUE(first.exited(0));
    EXPECT_EQ(countLines(first.debugLog, "Corrupt data"), 1);
    std::string saved = readFile(first.home + "/Applications/tavrin.conf");
    ASSERT_EQ(saved.size(), 12u);
    EXPECT_NE(saved.substr(0, 9), foreign.substr(0, 9));
    EXPECT_EQ(saved.substr(9), foreign.substr(9));

    // The record written on the way out is read back without complaint.
    RunResult second = runProgram(dir.path(), o);
    ASSERT_TRUE(second.exited(0));
    EXPECT_EQ(countLines(second.debugLog, "Corrupt data"), 0);
    EXPECT_EQ(readFile(second.home + "/Applications/tavrin.conf"), saved);
}

TEST(ProgramShell, FirstStartWithTheFolderCreatesTheFileAndCallsItCorrupt) {
    TempDir dir;
    RunOptions o;
    o.script = "100 close\n";
    mkdir((dir / "home").c_str(), 0755);
    mkdir((dir / "home/Applications").c_str(), 0755);
    RunResult r = runProgram(dir.path(), o);
    ASSERT_TRUE(r.exited(0));
    EXPECT_EQ(countLines(r.debugLog, "Corrupt data"), 1);
    EXPECT_EQ(readFile(r.home + "/Applications/tavrin.conf").size(), 9u);
}

TEST(ProgramShell, FirstStartWithoutAFileIsQuiet) {
    TempDir dir;
    RunOptions o;
    o.script = "100 close\n";
    RunResult r = runProgram(dir.path(), o);
    ASSERT_TRUE(r.exited(0));
    EXPECT_EQ(countLines(r.debugLog, "Corrupt data"), 0);
    EXPECT_EQ(readFile(r.home + "/Applications/tavrin.conf").size(), 9u);
}

}  // namespace
