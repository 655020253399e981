// A whole game through the real program: tools/scripts/fullgame.script plays every main level from
// the level select, through the game-completed sequence and the credits, to the game over
// with a new best score and the main menu's Quit. The best score must be in the progress file
// and on the main menu at the next start. A second test remakes the script with the
// playthrough tool, so a level or solution change that breaks the game, or leaves the
// committed script behind, is caught.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "tests/program/harness.h"

using namespace program;

namespace {

const std::string scriptPath = std::string(TAVRIN_SOURCE_DIR) + "/tools/scripts/fullgame.script";

// A number from the script's header, "# <key>: <value>".
long headerValue(const std::string& script, const std::string& key) {
    size_t at = script.find("# " + key + ": ");
    if (at == std::string::npos) return -1;
    return std::strtol(script.c_str() + at + key.size() + 4, nullptr, 10);
}

// The progress record unscrambled with the store's key (store/progress.cpp).
struct Progress {
    bool ok = false;
    int levelReached = 0;
    int bestScore = 0;
};
Progress readProgress(const std::string& home) {
    static const unsigned char key[8] = {0x5A, 0x13, 0xC7, 0x2E, 0x91, 0x6B, 0xF4, 0x08};
    std::string bytes = readFile(home + "/Applications/tavrin.conf");
    Progress p;
    if (bytes.size() < 9) return p;
    unsigned char plain[9];
    for (int i = 0; i < 9; ++i)
        plain[i] = static_cast<unsigned char>(bytes[size_t(i)] ^ ((key[(i >> 3) & 7] - (key[i & 7] + 58)) & 0xFF));
    p.ok = plain[0] == 0xC8 && plain[1] == 0x01;
    p.levelReached = plain[4];
    p.bestScore =
        int(uint32_t(plain[5]) | uint32_t(plain[6]) << 8 | uint32_t(plain[7]) << 16 | uint32_t(plain[8]) << 24);
    return p;
}

int countPixels(const Picture& pic, int x0, int y0, int x1, int y1, const std::function<bool(uint32_t)>& pred) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += pred(pic.at(x, y));
    return n;
}
bool white(uint32_t c) { return c == 0xFFFFFF; }
bool black(uint32_t c) { return c == 0; }
bool yellow(uint32_t c) { return (c >> 16) >= 0xF0 && ((c >> 8) & 0xFF) >= 0xF0 && (c & 0xFF) < 0x40; }

// Rows in which two pictures differ: {first, last}, or {-1, -1}.
std::pair<int, int> differingRows(const Picture& a, const Picture& b) {
    int first = -1, last = -1;
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x)
            if (a.at(x, y) != b.at(x, y)) {
                if (first < 0) first = y;
                last = y;
                break;
            }
    return {first, last};
}

TEST(FullGame, TheScriptPlaysFromTheLevelSelectToTheCreditsAndTheBestScoreIsKept) {
    std::string script = readFile(scriptPath);
    ASSERT_FALSE(script.empty()) << "no " << scriptPath;
    const long mainLevels = headerValue(script, "main levels");
    const long finalScore = headerValue(script, "final score");
    ASSERT_GT(mainLevels, 0);
    ASSERT_GT(finalScore, 0);

    TempDir dir;
    RunOptions o;
    o.script = script;
    RunResult r = runProgram(dir.path(), o);
    ASSERT_TRUE(r.exited(0)) << r.exitStatus << " " << r.signal << "\n" << r.err;
    std::vector<std::string> out = splitLines(r.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "QCop QPE/System closing(QString) tavrin");
    // The game quit by its menu: the script's closing safety net was never reached.
    EXPECT_EQ(countLines(r.debugLog, "tavrinWindow::closeEvent"), 0);
    EXPECT_EQ(countLines(r.debugLog, "layer: screenshot"), countLines(script, " shot "));

    Progress p = readProgress(r.home);
    ASSERT_TRUE(p.ok) << "no valid progress file";
    EXPECT_EQ(p.levelReached, mainLevels);
    EXPECT_EQ(p.bestScore, finalScore);

    // Every level-complete picture carries its band of texts (white on the darkened band).
    for (int lvl = 1; lvl <= int(mainLevels) && lvl < 100; ++lvl) {
        char name[80];
        snprintf(name, sizeof name, "fullgame_%02d_level%02d_complete.png", 1 + 2 * lvl, lvl);
        Picture pic = readPng(dir / name);
        ASSERT_TRUE(pic.ok()) << name;
        EXPECT_GT(countPixels(pic, 32, 36, 208, 56, white), 50) << name << ": LEVEL COMPLETE";
        EXPECT_GT(countPixels(pic, 139, 56, 208, 96, yellow), 20) << name << ": score and time";
    }

    // The game-completed sequence: the third picture stands still, and the banner is the
    // only change from 6 s to 9.4 s, with its yellow text.
    Picture third = readPng(dir / "fullgame_42_completed_third.png");
    Picture banner = readPng(dir / "fullgame_43_completed_banner.png");
    ASSERT_TRUE(third.ok() && banner.ok());
    std::pair<int, int> rows = differingRows(third, banner);
    EXPECT_GE(rows.first, 50);
    EXPECT_LE(rows.second, 89);
    EXPECT_GT(countPixels(banner, 0, 50, 240, 90, yellow), 200);
    EXPECT_EQ(countPixels(third, 0, 50, 240, 90, yellow), 0);

    // The credits scroll in their window only, white and grey lines.
    Picture credits = readPng(dir / "fullgame_44_credits.png");
    ASSERT_TRUE(credits.ok());
    EXPECT_EQ(countPixels(credits, 0, 0, 240, 40, black), 240 * 40);
    EXPECT_EQ(countPixels(credits, 0, 280, 240, 320, black), 240 * 40);
    EXPECT_GT(countPixels(credits, 0, 40, 240, 280, white), 500);
    EXPECT_GT(countPixels(credits, 0, 40, 240, 280, [](uint32_t c) { return c == 0x7B7D7B; }), 300);

    // Game over with the new best score: "New Hi-score!" in white.
    Picture over = readPng(dir / "fullgame_45_game_over_best.png");
    ASSERT_TRUE(over.ok());
    EXPECT_GT(countPixels(over, 40, 245, 160, 262, white), 50);

    // The main menu before and after the game differ only in the hi-score line.
    Picture before = readPng(dir / "fullgame_00_main_menu.png");
    Picture after = readPng(dir / "fullgame_46_main_menu.png");
    ASSERT_TRUE(before.ok() && after.ok());
    rows = differingRows(before, after);
    EXPECT_GE(rows.first, 255);
    EXPECT_LE(rows.second, 285);

    // The next start shows the same main menu, best score included, from the progress file.
    RunOptions again;
    again.script =
        "400 key tap Space\n"
        "1500 shot next_start_menu.png\n"
        "1600 key tap Down\n1700 key tap Down\n1800 key tap Down\n1900 key tap Space\n"
        "5000 close\n";
    RunResult r2 = runProgram(dir.path(), again);
    ASSERT_TRUE(r2.exited(0)) << r2.err;
    Picture next = readPng(dir / "next_start_menu.png");
    ASSERT_TRUE(next.ok());
    EXPECT_EQ(differingRows(after, next), std::make_pair(-1, -1)) << "the main menu at the next start";
    EXPECT_EQ(countLines(r2.debugLog, "Corrupt data"), 0);
}

