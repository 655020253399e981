// Frame costs of the graphics core, as multiples of one 153600-byte memcpy measured in the
// same run: one frame of each screen family drawn and presented into a memory framebuffer in
// every orientation, a full-screen blitOpaque, 81 drawTile calls and presentFrame itself.
// `--tsv` prints only the frames that have a goal, one line each: name, orientation, ratio,
// goal. `--only NAME` times that family alone (and skips the primitives), `--orientation N`
// only that orientation: for a profiler.
//
// To add a screen family, add a row to Families: a name, the mode, a goal (0 for none),
// optionally a function that prepares the game state before the mode is entered (the mode's
// own entry loads its pictures, exactly as in play) and the ticks each frame moves on by.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app.h"
#include "app/window.h"
#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"
#include "tools/bench/bench_timing.h"
#include "world/world.h"

namespace {

using bench::keep;
using bench::nanosPerCall;

struct Family {
    const char* name;
    uint8_t mode;
    double goal;                // 0: no goal
    void (*prepare)();          // may be null
    int32_t ticksPerFrame = 0;  // modeTicks moves on by this much before each frame
};

void lateTicks() { game.modeTicks = 1000; }  // animations finished, all text shown

const Family Families[] = {
    {"splash", Splash, 0, nullptr},
    {"about", About, 2.5, nullptr},
    {"main menu", MainMenu, 2.5, [] { game.menuCursor = 2; }},
    {"pause menu", PauseMenu, 2.5,
     [] {
         game.levelTicks = 1234;
         game.score = 4350;
         game.lives = 3;
     }},
    {"practice menu", PracticeMenu, 2.5, [] { game.menuCursor = 1; }},
    {"level select", LevelSelect, 0, [] { game.menuCursor = 3; }},
    {"level complete", LevelComplete, 2.5,
     [] {
         lateTicks();
         game.score = 4350;
         game.levelTicks = 12345;
     }},
    {"died", Died, 2.5,
     [] {
         game.levelTicks = 1234;
         game.score = 4350;
         game.lives = 2;
     }},
    {"game over", GameOver, 0, lateTicks},
    {"game complete", GameComplete, 2.5, lateTicks},
    // Late in the roll, when most lines have already left the window.
    {"credits", Credits, 2.5, [] { game.modeTicks = 6000; }},
    // The roll moving: one tick a frame, a row every fourth frame.
    {"credits, scrolling", Credits, 2.5, [] { game.modeTicks = 6000; }, 1},
};

int32_t lineStepFor(int32_t orientation) { return orientation == 3 ? 640 : 480; }

bool setUpOrientation(int32_t orientation) {
    releaseDisplay();
    if (layoutDisplay(orientation, lineStepFor(orientation)) != 0) return false;
    decodeJpeg(&Panel, ResPanel);
    FontInit();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool tsv = bench::tsvWanted(argc, argv);
    const char* only = nullptr;
    int32_t onlyOrientation = -1;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
        if (std::strcmp(argv[i], "--orientation") == 0) onlyOrientation = std::atoi(argv[i + 1]);
    }
    static char a0[] = "bench_gfx", a1[] = "-platform", a2[] = "offscreen";
    static char* args[] = {a0, a1, a2, nullptr};
    int32_t displayStatus;
    {
        bench::QuietStdout quiet;
        frameinit(3, args);
        displayStatus = initDisplay();
    }
    if (displayStatus != 0) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }

    const double memcpyNs = bench::frameCopyNanos();
    if (!tsv) {
        std::printf("memcpy of 153600 bytes: %.1f us (the unit below)\n\n", memcpyNs / 1000);
        std::printf("%-28s %10s %10s %10s %6s\n", "frame (draw + present)", "orient 0", "orient 2", "orient 3", "goal");
    }

    bench::AlignedBytes fb(153600 + 64 * 640);
    for (const Family& f : Families) {
        if (only != nullptr && std::strcmp(only, f.name) != 0) continue;
        double ratio[3] = {};
        const int32_t orientations[3] = {0, 2, 3};
        for (int k = 0; k < 3; ++k) {
            const int32_t o = orientations[k];
            if (onlyOrientation >= 0 && o != onlyOrientation) continue;
            if (!setUpOrientation(o)) return 1;
            std::memset(&game, 0, sizeof game);
            game.mode = f.mode;
            game.nextMode = f.mode;
            game.fadeLevel = 256;
            game.modeReady = 1;
            initModeState();
            if (f.prepare) f.prepare();
            enterMode();
            stylusTapX = stylusTapY = -1;
            // A profiler wants many samples of one family: time it longer.
            const int32_t perRound = only != nullptr ? 600 : 30;
            const double ns = nanosPerCall(
                [&] {
                    game.modeTicks += f.ticksPerFrame;
                    drawScreen();
                    copyToFramebuffer(fb.data() - DisplayInfo.origin, lineStepFor(o), displayRowBytes());
                    keep(fb.data());
                },
                perRound);
            ratio[k] = ns / memcpyNs;
            leaveMode();
            if (tsv && f.goal > 0) bench::tsvRow(f.name, o, ratio[k], f.goal);
        }
        if (!tsv) std::printf("%-28s %10.2f %10.2f %10.2f %6.1f\n", f.name, ratio[0], ratio[1], ratio[2], f.goal);
    }
    if (tsv || only != nullptr) {
        releaseDisplay();
        return 0;
    }

    // The primitives, in orientation 0 and 3 (the two memory orders).
    std::vector<uint8_t> tiles(64 * 2048, 0x35);
    uint8_t* savedTiles = TileSheet;
    TileSheet = tiles.data();
    std::printf("\n%-28s %10s %10s\n", "primitive", "orient 0", "orient 3");
    double blit[2], tile[2], tileOr[2];
    for (int k = 0; k < 2; ++k) {
        const int32_t o = k == 0 ? 0 : 3;
        if (!setUpOrientation(o)) return 1;
        // A decoded full-screen picture takes the BackBuffer's layout, as in play.
        Image picture;
        decodeJpeg(&picture, ResSplash);
        if (picture.pixels == nullptr) {
            picture = Backdrop;
        }
        blit[k] = nanosPerCall(
                      [&] {
                          blitOpaque(&BackBuffer, 0, 0, &picture);
                          keep(BackBuffer.pixels);
                      },
                      200) /
                  memcpyNs;
        if (picture.pixels != Backdrop.pixels) freeImage(&picture);
        // A screenful of tiles, copied (overlay 0) or ORed in (overlay 1).
        auto tiles = [&](uint32_t overlay, int rounds) {
            return nanosPerCall(
                       [&] {
                           for (int32_t r = 0; r < 9; ++r)
                               for (int32_t c = 0; c < 9; ++c)
                                   drawTile(c * 32 - 13, r * 32 - 7, static_cast<uint32_t>(r * 9 + c), overlay);
                           keep(BackBuffer.pixels);
                       },
                       rounds) /
                   memcpyNs;
        };
        tile[k] = tiles(0, 200);
        tileOr[k] = tiles(1, 100);
    }
    TileSheet = savedTiles;
    std::printf("%-28s %10.2f %10.2f\n", "blitOpaque 240x320", blit[0], blit[1]);
    std::printf("%-28s %10.2f %10.2f\n", "81 drawTile (opaque)", tile[0], tile[1]);
    std::printf("%-28s %10.2f %10.2f\n", "81 drawTile (BlendOr)", tileOr[0], tileOr[1]);

    // The real output path: painter, copy, and the offscreen layer taking the frame.
    if (!setUpOrientation(0)) return 1;
    const double present = nanosPerCall([] { presentFrame(); }, 200) / memcpyNs;
    const double copyOnly = nanosPerCall(
                                [&] {
                                    copyToFramebuffer(fb.data(), 480, displayRowBytes());
                                    keep(fb.data());
                                },
                                200) /
                            memcpyNs;
    std::printf("%-28s %10.2f\n", "presentFrame (offscreen)", present);
    std::printf("%-28s %10.2f\n", "copyToFramebuffer", copyOnly);
    releaseDisplay();
    return 0;
}
