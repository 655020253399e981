// Frame cost of the play view (four monsters in sight) and of the map view on the tallest
// level, drawn and copied to a memory framebuffer, as multiples of one 153600-byte memcpy
// measured in the same run. `--tsv` prints one line per figure (name, orientation, ratio,
// goal); an orientation (0, 2 or 3) as argument limits the run to it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"
#include "tools/bench/bench_timing.h"
#include "world/world.h"

namespace {

using bench::keep;
using bench::nanosPerCall;

bool tsv = false;
bench::AlignedBytes framebuffer(153600);

// One frame as the loop makes it: the screen drawn, then copied to the display.
void frame() {
    drawScreen();
    copyToFramebuffer(framebuffer.data(), displayRowBytes() == 640 ? 640 : 480, displayRowBytes());
    keep(framebuffer.data());
}

void report(const char* name, int32_t orientation, double ratio, double goal, double copy) {
    if (tsv) {
        bench::tsvRow(name, orientation, ratio, goal);
    } else {
        std::printf("  %-36s %6.2f memcpys (%5.1f us), goal <= %.1f\n", name, ratio, ratio * copy / 1000, goal);
    }
}

int runOrientation(int32_t orientation) {
    if (layoutDisplay(orientation, orientation == 3 ? 640 : 480) != 0) {
        std::fprintf(stderr, "no memory for the display\n");
        return 1;
    }
    FontInit();
    decodeJpeg(&Panel, ResPanel);
    std::memset(&game, 0, sizeof game);
    completeCipherKey();
    if (openLevelData() != 0) {
        std::fprintf(stderr, "no level data in this build\n");
        return 1;
    }

    // The tallest level, practice levels included: the map view shows most squares there.
    int32_t tallest = 0, tallestRows = -1;
    for (int32_t i = -4; i <= game.lastLevel; ++i) {
        uint8_t header[32] = {};
        if (readLevelHeader(header, i + 4) != 0) continue;
        int32_t rows = header[13] & 127;
        if (rows > tallestRows) {
            tallestRows = rows;
            tallest = i;
        }
    }
    game.level = static_cast<int8_t>(tallest);
    game.levelLimit = game.lastLevel;
    loadCurrentLevel();
    if (!tsv) {
        std::printf("orientation %d; tallest level: index %d (%.10s), %d x %d squares\n", orientation, tallest,
                    levelName, mapWidth, mapHeight);
    }

    const double copy = bench::frameCopyNanos();

    // Play view in its steady state: the player in the middle of the map, four monsters in
    // sight, two of them half way through a move, the panel already shown.
    game.mode = Play;
    game.fadeLevel = 256;
    game.modeReady = 1;
    game.playerX = mapWidth / 2;
    game.playerY = mapHeight / 2;
    game.playerSprite = TilePlayer;
    game.moveDir = 4;
    game.moveStep = 6;
    game.levelTicks = 1000;  // past the banner
    for (int k = 0; k < 4; ++k) {
        MonsterSlot& m = game.monsters[k];
        m.x = static_cast<uint8_t>(game.playerX - 2 + k);
        m.y = static_cast<uint8_t>(game.playerY + (k & 1 ? 2 : -2));
        m.sprite = TileMonsterA;
        m.dir = static_cast<uint8_t>(k & 1 ? 3 : 0);
        m.step = 8;
        m.life = 100;
    }
    panelShown = 0;
    frame();
    const double play = nanosPerCall(frame, 30);
    game.levelTicks = 100;  // the banner open, with the name
    const double playBanner = nanosPerCall(frame, 30);
    game.levelTicks = 1000;
    game.fadeLevel = 128;  // half way through a fade: the panel is drawn every frame
    const double playFade = nanosPerCall(frame, 30);
    game.fadeLevel = 256;

    // Map view of the same level, title and bar in place, the view in the middle.
    game.mode = MapView;
    loadMapView();
    game.modeTicks = 100;
    game.mapViewX = mapWidth * 4;
    game.mapViewY = mapHeight * 4;
    const double mapView = nanosPerCall(frame, 30);
    freeMapView();

    report("play view, 4 monsters, panel shown", orientation, play / copy, 3.0, copy);
    report("play view with banner", orientation, playBanner / copy, 3.5, copy);
    report("play view in a fade", orientation, playFade / copy, 3.5, copy);
    report("map view, tallest level", orientation, mapView / copy, 3.0, copy);

    stopWorld();
    releaseDisplay();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    tsv = bench::tsvWanted(argc, argv);
    std::vector<int32_t> orientations;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-') orientations.push_back(std::atoi(argv[i]));
    if (orientations.empty()) orientations = {0, 2, 3};
    for (int32_t o : orientations) {
        if (runOrientation(o) != 0) return 1;
    }
    return 0;
}
