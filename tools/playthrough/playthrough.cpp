// playthrough: plays a whole game through the real program and writes it down as an offscreen
// script (tools/scripts/fullgame.script).
//
// The game runs in this process exactly as the tavrin binary runs it (the same start-up, the
// same loop passes, the offscreen back end with its virtual clock). Between passes we look at
// the game state and queue key events as a player would: from the splash to the main menu,
// Play, level 0 in the level select, every main level by its solution, fire on each
// level-complete picture, through the game-completed sequence and the credits to the game
// over with the new best score, back to the main menu and Quit. Every queued event is written
// with the virtual time at which it was queued; the binary's script reader delivers it in the
// very same pass, so replaying the script repeats this run exactly, monsters included (the
// random draws are never reseeded, so their steps depend on the whole game before them,
// which is why the script is made for the whole game in one run).
//
//   playthrough [--levels DIR] [--shots DIR] [--until MS] -o FILE
//
// --levels: the level sources and solutions (default: assets/levels of the source tree; they
// must be the ones the build embedded). --shots: also save each screenshot the script asks
// for, as the replay will, into DIR. --until: the -until value the replay is run with (the
// generator closes its window at the same moment, so a run too long for it fails here).
// Exit status 0 when the game reached the credits and quit, 1 otherwise.
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/state.h"
#include "platform/offscreen.h"
#include "platform/toolkit.h"
#include "tools/common/scratch_home.h"
#include "tools/solver/harness.h"
#include "world/world.h"

#ifndef TAVRIN_SOURCE_DIR
#define TAVRIN_SOURCE_DIR "."
#endif

namespace {

[[noreturn]] void fail(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::fputs("playthrough: ", stderr);
    std::vfprintf(stderr, fmt, ap);
    std::fputc('\n', stderr);
    va_end(ap);
    std::exit(1);
}

// The key of each move letter of a solution; the names come from the layer's key table.
struct MoveKey {
    char dir;
    int code;
};
const MoveKey Keys[] = {{'U', Key_Up}, {'D', Key_Down}, {'L', Key_Left}, {'R', Key_Right}};

int keyFor(char dir) {
    for (const MoveKey& k : Keys)
        if (k.dir == dir) return k.code;
    fail("no key for move '%c'", dir);
}

class Player {
public:
    std::string shotDir;
    std::vector<std::string> lines;
    std::array<std::pair<int, int>, std::size(GameState{}.monsters)> hatchedAt{};

    int64_t nowMsVirtual() const { return offscreenClockUs() / 1000; }

    // Runs loop passes (as the program's loop does) until one of them ran a tick.
    void tick() {
        for (;;) {
            if (quitRequested) fail("the game quit unexpectedly at %lld ms", (long long)nowMsVirtual());
            if (loopPass() > 0) break;
        }
        // A monster stays on its egg's square until it sets off (life 64).
        for (size_t i = 0; i < std::size(game.monsters); ++i) {
            const MonsterSlot& m = game.monsters[i];
            if (m.life != 0 && m.life <= 63) hatchedAt[i] = {m.x, m.y};
        }
    }

    // Whether the play view shows a monster (within three squares of the player, whom the
    // view centres) at least squares steps away from where it hatched: a way drawn at random.
    bool monsterAwayInView(int squares) const {
        for (size_t i = 0; i < std::size(game.monsters); ++i) {
            const MonsterSlot& m = game.monsters[i];
            if (m.life > 63 && std::abs(m.x - hatchedAt[i].first) + std::abs(m.y - hatchedAt[i].second) >= squares &&
                std::abs(m.x - game.playerX) <= 3 && std::abs(m.y - game.playerY) <= 3)
                return true;
        }
        return false;
    }

    void ticksUntil(const std::function<bool()>& done, int32_t limit, const char* what) {
        for (int32_t i = 0; !done(); ++i) {
            if (i >= limit)
                fail("waited %d ticks for %s (mode %d, modeTicks %d)", limit, what, game.mode, game.modeTicks);
            tick();
        }
    }

    // Waits until mode m is active and fully faded in (its picture is shown at full brightness).
    void waitShown(uint8_t m, const char* what) {
        ticksUntil([m] { return game.mode == m && game.modeReady == 1 && game.fadeLevel >= 256; }, 3000, what);
    }

