// replay: plays level solutions through the world engine and reports how they end.
//
//   replay [options] <level.txt> [<level.sol>]   one level (solution defaults to the .sol beside it)
//   replay [options] --all <order.txt>           every level listed, each with its own .sol
//
// Options: --seeds A-B (random seeds, default 1-64), --phases A-B (starting world phase,
// default 0-3), --trace (print the map after every step of the first run).
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/common/scratch_home.h"
#include "tools/solver/harness.h"
#include "world/world.h"

namespace {

FILE* out = stdout;

bool parseRange(const char* s, int& lo, int& hi) {
    char* end = nullptr;
    lo = static_cast<int>(strtol(s, &end, 10));
    if (*end == '-')
        hi = static_cast<int>(strtol(end + 1, &end, 10));
    else
        hi = lo;
    return *end == 0 && lo <= hi;
}

void printMap() {
    for (int32_t y = 0; y < mapHeight; ++y) {
        std::string row;
        for (int32_t x = 0; x < mapWidth; ++x) {
            uint8_t t = getCell(x, y);
            char c = '?';
            switch (t) {
            case 0: c = 'O'; break;
            case 1: c = '*'; break;
            case 2: c = '.'; break;
            case 3: c = ','; break;
            case 5: c = 'X'; break;
            case 6: c = ' '; break;
            case 22: c = 'S'; break;
            case 24: c = 'E'; break;
            case 25: c = 'K'; break;
            case 27: c = 'B'; break;
            case 30: c = '@'; break;
            case 47: c = 'e'; break;
            default: c = (t >= 7 && t <= 23) || (t >= 48 && t <= 55) ? '#' : '_'; break;
            }
            for (const MonsterSlot& m : game.monsters)
                if (m.life > 31 && m.x == x && m.y == y) c = 'M';
            row += c;
        }
        fprintf(out, "  %s\n", row.c_str());
    }
}

// Replays one level over the seed and phase ranges; returns true if every run completed.
bool replayOne(const std::string& levelPath, const std::string& solPath, int s0, int s1, int p0, int p1, bool trace) {
    std::string text, solText, error;
    LevelSource source;
    LevelSourceError srcError;
    if (!readWholeFile(levelPath, text) || !parseLevelSource(text, source, srcError)) {
        fprintf(out, "%s: cannot load: %s\n", levelPath.c_str(), srcError.message.c_str());
        return false;
    }
    std::vector<SolutionStep> steps;
    if (!readWholeFile(solPath, solText) || !parseSolution(solText, steps, error)) {
        fprintf(out, "%s: cannot load solution %s %s\n", levelPath.c_str(), solPath.c_str(), error.c_str());
        return false;
    }
    if (trace) {
        seedRandom(static_cast<unsigned>(s0));
        startLevel(text, -1, static_cast<uint8_t>(p0));
        ReplayState st;
        printMap();
        for (size_t k = 0; k < steps.size() && st.outcome == Outcome::Playing; ++k) {
            const SolutionStep& s = steps[k];
            for (int32_t i = 0; i < (s.kind == 'W' ? 1 : s.count) && st.outcome == Outcome::Playing; ++i) {
                if (s.kind == 'W')
                    playWait(s.count, st);
                else
                    playMove(s.kind, st);
                finishMoves(st);
                fprintf(out, "token %zu %c%d  tick %d  diamonds %d bombs %d  %s\n", k, s.kind, s.count, st.ticks,
                        game.diamondsLeft, game.targetsLeft, outcomeName(st.outcome));
                printMap();
            }
        }
    }
    int runs = 0, done = 0, minTicks = 1 << 30, maxTicks = 0, monstersLeft = 0;
    std::string firstFailure;
    for (int s = s0; s <= s1; ++s)
        for (int p = p0; p <= p1; ++p) {
            ReplayState st = replayLevel(text, -1, steps, static_cast<uint32_t>(s), static_cast<uint8_t>(p));
            ++runs;
            int alive = 0;
            for (const MonsterSlot& m : game.monsters) alive += m.life != 0;
            if (alive > monstersLeft) monstersLeft = alive;
            if (st.outcome == Outcome::Completed) {
                ++done;
                if (st.ticks < minTicks) minTicks = st.ticks;
                if (st.ticks > maxTicks) maxTicks = st.ticks;
            } else if (firstFailure.empty()) {
                firstFailure = "seed " + std::to_string(s) + " phase " + std::to_string(p) + ": " +
                               outcomeName(st.outcome) + " at token " + std::to_string(st.token) + " tick " +
                               std::to_string(st.ticks) + (st.detail.empty() ? "" : " (" + st.detail + ")");
            }
        }
    fprintf(out, "%-10s %3dx%-3d colour %d  %d/%d runs completed", source.name.c_str(), source.width, source.height,
            source.colour, done, runs);
    if (done > 0) fprintf(out, "  ticks %d..%d", minTicks, maxTicks);
    if (monstersLeft > 0) fprintf(out, "  monsters alive at the end: up to %d", monstersLeft);
    fprintf(out, "\n");
    if (!firstFailure.empty()) fprintf(out, "    first failure: %s\n", firstFailure.c_str());
    return done == runs;
}

}  // namespace

int main(int argc, char** argv) {
    int s0 = 1, s1 = 64, p0 = 0, p1 = 3;
    bool trace = false;
    std::string order;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--seeds" && i + 1 < argc) {
            if (!parseRange(argv[++i], s0, s1)) return 2;
        } else if (a == "--phases" && i + 1 < argc) {
            if (!parseRange(argv[++i], p0, p1) || p0 < 0 || p1 > 3) return 2;
        } else if (a == "--trace") {
            trace = true;
        } else if (a == "--all" && i + 1 < argc) {
            order = argv[++i];
        } else {
            files.push_back(a);
        }
    }
    if (order.empty() && files.empty()) {
        fprintf(
            stderr,
            "usage: replay [--seeds A-B] [--phases A-B] [--trace] (<level.txt> [<level.sol>] | --all <order.txt>)\n");
        return 2;
    }
    // Completing a level may save progress: keep it away from the real home directory.
    static ScratchHome home("tavrin-replay");
    // The engine's sound calls print to standard output; keep the report apart from them.
    fflush(stdout);
    int keep = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    out = fdopen(keep, "w");
    bool ok = true;
    if (!order.empty()) {
        std::vector<std::string> paths;
        if (!readLevelOrder(order, paths)) {
            fprintf(stderr, "%s: cannot read\n", order.c_str());
            return 2;
        }
        for (const std::string& p : paths) ok = replayOne(p, solutionPathFor(p), s0, s1, p0, p1, trace) && ok;
    } else {
        std::string sol = files.size() > 1 ? files[1] : solutionPathFor(files[0]);
        ok = replayOne(files[0], sol, s0, s1, p0, p1, trace);
    }
    return ok ? 0 : 1;
}
