// World engine speed: ticks per second on the largest shipped level and on a 127x127 map
// full of falling rocks, and one falling pass, against a memcpy of one 240x320 frame
// (153600 bytes) measured in the same run.
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/state.h"
#include "tools/bench/bench_timing.h"
#include "world/world.h"

namespace {

using Clock = std::chrono::steady_clock;

// Median time of one falling pass over `start`, the map put back before every pass.
double passNanos(const std::vector<uint8_t>& start) {
    std::vector<double> runs;
    for (int c = 0; c < 201; ++c) {
        memcpy(map, start.data(), start.size());
        game.worldPhase = 0;
        game.deathTimer = 0;
        for (auto& m : game.monsters) m.life = 0;
        auto t0 = Clock::now();
        fallScan();
        runs.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count());
        bench::keep(map);
    }
    std::nth_element(runs.begin(), runs.begin() + runs.size() / 2, runs.end());
    return runs[runs.size() / 2];
}

void resetPlay() {
    game = GameState{};
    game.mode = Play;
    game.modeReady = 1;
    game.fadeLevel = 256;
    game.level = -1;
    for (auto& f : ControlFlags) f = 0;
}

std::string fallingMapText() {
    // Even rows rocks, odd rows empty: every rock moves on the first pass. The player sits
    // in the top-left corner, where nothing can land on it.
    std::string text = "name: ROCKS\ncolour: 4\nmap:\n";
    for (int y = 0; y < 127; ++y) {
        std::string row(127, (y % 2 == 0 && y < 126) ? 'O' : '_');
        if (y == 0) row[0] = '@';
        text += row + "\n";
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const bool tsv = bench::tsvWanted(argc, argv);
    const double copy = bench::frameCopyNanos();
    if (!tsv) printf("memcpy of 153600 bytes: %.2f us (the unit of the ratios below)\n", copy / 1000);

    // The largest shipped level, idle player, as the game runs it.
    completeCipherKey();
    resetPlay();
    if (tsv) {
        // only the figures of the table
    } else if (openLevelData() == 0) {
        int best = -1, bestCells = -1;
        for (int k = 0; k < game.lastLevel + 5; ++k) {
            if (loadLevelRecord(k) == 0 && mapCells > bestCells) {
                best = k;
                bestCells = mapCells;
            }
            unloadLevel();
        }
        if (best >= 0) {
            loadLevelRecord(best);
            scanMap();
            const std::string name(levelName, strnlen(levelName, 10));
            const int w = mapWidth, h = mapHeight;
            double tick;
            {
                bench::QuietStdout quiet;
                tick = bench::nanosPerCall([] { worldTick(); }, 2000);
            }
            printf("largest shipped level (record %d, %s, %dx%d): one tick = %.4f x memcpy\n", best, name.c_str(), w, h,
                   tick / copy);
            unloadLevel();
        }
    } else {
        printf("largest shipped level: no level file embedded\n");
    }

    // 127x127 with every other row of rocks: all 8000 of them move on the pass, each with
    // its sound.
    const std::string text = fallingMapText();
    resetPlay();
    loadLevelSource(text.data(), static_cast<int32_t>(text.size()));
    std::vector<uint8_t> start(map, map + mapCells);
    const int rocks = static_cast<int>(std::count(start.begin(), start.end(), TileRock));
    double busy, idle, sounds;
    {
        bench::QuietStdout quiet;
        busy = passNanos(start);
        // The same map with nothing that can fall: the cost of the scan alone.
        std::vector<uint8_t> still(start.size(), TileEarth);
        idle = passNanos(still);
        // What the busy pass spends on announcing its sounds.
        sounds = bench::nanosPerCall(
            [] {
                for (int i = 0; i < 8000; ++i) SndPlay(SoundRock, 0);
                fflush(stdout);  // the loop flushes once per pass
            },
            3);
    }
    if (tsv) {
        bench::tsvRow("falling pass 127x127, nothing moving", -1, idle / copy, 3.0);
        bench::tsvRow("busy falling pass, 8000 moving rocks", -1, busy / copy, 0);
    } else {
        printf("one falling pass over 127x127 with nothing to move: %.3f x memcpy (goal <= 3)\n", idle / copy);
        printf("one falling pass over 127x127, %d rocks all moving: %.3f x memcpy (%.1f us)\n", rocks, busy / copy,
               busy / 1000);
        printf("  of which 8000 sound calls: %.3f x memcpy (%.1f us)\n", sounds / copy, sounds / 1000);
    }
    unloadLevel();
    return 0;
}