    void waitModeTicks(int32_t t, const char* what) {
        ticksUntil([t] { return game.modeTicks >= t; }, 100000, what);
    }

    // An event queued now is delivered by the next pass that runs a tick; the script reader
    // hands over an event in the first such pass at or after its time, which is the same one.
    void record(const std::string& event, const std::string& comment = "") {
        char t[32];
        std::snprintf(t, sizeof t, "%-8lld", (long long)nowMsVirtual());
        lines.push_back(std::string(t) + event + (comment.empty() ? "" : "  # " + comment));
    }
    void comment(const std::string& text) { lines.push_back("# " + text); }

    void press(int code) {
        offscreenQueueKey(code, true);
        record(std::string("key press ") + keyNameOf(code));
    }
    void release(int code) {
        offscreenQueueKey(code, false);
        record(std::string("key release ") + keyNameOf(code));
    }
    void tap(int code, const std::string& why = "") {
        offscreenQueueKey(code, true);
        offscreenQueueKey(code, false);
        record(std::string("key tap ") + keyNameOf(code), why);
    }
    void fire(const std::string& why = "") { tap(Key_Space, why); }

    // The frame on the screen now is the one the replay's shot will save: it is taken in the
    // next pass with a tick, before that pass draws.
    void shot(const std::string& name, const std::string& why = "") {
        record("shot " + name, why);
        if (!shotDir.empty() && offscreenSavePng((shotDir + "/" + name).c_str()) != 0)
            fail("cannot write %s/%s", shotDir.c_str(), name.c_str());
    }

    // ---- play, tick by tick, as the solution format defines it ----

    bool worldRuns() const { return game.mode == Play && game.modeReady == 1 && game.fadeLevel >= 256; }
    bool completed() const { return game.modeReady == 0 && game.nextMode == LevelComplete; }

    void worldTickChecked(const char* where) {
        if (!worldRuns()) fail("%s: the world is not running (mode %d)", where, game.mode);
        tick();
        if (game.deathTimer > 0)
            fail("level %d: the player died at world tick %d (%s)", game.level, game.levelTicks, where);
    }

    void finishMoves() {
        while (!completed() && game.moveDir != 0) worldTickChecked("finishing a move");
    }

    // Holds the direction key until the move starts (on the next tick of world phase 0), then
    // lets it go.
    void move(char dir) {
        finishMoves();
        if (completed()) return;
        const int k = keyFor(dir);
        press(k);
        for (;;) {
            bool phaseZero = game.worldPhase == 0;
            worldTickChecked("starting a move");
            if (game.moveDir != 0 || completed()) break;
            if (phaseZero) fail("level %d: move %c cannot start at world tick %d", game.level, dir, game.levelTicks);
        }
        release(k);
    }

    void wait(int32_t ticks) {
        finishMoves();
        for (int32_t i = 0; i < ticks && !completed(); ++i) worldTickChecked("waiting");
    }
};

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

// The "name:" line of a level source.
std::string sourceName(const std::string& text) {
    size_t at = text.find("\nname:");
    if (at == std::string::npos) return "";
    size_t start = text.find_first_not_of(" \t", at + 6);
    size_t end = text.find('\n', start);
    return trimmed(text.substr(start, end - start));
}

}  // namespace