// A player who lets the credits run out must still see the final score and "New Hi-score!":
// the press the credits make for themselves ends them and reaches nothing after them. The
// whole game is played as in the script up to the credits; then no key until well after
// the last credit line has gone.
TEST(FullGame, CreditsThatRunOutByThemselvesLeadToTheGameOverWithTheNewBestScore) {
    std::string script = readFile(scriptPath);
    ASSERT_FALSE(script.empty()) << "no " << scriptPath;
    const long finalScore = headerValue(script, "final score");
    size_t at = script.find("# on to the credits");
    ASSERT_NE(at, std::string::npos) << "the script no longer goes on to the credits";
    size_t lineStart = script.rfind('\n', at) + 1;
    const long creditsFrom = std::strtol(script.c_str() + lineStart, nullptr, 10);
    ASSERT_GT(creditsFrom, 0);
    // The credits take 4 ticks a pixel for the window's 240 rows and every line's 18; 190 s
    // covers a table of up to 247 lines and the fades.
    const long creditsEnd = creditsFrom + 190000;
    std::string cut = script.substr(0, script.find('\n', at) + 1);
    char tail[400];
    std::snprintf(tail, sizeof tail,
                  "%ld shot over_first.png\n%ld shot over_later.png\n%ld key tap Space\n%ld shot menu.png\n"
                  "%ld key tap Down\n%ld key tap Down\n%ld key tap Down\n%ld key tap Space\n%ld close\n",
                  creditsEnd, creditsEnd + 5000, creditsEnd + 5000, creditsEnd + 6000, creditsEnd + 6100,
                  creditsEnd + 6200, creditsEnd + 6300, creditsEnd + 6400, creditsEnd + 20000);
    TempDir dir;
    RunOptions o;
    o.script = cut + tail;
    o.args = {"-until", std::to_string(creditsEnd + 30000)};
    RunResult r = runProgram(dir.path(), o);
    ASSERT_TRUE(r.exited(0)) << r.exitStatus << " " << r.signal << "\n" << r.err;
    EXPECT_EQ(countLines(r.debugLog, "tavrinWindow::closeEvent"), 0) << "the game did not quit by its menu";

    // Both shots show the game over with the new best score, the score in yellow and
    // "New Hi-score!" in white, and it waits for the player.
    Picture first = readPng(dir / "over_first.png");
    Picture later = readPng(dir / "over_later.png");
    ASSERT_TRUE(first.ok() && later.ok());
    EXPECT_EQ(differingRows(first, later), std::make_pair(-1, -1)) << "the game-over screen did not wait";
    EXPECT_GT(countPixels(first, 100, 225, 200, 244, yellow), 20) << "the final score";
    EXPECT_GT(countPixels(first, 40, 245, 160, 262, white), 50) << "New Hi-score!";
    Progress p = readProgress(r.home);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.bestScore, finalScore);
    // Fire then leads to the main menu as always.
    Picture menu = readPng(dir / "menu.png");
    ASSERT_TRUE(menu.ok());
    EXPECT_NE(differingRows(first, menu), std::make_pair(-1, -1));
}

#ifdef TAVRIN_PLAYTHROUGH
TEST(FullGame, ThePlaythroughToolStillCompletesTheGameAndMakesTheCommittedScript) {
    TempDir dir;
    std::string made = dir / "fullgame.script";
    std::string command = std::string("\"") + TAVRIN_PLAYTHROUGH + "\" -o \"" + made + "\" > \"" + (dir / "out.txt") +
                          "\" 2> \"" + (dir / "err.txt") + "\"";
    int status = std::system(command.c_str());
    ASSERT_EQ(status, 0) << readFile(dir / "err.txt");
    EXPECT_TRUE(readFile(made) == readFile(scriptPath))
        << "tools/scripts/fullgame.script is not what the levels and solutions make now; remake it with\n"
           "  build/playthrough -o tools/scripts/fullgame.script\n"
        << readFile(dir / "err.txt");
}
#endif

}  // namespace
