// World engine speed: ticks per second on the largest shipped level and on a 127x127 map
// full of falling rocks, and one falling pass, against a memcpy of one 240x320 frame
// (153600 bytes) measured in the same run.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/state.h"
#include "world/world.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

double memcpySeconds() {
    std::vector<uint8_t> a(153600, 1), b(153600, 2);
    std::vector<double> runs;
    for (int r = 0; r < 15; ++r) {
        const int n = 2000;
        auto t0 = Clock::now();
        for (int i = 0; i < n; ++i) {
            memcpy(b.data(), a.data(), a.size());
            a[i % a.size()] = b[(i * 7) % b.size()];  // keep the copies from being folded away
        }
        runs.push_back(seconds(t0, Clock::now()) / n);
    }
    std::sort(runs.begin(), runs.end());
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

// Sounds go to stdout as the game prints them; send them nowhere while timing.
int quietStdout() {
    fflush(stdout);
    int saved = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
    return saved;
}

void restoreStdout(int saved) {
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
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

int main() {
    const double copy = memcpySeconds();
    printf("memcpy of 153600 bytes: %.2f us (the unit of the ratios below)\n", copy * 1e6);

    // The largest shipped level, idle player, as the game runs it.
    completeCipherKey();
    resetPlay();
    if (openLevelData() == 0) {
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
            int saved = quietStdout();
            const int n = 200000;
            auto t0 = Clock::now();
            for (int i = 0; i < n; ++i) worldTick();
            const double t = seconds(t0, Clock::now()) / n;
            restoreStdout(saved);
            printf("largest shipped level (record %d, %s, %dx%d): %.0f ticks/s, one tick = %.4f x memcpy\n", best,
                   name.c_str(), w, h, 1.0 / t, t / copy);
            unloadLevel();
        }
    } else {
        printf("largest shipped level: no level file embedded\n");
    }

    // 127x127 full of falling rocks; the map is put back before every four-tick cycle.
    const std::string text = fallingMapText();
    resetPlay();
    loadLevelSource(text.data(), static_cast<int32_t>(text.size()));
    std::vector<uint8_t> start(map, map + mapCells);
    int saved = quietStdout();
    double tickTime = 0, passTime = 0;
    const int cycles = 400;
    std::vector<double> passes;
    for (int c = 0; c < cycles; ++c) {
        memcpy(map, start.data(), start.size());
        game.worldPhase = 0;
        game.deathTimer = 0;
        auto t0 = Clock::now();
        for (int i = 0; i < 4; ++i) worldTick();
        tickTime += seconds(t0, Clock::now());
    }
    for (int c = 0; c < cycles; ++c) {
        memcpy(map, start.data(), start.size());
        auto t0 = Clock::now();
        fallScan();
        passes.push_back(seconds(t0, Clock::now()));
    }
    restoreStdout(saved);
    std::sort(passes.begin(), passes.end());
    passTime = passes[passes.size() / 2];
    const double perTick = tickTime / (cycles * 4);
    printf("127x127 falling rocks (%d rocks, all of them moving): %.0f ticks/s, one tick = %.3f x memcpy\n",
           static_cast<int>(std::count(start.begin(), start.end(), TileRock)), 1.0 / perTick, perTick / copy);
    printf("one falling pass over 127x127 falling rocks: %.3f x memcpy (%.1f us)\n", passTime / copy, passTime * 1e6);

    // The same pass with nothing falling: the cost of the scan alone.
    std::vector<uint8_t> still(start.size(), TileEarth);
    std::vector<double> idle;
    for (int c = 0; c < cycles; ++c) {
        memcpy(map, still.data(), still.size());
        auto t0 = Clock::now();
        fallScan();
        idle.push_back(seconds(t0, Clock::now()));
    }
    std::sort(idle.begin(), idle.end());
    printf("one falling pass over 127x127 with nothing to move: %.3f x memcpy\n", idle[idle.size() / 2] / copy);

    // What the moving pass spends on announcing its 8000 sounds (printed and flushed each).
    saved = quietStdout();
    std::vector<double> sounds;
    for (int c = 0; c < 50; ++c) {
        auto s0 = Clock::now();
        for (int i = 0; i < 8000; ++i) SndPlay(256, 0);
        sounds.push_back(seconds(s0, Clock::now()));
    }
    restoreStdout(saved);
    std::sort(sounds.begin(), sounds.end());
    const double soundTime = sounds[sounds.size() / 2];
    printf("of which 8000 sound calls: %.3f x memcpy (%.1f us)\n", soundTime / copy, soundTime * 1e6);
    unloadLevel();
    return 0;
}