int main(int argc, char** argv) {
    std::string levelsDir = std::string(TAVRIN_SOURCE_DIR) + "/assets/levels";
    std::string shotDir, out;
    long long untilMs = 600000;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--levels" && i + 1 < argc)
            levelsDir = argv[++i];
        else if (a == "--shots" && i + 1 < argc)
            shotDir = argv[++i];
        else if (a == "--until" && i + 1 < argc)
            untilMs = std::atoll(argv[++i]);
        else if (a == "-o" && i + 1 < argc)
            out = argv[++i];
        else
            out.clear(), i = argc;
    }
    // The game prints its sound effects on standard output, so the script needs a file.
    if (out.empty()) {
        std::fprintf(stderr, "usage: playthrough [--levels DIR] [--shots DIR] [--until MS] -o FILE\n");
        return 2;
    }
    if (!shotDir.empty()) std::filesystem::create_directories(shotDir);

    std::vector<std::string> order;
    if (!readLevelOrder(levelsDir + "/order.txt", order)) fail("cannot read %s/order.txt", levelsDir.c_str());

    // A home of our own: the replay starts without a progress file, and so must we (the best
    // score decides between the two game-over pictures).
    // Static, so that it is removed on every exit() path too.
    static ScratchHome home("playthrough-home");

    // The program's own start-up, on the offscreen back end.
    std::string until = std::to_string(untilMs);
    std::vector<std::string> args = {"tavrin", "-platform", "offscreen", "-until", until};
    std::vector<char*> cargv;
    for (std::string& s : args) cargv.push_back(s.data());
    cargv.push_back(nullptr);
    if (tavrinStart(int(args.size()), cargv.data()) != 0) fail("the program's start-up failed");

    Player p;
    p.shotDir = shotDir;

    p.waitShown(Splash, "the splash");
    p.fire("the splash gives way to the main menu");
    p.waitShown(MainMenu, "the main menu");
    p.shot("fullgame_00_main_menu.png", "Hi-score: 0");
    if (game.menuCursor != 1) fail("the main menu opened on entry %d, not Play", game.menuCursor);
    p.fire("Play");
    p.waitShown(LevelSelect, "the level select");
    p.waitModeTicks(60, "the level names to slide in");
    p.shot("fullgame_01_level_select.png");
    if (game.menuCursor != 0) fail("the level select opened on level %d", game.menuCursor);
    p.fire("level 0: a new game");

    int32_t mainLevels = game.lastLevel + 1;
    if (int32_t(order.size()) < mainLevels)
        fail("order.txt lists %zu levels, the game has %d main levels", order.size(), mainLevels);
    size_t firstMain = order.size() - size_t(mainLevels);

    std::fprintf(stderr, "%-4s %-12s %7s %7s %7s %8s\n", "lvl", "name", "moves", "ticks", "score", "monsters");
    for (int32_t lvl = 0; lvl < mainLevels; ++lvl) {
        const std::string& txt = order[firstMain + size_t(lvl)];
        std::string sol = txt.substr(0, txt.size() - 4) + ".sol";
        std::string source, solText, error;
        std::vector<SolutionStep> steps;
        if (!readWholeFile(txt, source)) fail("cannot read %s", txt.c_str());
        if (!readWholeFile(sol, solText)) fail("cannot read %s", sol.c_str());
        if (!parseSolution(solText, steps, error)) fail("%s: %s", sol.c_str(), error.c_str());

        p.waitShown(Play, "the level to fade in");
        if (game.level != lvl) fail("playing level %d, expected %d", game.level, lvl);
        std::string name = trimmed(std::string(levelName, sizeof levelName));
        std::string expected = sourceName(source).substr(0, sizeof levelName);
        if (name != expected)
            fail("level %d is \"%s\" in the game but %s is \"%s\": is the build's level file current?", lvl,
                 name.c_str(), txt.c_str(), expected.c_str());

        char head[160];
        std::snprintf(head, sizeof head, "level %d, %s: %s (world phase %d)", lvl, name.c_str(),
                      std::filesystem::path(sol).filename().c_str(), game.worldPhase);
        p.comment(head);
        int32_t moves = 0;
        for (const SolutionStep& s : steps)
            if (s.kind != 'W') moves += s.count;
        int32_t half = moves / 2, done = 0;
        bool monsterShot = false;
        char shotName[64];
        for (const SolutionStep& s : steps) {
            if (p.completed()) break;
            if (s.kind == 'W') {
                p.wait(s.count);
                continue;
            }
            for (int32_t i = 0; i < s.count && !p.completed(); ++i) {
                if (done++ == half) {
                    std::snprintf(shotName, sizeof shotName, "fullgame_%02d_level%02d_play.png", 2 + 2 * lvl, lvl + 1);
                    p.shot(shotName, "half way through the level");
                }
                // A monster on its way, where its random draws show (the half-way shots of
                // every level happen to come when none is out).
                if (!monsterShot && p.monsterAwayInView(3)) {
                    std::snprintf(shotName, sizeof shotName, "fullgame_%02d_level%02d_monster.png", 2 + 2 * lvl,
                                  lvl + 1);
                    p.shot(shotName, "a monster on its way, in view");
                    monsterShot = true;
                }
                p.move(s.kind);
            }
        }
        p.finishMoves();
        if (!p.completed())
            fail("level %d (%s): the solution ended but the level is not complete (%d diamonds, %d bombs left)", lvl,
                 name.c_str(), game.diamondsLeft, game.targetsLeft);
        int alive = 0;
        for (const MonsterSlot& m : game.monsters) alive += m.life != 0;
        std::fprintf(stderr, "%-4d %-12s %7d %7d %7d %8d\n", lvl, name.c_str(), moves, game.levelTicks, game.score,
                     alive);

        p.waitShown(LevelComplete, "the level-complete picture");
        p.waitModeTicks(125, "the level-complete texts");
        std::snprintf(shotName, sizeof shotName, "fullgame_%02d_level%02d_complete.png", 3 + 2 * lvl, lvl + 1);
        p.shot(shotName);
        p.fire(lvl + 1 < mainLevels ? "on to the next level" : "the last level: the game is completed");
    }

    const int32_t score = game.score;
    p.comment("the game is completed");
    p.waitShown(GameComplete, "the game-completed sequence");
    const struct {
        int32_t tick;
        const char* name;
    } sequence[] = {{400, "fullgame_40_completed_descending.png"},
                    {490, "fullgame_41_completed_second.png"},
                    {600, "fullgame_42_completed_third.png"},
                    {940, "fullgame_43_completed_banner.png"}};
    for (const auto& s : sequence) {
        p.waitModeTicks(s.tick, "the game-completed sequence");
        p.shot(s.name);
    }
    p.fire("on to the credits");
    p.waitShown(Credits, "the credits");
    p.waitModeTicks(800, "the credits to scroll");
    p.shot("fullgame_44_credits.png");
    p.fire("the credits end the game");
    p.waitShown(GameOverBest, "the game over with a new best score");
    p.shot("fullgame_45_game_over_best.png");
    p.fire("back to the main menu");
    p.waitShown(MainMenu, "the main menu");
    p.shot("fullgame_46_main_menu.png", "Hi-score: the final score");
    if (game.menuCursor != 1) fail("the main menu came back on entry %d", game.menuCursor);
    for (int i = 0; i < 3; ++i) {
        p.tap(Key_Down);
        p.tick();
    }
    if (game.menuCursor != 4) fail("the main menu cursor is on %d, not Quit", game.menuCursor);
    p.fire("Quit");
    while (!quitRequested) p.tick();
    const int64_t quitMs = p.nowMsVirtual();
    if (progress.bestScore != score || progress.levelReached != mainLevels)
        fail("the progress record holds level %d, best %d; expected %d, %d", progress.levelReached, progress.bestScore,
             mainLevels, score);

    // Should a replay go its own way, it ends soon after instead of running to its -until.
    p.lines.push_back(std::to_string(quitMs + 5000) + "    close  # only if the game has not quit by itself");

    std::string text;
    text += "# A whole game played through the real program, from the level select through the last\n";
    text += "# level, the game-completed sequence and the credits to the main menu's Quit. Made by\n";
    text += "# tools/playthrough (build target `playthrough`) from assets/levels/*.sol:\n";
    // The program closes an offscreen run at 600000 ms unless told otherwise.
    const std::string untilOption = untilMs == 600000 ? "" : " -until " + until;
    text += "#     build/playthrough" + std::string(untilOption.empty() ? "" : " --until " + until) +
            " -o tools/scripts/fullgame.script\n";
    text += "# Remake it whenever a level, a solution or the game's timing changes. Replay it with an\n";
    text += "# empty home directory (no progress file):\n";
    text += "#     build/tavrin -platform offscreen" + untilOption + " -script tools/scripts/fullgame.script\n";
    text += "# main levels: " + std::to_string(mainLevels) + "\n";
    text += "# final score: " + std::to_string(score) + "\n";
    text += "# quits at: " + std::to_string(quitMs) + " ms\n";
    for (const std::string& l : p.lines) text += l + "\n";

    FILE* f = std::fopen(out.c_str(), "w");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0)
        fail("cannot write %s", out.c_str());
    std::fprintf(stderr, "final score %d; the game quits at %lld ms of virtual time\n", score, (long long)quitMs);
    // The program's own shutdown ends the process (status 0); stdout is flushed by exit.
    tavrinShutdown();
}
